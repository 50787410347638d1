// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The battlefield window. It owns the whole battle: the state below and the widgets that show it
// (unit positions live in the Left/Top of the unit images, as the game has always kept them).
// Handlers are spread by concern: battle/ builds and sets up the window, commands/ holds the
// player's input handlers, simulation/ the timer handlers and the operations they call.

#include "battle/state.h"
#include "toolkit/form.h"

#include <array>

namespace kolvar {

struct BattleProbe; // test access to the private state
class InvariantWatch;
std::vector<std::string> brokenInvariants(const kt::Program& app);

class Form1 : public kt::Form {
public:
    explicit Form1(kt::Program& app);
    const char* className() const override { return "Form1"; }
    /// The client area, twips: fixed, and the largest window a background is shown in.
    static constexpr float fieldWidth = 11910, fieldHeight = 9630;

    // Public state.
    /// Origin of the shot being resolved: -1 the player's order, 0 return fire.
    int16_t problemo = 0;
    int16_t c = 0;    ///< highest slot in use = units trained this battle
    int16_t yen = 0;  ///< money, thousands of euro
    uint8_t er = 0;   ///< income per Timer2 tick = mines standing; index of the newest mine
    uint8_t evol = 0; ///< evolution level of the building

    // Designed widgets, in drawing order (placed in battle/layout.cpp).
    kt::Image Image2; ///< the main building: a click opens the training panel
    /// The mines: (0) the one the battle starts with, (2)..(er) those built (there is no (1)).
    kt::WidgetArray<kt::Image> Image3{*this, "Image3"};
    kt::Label Label1;    ///< the money, " 2001000 euri", rewritten every Timer2 tick
    kt::Label news;      ///< the news line, top right
    kt::TextBox cheater; ///< the cheat box, top right corner
    kt::Shape sh;        ///< the selection marker, an oval under the selected unit

    /// The units' images, one per slot: (0) Tovo, the commander, (1)..(80) as trained.
    kt::WidgetArray<kt::Image> ima{*this, "ima"};
    /// The health captions above the units, one per slot; only Tovo's, (0), is ever shown.
    kt::WidgetArray<kt::Label> OK{*this, "OK"};
    /// The 51 enemies, (0)..(50).
    kt::WidgetArray<kt::Image> ene{*this, "ene"};
    /// The force field, (0), until the first enemy turn makes it enemy 0's shot line; (1)..(50)
    /// the other enemies' shot lines.
    kt::WidgetArray<kt::Line> Line4{*this, "Line4"};
    /// The destination cross, an X of two lines where the last left press on the ground was.
    kt::Line Line1, Line2;
    /// The player's shot, or a unit's return shot, until the next Timer2 tick.
    kt::Line Line3;

    kt::Timer Timer1; ///< the enemy clock, every 100 ms: Timer1_Timer
    kt::Timer Timer2; ///< the movement and income clock, every 100 ms: Timer2_Timer
    /// The training clock, every 50 ms halved by each evolution (1 ms at least), running only
    /// while a kind is in training: make_Timer.
    kt::Timer make;

    kt::Frame Frame1; ///< the training panel
    /// The training buttons, one per kind 0..6; (6) is shown and hidden with its panel only.
    kt::WidgetArray<kt::CommandButton> Command1{*this, "Command1"};
    /// The queue counts under the training buttons.
    kt::WidgetArray<kt::Label> mk{*this, "mk"};
    kt::Line qnty;         ///< the training progress bar's track, red
    kt::Line done;         ///< its filled part, yellow: the ticks spent on the unit in training
    kt::CommandButton evo; ///< "Evolvi edificio", the building's evolution

    kt::Frame build;            ///< the construction panel, opened at a builder's feet
    kt::CommandButton command2; ///< "Miniera": a mine at the selected unit's feet

    kt::Frame Frame2; ///< the sprite store, never shown
    /// The units' pictures by kind, facing down (front; front(30) is the evolved building), up,
    /// left and right.
    kt::WidgetArray<kt::Image> front{*this, "front"}, backimage{*this, "backimage"},
        sideimagel{*this, "sideimagel"}, sideimager{*this, "sideimager"};
    /// The wrecks: (0) a unit's, (1) an enemy's.
    kt::WidgetArray<kt::Image> Image1{*this, "Image1"};
    kt::Image prete; ///< the enemies' look after the "frastol" cheat

    // Set-up (battle/setup.cpp, the designed widgets in battle/layout.cpp).
    /// Starts a battle: background, money, price tables, Tovo, the unit slots and the enemies'
    /// cells; closes the start menu.
    void Form_Load() override;
    /// The close box ends the battle and brings the start menu back.
    void Form_Close() override;
    /// The battle state for a dump (battle/describe.cpp).
    void describe(QJsonObject& out) const override;

    // Player input (commands/).
    /// A press on the ground: move order and cross, turn, ground shot (commands/ground_orders.cpp).
    void Form_MouseDown(int Button, int Shift, float X, float Y) override;
    /// Selects a unit; a builder opens the construction panel (commands/selection.cpp).
    void ima_Click(int Index);
    /// A press on an enemy: walk toward it or fire at it (commands/attack_orders.cpp).
    void ene_MouseDown(int Index, int Button, int Shift, float X, float Y);
    /// Opens the training panel (commands/training.cpp).
    void Image2_Click();
    /// Queues units of a kind, or takes some back (commands/training.cpp).
    void Command1_MouseDown(int Index, int Button, int Shift, float X, float Y);
    /// Builds a mine (commands/construction.cpp).
    void command2_Click();
    /// Evolves the building (commands/construction.cpp).
    void evo_Click();
    /// Acts on a cheat code (commands/cheat_box.cpp).
    void cheater_Change();

