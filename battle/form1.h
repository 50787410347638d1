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

    // Public state.
    int16_t problemo =
        0;            ///< origin of the shot being resolved: -1 the player's order, 0 return fire
    int16_t c = 0;    ///< highest slot in use = units trained this battle
    int16_t yen = 0;  ///< money, thousands of euro
    uint8_t er = 0;   ///< income per Timer2 tick = mines standing; index of the newest mine
    uint8_t evol = 0; ///< evolution level of the building

    // Designed widgets, in drawing order (see layout.cpp).
    kt::Image Image2;
    kt::WidgetArray<kt::Image> Image3{*this, "Image3"};
    kt::Label Label1, news;
    kt::TextBox cheater;
    kt::Shape sh;
    kt::WidgetArray<kt::Image> ima{*this, "ima"};
    kt::WidgetArray<kt::Label> OK{*this, "OK"};
    kt::WidgetArray<kt::Image> ene{*this, "ene"};
    kt::WidgetArray<kt::Line> Line4{*this, "Line4"};
    kt::Line Line1, Line2, Line3;
    kt::Timer Timer1, Timer2, make;
    kt::Frame Frame1;
    kt::WidgetArray<kt::CommandButton> Command1{*this, "Command1"};
    kt::WidgetArray<kt::Label> mk{*this, "mk"};
    kt::Line qnty, done;
    kt::CommandButton evo;
    kt::Frame build;
    kt::CommandButton command2;
    kt::Frame Frame2; ///< the sprite store, never shown
    kt::WidgetArray<kt::Image> front{*this, "front"}, backimage{*this, "backimage"},
        sideimagel{*this, "sideimagel"}, sideimager{*this, "sideimager"}, Image1{*this, "Image1"};
    kt::Image prete;

    // Set-up (setup.cpp).
    void Form_Load() override;
    /// The close box ends the battle and brings the start menu back.
    void Form_Close() override;
    void describe(QJsonObject& out) const override;

    // Player input (commands/).
    void Form_MouseDown(int Button, int Shift, float X, float Y) override;
    void ima_Click(int Index);
    void ene_MouseDown(int Index, int Button, int Shift, float X, float Y);
    void Image2_Click();
    void Command1_MouseDown(int Index, int Button, int Shift, float X, float Y);
    void command2_Click();
    void evo_Click();
    void cheater_Change();

    // Clocks (simulation/).
    void Timer2_Timer();
    void Timer1_Timer();
    void make_Timer();

private:
    friend struct BattleProbe;
    friend class InvariantWatch;
    friend std::vector<std::string> brokenInvariants(const kt::Program& app);

    void walk(int16_t& i);
    void locate(int16_t& i);
    void fire(int16_t& index, float dx, float dy);
    void shoot(int16_t& index, float dx, float dy);
    void raid();
    /// Whether the Timer1 tick just counted is an enemy turn: every fifth one after the attack.
    bool turnDue() const { return clock > 250 && (clock + overtime) % 5 == 0; }
    void march(uint8_t& i);
    void spawn(int16_t k);
    /// Hides and unloads the battlefield and shows the start menu: the end of every battle.
    void endBattle();

    std::array<unirec, 81> uni{};
    int16_t sel = 0;                    ///< selected unit, 0..80
    std::array<int16_t, 11> cost{};     ///< price per kind
    std::array<uint8_t, 11> tempo{};    ///< make ticks per kind
    std::array<uint8_t, 12> reach{};    ///< weapon reach per kind, steps of 250 twips
    std::array<uint8_t, 11> life{};     ///< health of a new unit per kind
    std::array<uint8_t, 11> queue{};    ///< units ordered, per kind
    uint8_t cur = 0;                    ///< kind in training; 255 none
    std::array<int16_t, 101> enedead{}; ///< -1 once enemy i is destroyed
    uint8_t enecell[2][51]{};           ///< column and row of each enemy
    uint8_t kills = 0;
    int16_t clock = 0;        ///< Timer1 ticks since the battle began, held at 32767
    uint8_t overtime = 0;     ///< Timer1 ticks past the clock's limit, modulo 5
    int16_t go = 0;           ///< working flag of one movement step
    int16_t hitene = 0;       ///< -1 once the player has ordered an attack on an enemy
    uint8_t target = 0;       ///< enemy of the last attack order
    float tgx = 0, tgy = 0;   ///< reference point of the attack being resolved
    uint8_t n = 0;            ///< loop counter of the enemy-repainting cheat
    uint8_t prog = 0;         ///< make ticks spent on the unit in training (make_Timer's own)
    uint8_t dmg = 0;          ///< strength of the last enemy shot (raid's own)
    bool attackOrder = false; ///< the shot being resolved is the player's order on enemy `target`
};

} // namespace kolvar