    // Clocks (simulation/).
    /// Every 100 ms: every unit a step, the income, the money shown, the shot line cleared, the
    /// defeat (simulation/movement.cpp).
    void Timer2_Timer();
    /// Every 100 ms: the force field's fall, the attack's announcement, the enemy turns
    /// (simulation/enemy_turn.cpp).
    void Timer1_Timer();
    /// Every 50 ms, halved by each evolution: the unit in training (simulation/training_clock.cpp).
    void make_Timer();

private:
    friend struct BattleProbe;
    friend class InvariantWatch;
    friend std::vector<std::string> brokenInvariants(const kt::Program& app);

    // What shows the selection (commands/selection.cpp) and a move order.
    /// The selection marker under unit i's image, as wide as it was.
    void placeMarker(int i);
    /// The selection marker under unit i's image and as wide as the image is now.
    void fitMarker(int i);
    /// Unit i's health caption: its hit points, above its image.
    void showHealth(int i);
    /// The destination cross centred on the press at (X, Y) (commands/ground_orders.cpp).
    void placeCross(float X, float Y);

    // Movement (simulation/movement.cpp).
    /// Unit i's step toward its destination.
    void walk(int16_t i);
    /// Unit i's cell from its recorded position.
    void locate(int16_t i);

    // Firing (simulation/firing.cpp).
    /// A shot of the player's side at (tgx, tgy), if the shooter reaches it. `index` is written:
    /// the player's order (problemo -1) always fires from the selected unit, whatever the caller
    /// passed (an attack order passes the enemy's index), and the caller's variable then names
    /// the unit that fired.
    void fire(int16_t& index, float dx, float dy);
    /// Draws that shot from unit `index`; an attack order's shot destroys its enemy.
    void shoot(int16_t index, float dx, float dy);
    /// Whether the shot line stays up through the movement tick now running: a unit fires back
    /// in the enemy turn of the same instant, just before that tick, and a line hidden then
    /// would never be painted.
    bool shotOutlastsTick() const;

    // The enemy turn (simulation/enemy_turn.cpp).
    /// Whether the Timer1 tick just counted is an enemy turn: every fifth one after the attack.
    bool turnDue() const { return clock > 250 && (clock + overtime) % 5 == 0; }
    /// An enemy turn: victory, or every standing enemy marches, aims, and fires at the unit it
    /// aimed at.
    void raid();
    /// Victory: its message, then the end of the battle.
    void win();
    /// Enemy i's step up the field, and its new cell.
    void march(uint8_t i);
    /// Enemy i's cell from its image's place; the set-up gives enemies 1..50 theirs.
    void locateEnemy(int i);
    /// The unit enemy i fires at: the first living one in its column, in its cell or the two
    /// above; -1 none.
    int aim(uint8_t i) const;
    /// Enemy i's shot line, to unit j.
    void showEnemyShot(uint8_t i, int j);
    /// Enemy i's shot hits unit j, one point stronger than the last: it is wrecked or fires back.
    void strike(uint8_t i, int j);
    /// Unit j destroyed: a wreck, and the selection back to Tovo.
    void wreck(int j);
    /// Unit j, hit by enemy i and still alive, fires back at it.
    void returnFire(int j, uint8_t i);

    // Training (simulation/training_clock.cpp).
    /// Puts a finished unit of kind k on the field, if it is paid for and a slot is free.
    void spawn(int16_t k);

    // The end (battle/setup.cpp).
    /// Hides and unloads the battlefield and shows the start menu: the end of every battle.
    void endBattle();

    // The battle's state.
    std::array<unirec, 81> uni{};       ///< the units, one slot per image of ima
    int16_t sel = 0;                    ///< selected unit, 0..80
    std::array<int16_t, 11> cost{};     ///< price per kind
    std::array<uint8_t, 11> tempo{};    ///< make ticks per kind
    std::array<uint8_t, 12> reach{};    ///< weapon reach per kind, steps of 250 twips
    std::array<uint8_t, 11> life{};     ///< health of a new unit per kind
    std::array<uint8_t, 11> queue{};    ///< units ordered, per kind
    uint8_t cur = 0;                    ///< kind in training; 255 none
    std::array<int16_t, 101> enedead{}; ///< -1 once enemy i is destroyed
    uint8_t enecell[2][51]{};           ///< column and row of each enemy
    uint8_t kills = 0;                  ///< enemies destroyed
    int16_t clock = 0;                  ///< Timer1 ticks since the battle began, held at 32767
    uint8_t overtime = 0;               ///< Timer1 ticks past the clock's limit, modulo 5
    int64_t firedBackAt = -1; ///< virtual ms of the last shot fired back; -1 after an order
    int16_t go = 0;           ///< working flag of one movement step
    int16_t hitene = 0;       ///< -1 once the player has ordered an attack on an enemy
    uint8_t target = 0;       ///< enemy of the last attack order
    float tgx = 0, tgy = 0;   ///< reference point of the attack being resolved
    uint8_t n = 0;            ///< loop counter of the enemy-repainting cheat
    uint8_t prog = 0;         ///< make ticks spent on the unit in training (make_Timer's own)
    uint8_t dmg = 0;          ///< strength of the last enemy shot (the enemy turn's own)
    bool attackOrder = false; ///< the shot being resolved is the player's order on enemy `target`
};

} // namespace kolvar
