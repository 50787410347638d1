#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Kolvar developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Pixel artwork for Kolvar, drawn entirely in code.

Run from the project root:

    /usr/bin/python3 assets/draw_art.py

It writes every GIF (and the program icon, icon.png) next to this script and
then re-opens each file to check its size and transparency.

Every picture is drawn on a small Canvas of solid colours.  Nothing is ever
blended: a pixel is either a palette colour or transparent, so the art stays
crisp at 1x and when the game doubles it.  After drawing, each picture gets a
1-pixel dark outline so it reads on the white battlefield and on photos.
The output is deterministic: there is no randomness anywhere.
"""

import os

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))


# --------------------------------------------------------------------------
# Colours
# --------------------------------------------------------------------------

def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def lighter(c, t=0.3):
    return mix(c, (255, 255, 255), t)


def darker(c, t=0.3):
    return mix(c, (0, 0, 0), t)


OUTLINE = (24, 22, 30)
# The GIF's transparent entry.  Figures never use pure white, so a viewer that
# ignores transparency still shows the white battlefield colour around them.
KEY = (255, 255, 255)

SKIN = (238, 190, 142)
SKIN_D = (204, 148, 104)
EYE = (30, 26, 34)
HAIR = (74, 48, 30)
BOOT = (58, 46, 38)
METAL = (84, 86, 94)
METAL_D = (54, 56, 62)
METAL_L = (142, 146, 156)
WOOD = (150, 100, 54)
WOOD_D = (106, 70, 38)
WOOD_L = (186, 136, 80)
GOLD = (244, 194, 56)
GOLD_D = (184, 128, 28)
GOLD_L = (255, 238, 150)
WHITE = (248, 248, 244)
RED = (200, 34, 40)
RED_D = (140, 20, 28)
FIRE = (246, 132, 30)
FIRE_Y = (255, 224, 84)
FIRE_R = (206, 56, 24)
SMOKE = (118, 118, 124)
SMOKE_L = (164, 164, 170)
SMOKE_D = (84, 84, 92)


# --------------------------------------------------------------------------
# Canvas
# --------------------------------------------------------------------------

class Canvas:
    """A grid of colours (None = transparent) with simple hard-edged drawing.

    Drawing is clipped to leave a 1-pixel free border, so the outline added
    at the end always fits and the corners stay transparent.
    """

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[None] * w for _ in range(h)]

    def put(self, x, y, c):
        x, y = int(x), int(y)
        if c is not None and 1 <= x <= self.w - 2 and 1 <= y <= self.h - 2:
            self.px[y][x] = c

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.px[y][x]
        return None

    def rect(self, x, y, w, h, c):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.put(xx, yy, c)

    def hline(self, x0, x1, y, c):
        for x in range(min(x0, x1), max(x0, x1) + 1):
            self.put(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(min(y0, y1), max(y0, y1) + 1):
            self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        """Bresenham line, one pixel thick."""
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def ellipse(self, x0, y0, x1, y1, c):
        """Filled ellipse inside the inclusive box (x0,y0)-(x1,y1)."""
        for x, y in _ellipse_pixels(x0, y0, x1, y1):
            self.put(x, y, c)

    def erase_ellipse(self, x0, y0, x1, y1):
        """Cut a see-through hole (spokes of a wheel, for example)."""
        for x, y in _ellipse_pixels(x0, y0, x1, y1):
            if 0 <= x < self.w and 0 <= y < self.h:
                self.px[y][x] = None

    def poly(self, pts, c):
        """Filled polygon; a pixel is inside when its centre is."""
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            for x in range(int(min(xs)), int(max(xs)) + 1):
                if _inside(x + 0.5, y + 0.5, pts):
                    self.put(x, y, c)

    def pmap(self, x, y, rows, legend):
        """Blit a small pixel map; characters missing from legend are skipped."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch in legend:
                    self.put(x + i, y + j, legend[ch])

    def recolor(self, x0, y0, x1, y1, fn):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                c = self.get(x, y)
                if c is not None:
                    self.put(x, y, fn(x, y, c))

    def outline(self, c=OUTLINE):
        """Surround every figure with a 1-pixel dark edge (4-neighbour)."""
        add = []
        for y in range(self.h):
            for x in range(self.w):
                if self.px[y][x] is None and any(
                        self.get(x + dx, y + dy) is not None
                        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                    add.append((x, y))
        for x, y in add:
            self.px[y][x] = c
        return self

    def mirrored(self):
        m = Canvas(self.w, self.h)
        m.px = [list(reversed(row)) for row in self.px]
        return m

    def colours(self):
        return sorted({c for row in self.px for c in row if c is not None})

    def to_gif_image(self):
        cols = self.colours()
        assert len(cols) <= 255, "too many colours"
        index = {c: i + 1 for i, c in enumerate(cols)}
        img = Image.new("P", (self.w, self.h), 0)
        flat = list(KEY)
        for c in cols:
            flat.extend(c)
        img.putpalette(flat + [0, 0, 0] * (256 - len(cols) - 1))
        img.putdata([0 if c is None else index[c] for row in self.px for c in row])
        return img

    def to_rgba(self):
        img = Image.new("RGBA", (self.w, self.h), (0, 0, 0, 0))
        img.putdata([(0, 0, 0, 0) if c is None else c + (255,) for row in self.px for c in row])
        return img


def _ellipse_pixels(x0, y0, x1, y1):
    cx, cy = (x0 + x1 + 1) / 2, (y0 + y1 + 1) / 2
    rx, ry = (x1 - x0 + 1) / 2, (y1 - y0 + 1) / 2
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            if ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1.0:
                yield x, y


def _inside(x, y, pts):
    inside = False
    n = len(pts)
    for i in range(n):
        x1, y1 = pts[i]
        x2, y2 = pts[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            xc = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < xc:
                inside = not inside
    return inside


def stick(cv, x0, y0, x1, y1, parts):
    """A long straight object (rifle, tube) of gentle slope from x0 to x1.

    parts is a list of (t_end, colour, thickness): the object is split along
    its length, t running 0..1 from (x0,y0); thickness grows downward.
    """
    step = 1 if x1 >= x0 else -1
    n = abs(x1 - x0) or 1
    for x in range(x0, x1 + step, step):
        t = abs(x - x0) / n
        y = round(y0 + (y1 - y0) * t)
        for t_end, col, thick in parts:
            if t <= t_end + 1e-9:
                break
        for k in range(thick):
            cv.put(x, y + k, col)


# --------------------------------------------------------------------------
# Soldier parts
# --------------------------------------------------------------------------

def palette(uni, helm, **kw):
    """Derive a soldier's colour set from a uniform and a headgear colour."""
    p = {
        "uni": uni, "uni_l": lighter(uni, 0.25), "uni_d": darker(uni, 0.28),
        "helm": helm, "helm_l": lighter(helm, 0.3), "helm_d": darker(helm, 0.3),
        "pants": darker(uni, 0.14), "boot": BOOT, "belt": (96, 72, 44),
        "buckle": METAL_L, "skin": SKIN, "skin_d": SKIN_D, "eye": EYE,
        "hair": HAIR, "glove": SKIN, "acc": GOLD, "acc_l": GOLD_L,
        "visor": (40, 36, 58), "glint": METAL_L, "pack": darker(uni, 0.2),
    }
    p.update(kw)
    p.setdefault("sleeve", p["uni"])
    p["pants_d"] = darker(p["pants"], 0.25)
    p["pack_d"] = darker(p["pack"], 0.3)
    p["pack_l"] = lighter(p["pack"], 0.2)
    return p


def legend(p):
    """Characters used by the head pixel maps, bound to one soldier's colours."""
    return {
        "H": p["helm"], "h": p["helm_l"], "D": p["helm_d"], "s": p["skin"],
        "S": p["skin_d"], "m": p["skin_d"], "e": p["eye"], "r": p["hair"],
        "v": p["visor"], "g": p["glint"], "a": p["acc"], "A": p["acc_l"],
        "k": GOLD, "M": (70, 44, 30), "o": METAL_D, "G": (170, 226, 250),
        "p": darker(p["uni"], 0.3), "w": WHITE,
    }


# Heads are 7 rows tall.  Front and back maps are 9 wide with the figure's
# centre line in column 4; side maps face left and note the column of the face.
HEADS = {
    "helmet": {
        "front": ["..hhHHH..", ".hHHHHHD.", "DDDDDDDDD", ".DSSSSSD.",
                  ".DsesesD.", "..ssmsS..", "...sss..."],
        "back": ["..hhHHH..", ".hHHHHHD.", "DDDDDDDDD", ".DHHHHHD.",
                 "..SrrrS..", "...sss...", "...SSS..."],
        "side": ["..hHHH.", ".hHHHHD", "DDDDDDD", ".SSSSDD",
                 ".sesSD.", "sssssr.", ".mss..."],
    },
    "boonie": {
        "front": ["..hHHHH..", "..DDDDD..", "DhHHHHHHD", "D.SSSSS.D",
                  "..pesep..", "..ssmsS..", "...sss..."],
        "back": ["..hHHHH..", "..DDDDD..", "DhHHHHHHD", "D.HHHHH.D",
                 "..SrrrS..", "...sss...", "...SSS..."],
        "side": ["..hHH.", "..DDD.", "hHHHHD", "DSSSrD",
                 ".esSr.", "sssSr.", ".ms..."],
    },
    "visor": {
        "front": ["..hHaHH..", ".hHHHHHD.", ".hHHHHHD.", ".hvgvvvD.",
                  ".hvvvvvD.", ".DSsssSD.", "...sss..."],
        "back": ["..hHaHH..", ".hHHHHHD.", ".hHHHHHD.", ".hHHHHHD.",
                 ".DHHHHDD.", "..DDDDD..", "...SSS..."],
        "side": ["..hHaH.", ".hHHHHD", ".hHHHHD", "vgvHHHD",
                 "vvvHHHD", ".SsSDD.", ".ss...."],
    },
    "heavy": {
        "front": ["..hHHHH..", ".hHHHHHD.", ".hHHHHHD.", ".HgvvvvD.",
                  ".hHHHHHD.", ".hHoHoHD.", "..DDDDD.."],
        "back": ["..hHHHH..", ".hHHHHHD.", ".hHHHHHD.", ".hHHHHHD.",
                 ".hDDDDDD.", ".hHHHHHD.", "..DDDDD.."],
        "side": ["..hHHH.", ".hHHHHD", ".hHHHHD", "gvvHHHD",
                 ".HHHHHD", ".HoHHHD", "..DDDD."],
    },
    "scout": {
        "front": ["..hhHHH..", ".hHHHHHD.", ".oGGoGGo.", ".DSSSSSD.",
                  "..seses..", "..ssmsS..", "...sss..."],
        "back": ["..hhHHH..", ".hHHHHHD.", ".ooooooo.", ".DHHHHHD.",
                 "..SrrrS..", "...sss...", "...SSS..."],
        "side": [".hH.", "hHHD", "GooD", "SSSD", "esSD", "ssSr", "ms.."],
    },
    "hardhat": {
        "front": ["..hhHHH..", ".hHHhHHD.", "DDDDDDDDD", "..SSSSS..",
                  "..seses..", "..ssmsS..", "...sss..."],
    },
    "beret": {
        "front": [".hHHHH...", "hHHHHHkH.", ".DDDDDkD.", ".rSSSSSr.",
                  ".rsesesr.", "..sMMMs..", "...sss..."],
        "back": ["...HHHHh.", ".HHHHHHHh", ".DDDDDDD.", ".rrrrrrr.",
                 "..Srrrs..", "...sss...", "...SSS..."],
        "side": [".hHHH", "hHHHH", "kDDDH", "SSSrr", "sesrr", "MssSr", ".ss.."],
    },
    "power": {
        "front": ["..hhaHH..", ".hHHHHHD.", ".hHHHHHD.", ".HaaAaaD.",
                  ".HDHaHDD.", ".hHHHHHD.", "..DDDDD.."],
        "back": ["..hhaHH..", ".hHHHHHD.", ".hHHHHHD.", ".hHHHHHD.",
                 ".hDDDDDD.", ".hHaHaHD.", "..DDDDD.."],
        "side": ["..hhaH.", ".hHHHHD", ".hHHHHD", "aAaHHHD",
                 ".aHHHHD", ".hHHHHD", "..DDDD."],
    },
}


def head(cv, x, y, p, style, facing):
    """Draw a head; x is the centre column (front/back) or map left (side)."""
    rows = HEADS[style][facing]
    if facing == "side":
        cv.pmap(x, y, rows, legend(p))
    else:
        cv.pmap(x - 4, y, rows, legend(p))


def torso_front(cv, cx, y, hw, h, p, belt=True):
    """Chest seen from front or back: light on the left, shade on the right."""
    cv.rect(cx - hw, y, 2 * hw + 1, h, p["uni"])
    cv.vline(cx - hw, y, y + h - 1, p["uni_l"])
    if belt:
        cv.hline(cx - hw, cx + hw, y + h - 2, p["belt"])
        cv.put(cx, y + h - 2, p["buckle"])


def arms_front(cv, cx, y, hw, h, p, w=2, hand_l=None, hand_r=None):
    """Both sleeves beside the chest; hand_l/hand_r give the hand rows."""
    for side, hy in ((-1, hand_l), (1, hand_r)):
        hy = y + h - 1 if hy is None else hy
        x = cx - hw - w if side < 0 else cx + hw + 1
        # Sleeves start one row below the collar line, giving sloped shoulders.
        cv.rect(x, y + 1, w, hy - y - 1, p["sleeve"])
        # A dark seam on the inner edge separates the arm from the chest.
        seam = x + w - 1 if side < 0 else x
        cv.vline(seam, y + 1, hy - 1, darker(p["sleeve"], 0.25))
        cv.rect(x, hy, w, 1, p["glove"])


def legs_front(cv, cx, y, hw, h, p, boot_h=2):
    """Two legs with a one-pixel gap (the outline fills it) and boots."""
    cv.rect(cx - hw, y, 2 * hw + 1, 1, p["pants"])
    for side in (-1, 1):
        x0 = cx - hw if side < 0 else cx + 1
        cv.rect(x0, y + 1, hw, h - 1 - boot_h, p["pants"])
        cv.vline(x0 + (hw - 1 if side < 0 else 0), y + 1, y + h - 1 - boot_h, p["pants_d"])
        bx = x0 - 1 if side < 0 else x0
        cv.rect(bx, y + h - boot_h, hw + 1, boot_h, p["boot"])
        cv.hline(bx, bx + hw, y + h - boot_h, lighter(p["boot"], 0.2))


def torso_side(cv, x0, y, d, h, p, belt=True):
    cv.rect(x0, y, d, h, p["uni"])
    cv.vline(x0, y, y + h - 1, p["uni_l"])
    cv.vline(x0 + d - 1, y, y + h - 1, p["uni_d"])
    if belt:
        cv.hline(x0, x0 + d - 1, y + h - 2, p["belt"])


def legs_side(cv, x0, y, d, h, p, boot_h=2):
    """Mid-stride legs seen from the left: far leg back and darker."""
    half = (h - boot_h) // 2
    lw = 2 if d >= 4 else 1
    # far leg swings back (to the right)
    bx = x0 + d - lw
    cv.rect(bx, y, lw, half, p["pants_d"])
    cv.rect(bx + 1, y + half, lw, h - boot_h - half, p["pants_d"])
    cv.rect(bx + 1, y + h - boot_h, lw + 1, boot_h, darker(p["boot"], 0.2))
    # near leg steps forward (to the left), toe pointing left
    cv.rect(x0, y, d - 1, 1, p["pants"])
    cv.rect(x0, y, lw, half, p["pants"])
    cv.rect(x0 - 1, y + half, lw, h - boot_h - half, p["pants"])
    cv.rect(x0 - 2, y + h - boot_h, lw + 1, boot_h, p["boot"])
    cv.hline(x0 - 2, x0 - 2 + lw, y + h - boot_h, lighter(p["boot"], 0.2))


def arm_side_down(cv, x, y, h, p, w=2):
    """The near arm hanging along the body in a side view."""
    cv.rect(x, y, w, h, p["sleeve"])
    cv.vline(x + w - 1, y, y + h - 1, darker(p["sleeve"], 0.2))
    cv.rect(x, y + h, w, 1, p["glove"])


CAMO_TILE = ["..bb..o.",
             ".bbb.oo.",
             "..b..o..",
             "oo....bb",
             ".o...bbb",
             "......b."]


def camo(cv, p, x0, y0, x1, y1):
    """Break the uniform colours into blotches of brown and dark olive."""
    uniform = {p["uni"], p["uni_l"], p["uni_d"], p["pants"], p["pants_d"], p["helm"],
               p["helm_l"], p["helm_d"], p["sleeve"]}

    def fn(x, y, c):
        if c not in uniform:
            return c
        ch = CAMO_TILE[y % len(CAMO_TILE)][x % len(CAMO_TILE[0])]
        if ch == "b":
            return p["camo_b"]
        if ch == "o":
            return p["camo_o"]
        return c

    cv.recolor(x0, y0, x1, y1, fn)


# --------------------------------------------------------------------------
# Kind 0: rifleman
# --------------------------------------------------------------------------

P0 = palette((82, 134, 62), (62, 104, 50), pack=(120, 110, 70))


def front_0():
    cv = Canvas(31, 29)
    p, cx = P0, 15
    torso_front(cv, cx, 8, 5, 10, p)
    legs_front(cv, cx, 18, 5, 10, p)
    arms_front(cv, cx, 8, 5, 10, p, hand_l=18, hand_r=12)
    # rifle held across the chest, muzzle up to the right
    stick(cv, 3, 21, 28, 9, [(0.28, WOOD, 2), (0.5, METAL, 2), (1.0, METAL_D, 1)])
    cv.put(28, 8, METAL_D)
    cv.rect(14, 18, 2, 2, METAL_D)          # magazine
    cv.rect(8, 18, 2, 1, p["glove"])
    cv.rect(21, 12, 2, 1, p["glove"])
    head(cv, cx, 1, p, "helmet", "front")
    return cv


def back_0():
    cv = Canvas(28, 28)
    p, cx = P0, 13
    arms_front(cv, cx, 8, 5, 9, p)
    torso_front(cv, cx, 8, 5, 9, p)
    legs_front(cv, cx, 17, 5, 10, p)
    # rifle slung diagonally across the back
    stick(cv, 2, 22, 25, 4, [(0.3, WOOD, 2), (0.5, METAL, 2), (1.0, METAL_D, 1)])
    # backpack over the rifle sling
    cv.rect(cx - 3, 9, 7, 7, p["pack"])
    cv.hline(cx - 3, cx + 3, 9, p["pack_l"])
    cv.hline(cx - 3, cx + 3, 12, p["pack_d"])
    cv.vline(cx + 3, 10, 15, p["pack_d"])
    cv.put(cx, 13, METAL_L)
    head(cv, cx, 1, p, "helmet", "back")
    return cv


def side_0():
    cv = Canvas(16, 22)
    p, x0 = P0, 8
    legs_side(cv, x0, 14, 5, 7, p)
    cv.rect(x0 + 5, 9, 2, 5, p["pack"])     # backpack
    cv.vline(x0 + 6, 9, 13, p["pack_d"])
    torso_side(cv, x0, 8, 5, 6, p)
    # rifle levelled forward
    cv.hline(9, 12, 11, WOOD)
    cv.hline(10, 12, 12, WOOD)
    cv.hline(5, 8, 11, METAL)
    cv.hline(5, 8, 12, METAL)
    cv.put(7, 13, METAL_D)
    cv.hline(1, 4, 11, METAL_D)
    # forearm reaching to the grip
    cv.rect(9, 9, 2, 2, p["sleeve"])
    cv.put(8, 10, p["sleeve"])
    cv.put(7, 10, p["glove"])
    cv.put(10, 10, p["uni_d"])
    head(cv, x0 - 1, 1, p, "helmet", "side")
    return cv


# --------------------------------------------------------------------------
# Kind 1: sniper
# --------------------------------------------------------------------------

P1 = palette((136, 122, 74), (120, 110, 64), camo_b=(108, 74, 42), camo_o=(86, 92, 44),
             pants=(124, 112, 68), boot=(70, 54, 40))


def front_1():
    cv = Canvas(11, 26)
    p, cx = P1, 5
    # long rifle held upright beside the body
    cv.vline(9, 2, 10, METAL_D)
    cv.vline(9, 11, 14, METAL)
    cv.vline(9, 15, 20, WOOD)
    cv.rect(8, 10, 1, 3, METAL_D)           # scope
    torso_front(cv, cx, 8, 2, 8, p)
    legs_front(cv, cx, 16, 2, 9, p)
    arms_front(cv, cx, 8, 2, 8, p, w=1, hand_r=14)
    camo(cv, p, 0, 8, 10, 24)
    cv.put(9, 14, p["glove"])
    head(cv, cx, 1, p, "boonie", "front")
    camo(cv, p, 0, 0, 10, 3)
    return cv


def back_1():
    cv = Canvas(31, 30)
    p, cx = P1, 15
    arms_front(cv, cx, 8, 3, 9, p, w=1)
    torso_front(cv, cx, 8, 3, 9, p)
    legs_front(cv, cx, 17, 3, 12, p)
    camo(cv, p, 0, 8, 30, 28)
    # long rifle slung across the back, scope on top
    stick(cv, 1, 20, 29, 6, [(0.22, WOOD, 2), (0.45, METAL, 2), (1.0, METAL_D, 1)])
    cv.hline(11, 15, 13, METAL_D)
    cv.hline(11, 15, 12, METAL_D)
    cv.put(11, 12, (150, 200, 220))
    head(cv, cx, 1, p, "boonie", "back")
    camo(cv, p, 0, 0, 30, 3)
    return cv


def side_1():
    cv = Canvas(8, 25)
    p, x0 = P1, 2
    # rifle slung upright on the back, muzzle above the shoulder
    cv.vline(6, 1, 9, METAL_D)
    cv.vline(6, 10, 12, METAL)
    cv.vline(6, 13, 16, WOOD)
    legs_side(cv, x0 + 1, 15, 3, 9, p)
    torso_side(cv, x0, 8, 4, 7, p)
    arm_side_down(cv, x0 + 1, 9, 5, p, w=1)
    camo(cv, p, 0, 8, 7, 23)
    head(cv, x0 - 1, 1, p, "boonie", "side")
    camo(cv, p, 0, 0, 7, 3)
    return cv


# --------------------------------------------------------------------------
# Kind 2: plasma trooper
# --------------------------------------------------------------------------

MAGENTA = (226, 40, 196)
PINK = (255, 150, 240)
PLASMA_BODY = (196, 200, 212)
PLASMA_D = (120, 124, 138)
P2 = palette((54, 118, 128), (66, 134, 144), acc=MAGENTA, acc_l=PINK, glint=MAGENTA,
             glove=(60, 62, 72), pack=(92, 96, 110), pants=(46, 92, 102))


def plasma_gun(cv, x0, y, x1):
    """Plasma rifle held sideways, emitter at x1 (to the right of x0)."""
    cv.rect(x0, y + 1, 6, 2, PLASMA_D)                  # stock
    cv.rect(x0 + 6, y, x1 - x0 - 9, 4, PLASMA_BODY)      # body
    cv.hline(x0 + 6, x1 - 4, y + 3, PLASMA_D)
    for x in range(x0 + 9, x1 - 5, 3):                   # glowing coils
        cv.vline(x, y, y + 2, MAGENTA)
    cv.rect(x1 - 3, y + 1, 2, 2, PLASMA_D)               # barrel
    cv.rect(x1 - 1, y, 2, 4, MAGENTA)                    # emitter
    cv.put(x1, y + 1, PINK)
    cv.put(x1, y + 2, PINK)


def front_2():
    cv = Canvas(40, 30)
    p, cx = P2, 19
    torso_front(cv, cx, 8, 5, 10, p)
    cv.rect(cx - 1, 10, 3, 2, MAGENTA)      # chest power light
    legs_front(cv, cx, 18, 5, 11, p)
    arms_front(cv, cx, 8, 5, 10, p, hand_l=16, hand_r=16)
    plasma_gun(cv, 3, 15, 36)
    cv.rect(12, 16, 2, 1, p["glove"])
    cv.rect(25, 16, 2, 1, p["glove"])
    head(cv, cx, 1, p, "visor", "front")
    return cv


def back_2():
    cv = Canvas(30, 28)
    p, cx = P2, 14
    arms_front(cv, cx, 8, 5, 9, p)
    torso_front(cv, cx, 8, 5, 9, p)
    legs_front(cv, cx, 17, 5, 10, p)
    # gun slung across the back, emitter up
    stick(cv, 2, 22, 27, 5, [(0.25, PLASMA_D, 2), (0.8, PLASMA_BODY, 2), (1.0, MAGENTA, 2)])
    # power pack with two glowing cells
    cv.rect(cx - 3, 9, 7, 7, p["pack"])
    cv.hline(cx - 3, cx + 3, 9, p["pack_l"])
    cv.vline(cx - 1, 10, 14, MAGENTA)
    cv.vline(cx + 1, 10, 14, MAGENTA)
    cv.put(cx - 1, 11, PINK)
    cv.put(cx + 1, 11, PINK)
    head(cv, cx, 1, p, "visor", "back")
    return cv


def side_2():
    cv = Canvas(14, 22)
    p, x0 = P2, 6
    legs_side(cv, x0, 14, 5, 7, p)
    cv.rect(x0 + 5, 9, 2, 5, p["pack"])
    cv.vline(x0 + 6, 10, 12, MAGENTA)
    torso_side(cv, x0, 8, 5, 6, p)
    # gun levelled forward, emitter glowing at the front
    cv.rect(5, 10, 6, 3, PLASMA_BODY)
    cv.hline(5, 10, 12, PLASMA_D)
    cv.vline(7, 10, 11, MAGENTA)
    cv.hline(3, 4, 11, PLASMA_D)
    cv.rect(1, 10, 2, 3, MAGENTA)
    cv.put(1, 11, PINK)
    cv.rect(8, 9, 2, 1, p["sleeve"])
    cv.put(7, 9, p["glove"])
    head(cv, x0 - 1, 1, p, "visor", "side")
    return cv


# --------------------------------------------------------------------------
# Kind 3: heavy gunner
# --------------------------------------------------------------------------

P3 = palette((140, 144, 150), (150, 154, 160), pants=(104, 108, 114),
             glove=(70, 72, 78), boot=(50, 50, 54), glint=(200, 230, 240),
             belt=(70, 72, 78), pack=(92, 94, 100))
GUN = (62, 64, 70)
GUN_L = (112, 116, 124)
BRASS = (214, 170, 70)


def heavy_gun(cv, x_muzzle, y, x_end):
    """Rotary heavy gun held sideways at the hip, barrels toward x_muzzle."""
    cv.rect(x_muzzle, y, 9, 3, GUN)                     # barrel cluster
    cv.hline(x_muzzle, x_muzzle + 8, y + 1, GUN_L)
    cv.rect(x_muzzle, y - 1, 2, 5, METAL_D)              # muzzle ring
    cv.rect(x_muzzle + 9, y - 1, x_end - x_muzzle - 9, 5, GUN)
    cv.hline(x_muzzle + 9, x_end - 1, y - 1, GUN_L)
    cv.ellipse(x_muzzle + 15, y + 3, x_muzzle + 21, y + 7, METAL_D)  # drum
    cv.put(x_muzzle + 17, y + 4, GUN_L)


def front_3():
    cv = Canvas(40, 30)
    p, cx = P3, 19
    torso_front(cv, cx, 8, 6, 10, p)
    cv.hline(cx - 6, cx + 6, 11, p["uni_d"])    # chest plate seam
    legs_front(cv, cx, 18, 6, 11, p)
    cv.rect(cx - 5, 22, 3, 2, p["uni_l"])       # knee pads
    cv.rect(cx + 3, 22, 3, 2, p["uni_l"])
    arms_front(cv, cx, 9, 6, 8, p, w=3)
    for x in (cx - 10, cx + 7):                 # shoulder pads
        cv.rect(x, 7, 4, 3, p["uni_l"])
        cv.hline(x, x + 3, 9, p["uni_d"])
    heavy_gun(cv, 2, 16, 30)
    cv.rect(10, 17, 3, 1, p["glove"])
    cv.rect(26, 17, 3, 1, p["glove"])
    for x in (cx - 4, cx + 3):                  # grenades on the belt
        cv.rect(x, 16, 2, 2, (96, 110, 60))
    head(cv, cx, 1, p, "heavy", "front")
    return cv


def back_3():
    cv = Canvas(31, 28)
    p, cx = P3, 15
    arms_front(cv, cx, 9, 6, 7, p, w=3)
    torso_front(cv, cx, 8, 6, 9, p)
    legs_front(cv, cx, 17, 6, 10, p)
    for x in (cx - 10, cx + 7):
        cv.rect(x, 7, 4, 3, p["uni_l"])
        cv.hline(x, x + 3, 9, p["uni_d"])
    # ammunition box on the back, belt feeding the gun at the side
    cv.rect(cx - 4, 9, 9, 7, p["pack"])
    cv.hline(cx - 4, cx + 4, 9, p["pack_l"])
    cv.vline(cx + 4, 10, 15, p["pack_d"])
    cv.rect(cx - 2, 11, 5, 2, p["pack_d"])
    for x in range(cx + 5, cx + 9):
        cv.put(x, 14 + (x - cx - 5) // 2, BRASS)
    cv.rect(22, 15, 8, 3, GUN)                  # gun barrels poking out
    cv.hline(22, 29, 16, GUN_L)
    cv.rect(28, 14, 2, 5, METAL_D)
    head(cv, cx, 1, p, "heavy", "back")
    return cv


def side_3():
    cv = Canvas(10, 25)
    p, x0 = P3, 3
    legs_side(cv, x0, 16, 5, 8, p)
    cv.vline(x0 + 5, 9, 15, p["pack"])
    torso_side(cv, x0, 8, 5, 8, p)
    cv.rect(x0 + 1, 7, 3, 2, p["uni_l"])        # shoulder pad
    # heavy gun at the hip, barrels forward
    cv.rect(1, 13, 6, 3, GUN)
    cv.hline(1, 6, 14, GUN_L)
    cv.rect(4, 16, 3, 2, METAL_D)
    cv.rect(x0 + 1, 9, 2, 4, p["sleeve"])
    cv.rect(x0 + 1, 13, 2, 1, p["glove"])
    head(cv, x0 - 1, 1, p, "heavy", "side")
    return cv


# --------------------------------------------------------------------------
# Kind 5: rocket trooper
# --------------------------------------------------------------------------

BLUE = (44, 116, 232)
BLUE_D = (30, 72, 160)
BLUE_L = (120, 176, 255)
P5 = palette((96, 124, 150), (46, 96, 196), pants=(78, 100, 124), acc=BLUE,
             pack=(70, 90, 118))
TUBE = (40, 104, 214)
TUBE_L = (110, 170, 255)
WARHEAD = (214, 60, 44)


def rocket_tube(cv, top, bottom):
    """Launcher resting on the shoulder, warhead up at top=(x,y).

    The tube is steep, so it is drawn row by row, three pixels wide.
    """
    (x0, y0), (x1, y1) = top, bottom
    for y in range(y0, y1 + 1):
        t = (y - y0) / (y1 - y0)
        x = round(x0 + (x1 - x0) * t)
        if y - y0 < 3:
            # rocket warhead poking out of the muzzle
            half = (y - y0 + 1) // 2
            cv.hline(x - half, x + half + 1, y, WARHEAD)
            cv.put(x - half, y, lighter(WARHEAD, 0.3))
            continue
        band = abs(t - 0.25) < 0.04 or abs(t - 0.8) < 0.04
        cv.put(x - 1, y, METAL_L if band else TUBE_L)
        cv.put(x, y, METAL if band else TUBE)
        cv.put(x + 1, y, METAL if band else TUBE)
        cv.put(x + 2, y, METAL_D if band else darker(TUBE, 0.3))
    x = round(x0 + (x1 - x0) * 3 / (y1 - y0))
    cv.hline(x - 2, x + 3, y0 + 3, BLUE_D)          # muzzle rim
    cv.hline(x1 - 2, x1 + 3, y1, BLUE_D)            # rear flare


def aerial(cv, x, y0, y1):
    """Radio antenna: the scout's mark."""
    cv.vline(x, y0 + 1, y1, METAL_D)
    cv.put(x, y0, BLUE_L)


def front_5():
    cv = Canvas(30, 30)
    p, cx = P5, 14
    aerial(cv, 20, 1, 10)
    cv.rect(18, 8, 3, 3, p["pack"])            # radio pack peeking over the shoulder
    torso_front(cv, cx, 8, 4, 10, p)
    cv.vline(cx - 3, 8, 15, BLUE)              # chest straps
    cv.vline(cx + 3, 8, 15, BLUE)
    cv.put(cx + 1, 11, BLUE_L)                 # scout badge
    legs_front(cv, cx, 18, 4, 11, p)
    arms_front(cv, cx, 8, 4, 10, p, hand_l=14)
    rocket_tube(cv, (4, 1), (12, 21))
    cv.rect(9, 14, 3, 1, p["glove"])
    head(cv, cx, 1, p, "scout", "front")
    return cv


def back_5():
    cv = Canvas(30, 30)
    p, cx = P5, 15
    arms_front(cv, cx, 8, 4, 10, p, hand_r=14)
    torso_front(cv, cx, 8, 4, 10, p)
    legs_front(cv, cx, 18, 4, 11, p)
    # radio backpack with its aerial
    aerial(cv, 10, 1, 10)
    cv.rect(cx - 4, 9, 8, 8, p["pack"])
    cv.hline(cx - 4, cx + 3, 9, lighter(p["pack"], 0.2))
    cv.vline(cx + 3, 10, 16, p["pack_d"])
    cv.rect(cx - 2, 11, 3, 2, BLUE)
    cv.put(cx - 2, 11, BLUE_L)
    cv.hline(cx - 3, cx + 2, 14, p["pack_d"])
    rocket_tube(cv, (24, 1), (16, 21))
    cv.rect(18, 14, 3, 1, p["glove"])
    head(cv, cx, 1, p, "scout", "back")
    return cv


def side_5():
    cv = Canvas(6, 28)
    p, x0 = P5, 1
    # tube carried upright on the back, rocket pointing at the sky
    cv.vline(4, 4, 17, TUBE)
    cv.put(4, 7, METAL_L)
    cv.put(4, 14, METAL_L)
    cv.vline(4, 2, 3, WARHEAD)
    cv.put(4, 1, WARHEAD)
    legs_side(cv, x0 + 1, 19, 2, 8, p)
    torso_side(cv, x0, 11, 3, 8, p)
    cv.vline(x0, 11, 17, BLUE)
    arm_side_down(cv, x0 + 1, 12, 5, p, w=1)
    head(cv, x0, 4, p, "scout", "side")
    return cv


# --------------------------------------------------------------------------
# Kind 6: builder
# --------------------------------------------------------------------------

P6 = palette((240, 128, 30), (250, 204, 40), pants=(58, 90, 160), sleeve=(72, 110, 184),
             boot=(104, 66, 36), belt=(120, 80, 40))
REFLECT = (250, 240, 196)


def front_6():
    cv = Canvas(23, 25)
    p, cx = P6, 11
    torso_front(cv, cx, 8, 4, 8, p)
    cv.hline(cx - 4, cx + 4, 11, REFLECT)      # reflective stripe
    cv.vline(cx, 8, 13, darker(p["uni"], 0.2))  # vest opening
    legs_front(cv, cx, 16, 4, 8, p)
    arms_front(cv, cx, 8, 4, 8, p, hand_l=13)
    # hammer raised in the right hand
    cv.line(6, 13, 3, 6, WOOD)
    cv.line(7, 13, 4, 6, WOOD_D)
    cv.rect(1, 4, 5, 3, METAL)
    cv.hline(1, 5, 4, METAL_L)
    cv.rect(5, 13, 2, 1, p["glove"])
    # wrench hanging from the other hand
    cv.vline(17, 16, 20, METAL_L)
    cv.rect(16, 20, 3, 2, METAL_L)
    cv.put(17, 21, METAL)
    cv.rect(16, 15, 2, 1, p["glove"])
    # tool pouch on the belt
    cv.rect(cx + 1, 15, 3, 2, WOOD)
    head(cv, cx, 1, p, "hardhat", "front")
    return cv


# --------------------------------------------------------------------------
# Kind 10: commander Tovo
# --------------------------------------------------------------------------

P10 = palette((40, 56, 116), (204, 30, 44), pants=(30, 36, 70), boot=(26, 24, 30),
              glove=WHITE, belt=GOLD_D, buckle=GOLD_L)
CAPE = (186, 28, 40)
CAPE_D = (130, 18, 30)


def medal(cv, x, y):
    cv.put(x, y, RED)
    cv.put(x + 1, y, BLUE)
    cv.put(x, y + 1, GOLD)
    cv.put(x + 1, y + 1, GOLD)


def front_10():
    cv = Canvas(27, 27)
    p, cx = P10, 13
    # cape flaring out behind the shoulders
    cv.poly([(7, 8), (20, 8), (24, 23), (3, 23)], CAPE)
    cv.line(7, 9, 3, 22, CAPE_D)
    cv.line(19, 9, 23, 22, CAPE_D)
    cv.hline(3, 23, 22, GOLD)
    torso_front(cv, cx, 8, 4, 8, p)
    cv.vline(cx, 9, 13, GOLD)                 # buttons and trim
    cv.put(cx, 10, p["uni"])
    cv.put(cx, 12, p["uni"])
    medal(cv, cx - 3, 10)
    legs_front(cv, cx, 16, 4, 10, p)
    cv.vline(cx - 4, 17, 23, RED)             # trouser stripes
    cv.vline(cx + 4, 17, 23, RED)
    arms_front(cv, cx, 8, 4, 8, p)
    for x in (cx - 6, cx + 4):                # gold epaulettes
        cv.hline(x, x + 2, 8, GOLD)
        cv.hline(x, x + 2, 9, GOLD_D)
    cv.rect(cx - 6, 14, 2, 1, GOLD)           # cuffs
    cv.rect(cx + 5, 14, 2, 1, GOLD)
    # gold-tipped baton in the left hand
    cv.vline(cx + 7, 12, 17, (60, 30, 24))
    cv.put(cx + 7, 11, GOLD)
    cv.put(cx + 7, 18, GOLD)
    head(cv, cx, 1, p, "beret", "front")
    return cv


def back_10():
    cv = Canvas(30, 29)
    p, cx = P10, 14
    legs_front(cv, cx, 17, 4, 11, p)
    arms_front(cv, cx, 8, 4, 8, p)
    torso_front(cv, cx, 8, 4, 8, p)
    # the long red cape covers the back
    cv.poly([(8, 8), (21, 8), (26, 24), (3, 24)], CAPE)
    cv.line(10, 10, 7, 23, CAPE_D)
    cv.line(19, 10, 22, 23, CAPE_D)
    cv.hline(3, 25, 23, GOLD)
    cv.line(8, 8, 3, 23, GOLD)
    cv.line(20, 8, 25, 23, GOLD)
    # gold star emblem on the cape
    cv.pmap(cx - 2, 13, ["..k..", "kkkkk", ".kkk.", "k...k"], {"k": GOLD})
    for x in (cx - 6, cx + 4):
        cv.hline(x, x + 2, 8, GOLD)
        cv.hline(x, x + 2, 9, GOLD_D)
    head(cv, cx, 1, p, "beret", "back")
    return cv


def side_10():
    cv = Canvas(7, 22)
    p, x0 = P10, 1
    cv.vline(5, 8, 18, CAPE)                 # cape hanging behind
    cv.vline(4, 16, 18, CAPE)
    cv.put(5, 18, GOLD)
    legs_side(cv, x0 + 1, 15, 3, 6, p)
    torso_side(cv, x0, 8, 4, 7, p)
    cv.put(x0 + 1, 10, GOLD)
    cv.put(x0 + 1, 11, RED)
    cv.hline(x0 + 1, x0 + 3, 8, GOLD)
    arm_side_down(cv, x0 + 2, 9, 5, p, w=1)
    head(cv, x0, 1, p, "beret", "side")
    return cv


# --------------------------------------------------------------------------
# Kind 11: super-soldier
# --------------------------------------------------------------------------

CYAN = (64, 236, 248)
CYAN_L = (206, 255, 255)
P11 = palette((120, 64, 192), (132, 74, 204), acc=CYAN, acc_l=CYAN_L, pants=(96, 50, 160),
              glove=(74, 36, 124), boot=(62, 30, 104), belt=(74, 36, 124), buckle=CYAN,
              pack=(90, 46, 150))


def front_11():
    cv = Canvas(40, 30)
    p, cx = P11, 19
    # energy blade held low in the right hand
    cv.line(12, 19, 3, 27, CYAN)
    cv.line(13, 19, 4, 27, CYAN_L)
    torso_front(cv, cx, 8, 5, 10, p)
    cv.rect(cx - 1, 10, 3, 3, CYAN)            # reactor core
    cv.put(cx, 11, CYAN_L)
    cv.hline(cx - 4, cx + 4, 14, p["uni_d"])
    legs_front(cv, cx, 18, 5, 11, p)
    cv.put(cx - 3, 22, CYAN)
    cv.put(cx + 3, 22, CYAN)
    arms_front(cv, cx, 10, 5, 8, p, w=3)
    for x in (cx - 10, cx + 6):               # big shoulder plates, lit edge
        cv.rect(x, 6, 5, 4, p["uni_l"])
        cv.hline(x, x + 4, 9, CYAN)
    # arm cannon on the left forearm
    cv.rect(cx + 6, 14, 11, 4, p["pack"])
    cv.hline(cx + 6, cx + 16, 14, p["uni_l"])
    for x in (cx + 8, cx + 11, cx + 14):
        cv.vline(x, 15, 16, CYAN)
    cv.rect(cx + 17, 13, 2, 6, CYAN)
    cv.vline(cx + 18, 14, 17, CYAN_L)
    head(cv, cx, 1, p, "power", "front")
    return cv


def back_11():
    cv = Canvas(40, 30)
    p, cx = P11, 20
    cv.line(27, 19, 36, 27, CYAN)             # blade in the right hand
    cv.line(26, 19, 35, 27, CYAN_L)
    arms_front(cv, cx, 10, 5, 8, p, w=3)
    torso_front(cv, cx, 8, 5, 10, p)
    legs_front(cv, cx, 18, 5, 11, p)
    for x in (cx - 10, cx + 6):
        cv.rect(x, 6, 5, 4, p["uni_l"])
        cv.hline(x, x + 4, 9, CYAN)
    # reactor pack with glowing vents and twin thrusters
    cv.rect(cx - 4, 8, 9, 9, p["pack"])
    cv.hline(cx - 4, cx + 4, 8, p["uni_l"])
    for y in (10, 12, 14):
        cv.hline(cx - 2, cx + 2, y, CYAN)
    cv.rect(cx - 4, 17, 3, 2, METAL_D)
    cv.rect(cx + 2, 17, 3, 2, METAL_D)
    cv.hline(cx - 4, cx - 2, 18, CYAN)
    cv.hline(cx + 2, cx + 4, 18, CYAN)
    # arm cannon on the left forearm, now on the viewer's left
    cv.rect(cx - 16, 14, 11, 4, p["pack"])
    cv.hline(cx - 16, cx - 6, 14, p["uni_l"])
    for x in (cx - 8, cx - 11, cx - 14):
        cv.vline(x, 15, 16, CYAN)
    cv.rect(cx - 18, 13, 2, 6, CYAN)
    head(cv, cx, 1, p, "power", "back")
    return cv


def side_11():
    cv = Canvas(16, 23)
    p, x0 = P11, 7
    legs_side(cv, x0, 15, 6, 7, p)
    cv.rect(x0 + 6, 8, 2, 7, p["pack"])       # reactor pack
    cv.vline(x0 + 7, 9, 13, CYAN)
    torso_side(cv, x0, 8, 6, 7, p)
    cv.rect(x0 + 1, 7, 4, 3, p["uni_l"])      # shoulder plate
    cv.hline(x0 + 1, x0 + 4, 9, CYAN)
    # arm cannon pointing forward
    cv.rect(3, 11, 8, 3, p["pack"])
    cv.hline(3, 10, 11, p["uni_l"])
    cv.put(5, 12, CYAN)
    cv.put(8, 12, CYAN)
    cv.rect(1, 10, 2, 5, CYAN)
    cv.vline(1, 11, 13, CYAN_L)
    head(cv, x0 - 1, 1, p, "power", "side")
    return cv


# --------------------------------------------------------------------------
# Kind 4: tank
# --------------------------------------------------------------------------

OLIVE = (110, 124, 58)
OLIVE_L = (150, 164, 84)
OLIVE_D = (76, 86, 40)
OLIVE_DD = (54, 62, 30)
TRACK = (52, 54, 50)
TRACK_L = (96, 98, 90)
WHEEL = (118, 120, 108)
STAR = (236, 232, 200)


def star(cv, x, y, c=STAR):
    """A 5-pixel-wide star: the army's marking."""
    cv.pmap(x, y, ["..k..", "kkkkk", ".kkk.", "k...k"], {"k": c})


def tank_side():
    """Tank in profile, facing left."""
    cv = Canvas(80, 50)
    # tracks with road wheels
    cv.poly([(8, 35), (72, 35), (76, 41), (71, 48), (13, 48), (5, 41)], TRACK)
    cv.hline(9, 71, 35, TRACK_L)
    for x in range(14, 70, 3):
        cv.put(x, 47, TRACK_L)
    for x in (17, 27, 37, 47, 57, 66):
        cv.ellipse(x - 4, 37, x + 4, 45, WHEEL)
        cv.ellipse(x - 1, 40, x + 1, 42, TRACK)
        cv.put(x - 2, 38, lighter(WHEEL, 0.3))
    cv.ellipse(6, 37, 12, 43, WHEEL)             # drive sprocket
    cv.ellipse(8, 39, 10, 41, TRACK)
    # hull with sloped front
    cv.poly([(4, 34), (14, 24), (72, 24), (76, 34)], OLIVE)
    cv.line(5, 33, 14, 24, OLIVE_L)
    cv.hline(14, 71, 24, OLIVE_L)
    cv.hline(5, 75, 33, OLIVE_D)
    cv.hline(5, 75, 34, OLIVE_DD)                # track guard
    cv.rect(62, 27, 8, 4, OLIVE_D)               # stowage box
    cv.hline(62, 69, 27, OLIVE_L)
    cv.rect(10, 28, 2, 2, FIRE_Y)                 # headlight
    cv.rect(72, 25, 3, 3, METAL_D)                # exhaust
    # turret
    cv.poly([(24, 24), (28, 14), (34, 11), (58, 11), (62, 16), (62, 24)], OLIVE)
    cv.line(28, 14, 34, 11, OLIVE_L)
    cv.hline(34, 57, 11, OLIVE_L)
    cv.hline(25, 61, 23, OLIVE_D)
    cv.vline(61, 16, 23, OLIVE_D)
    star(cv, 42, 16)
    # cannon
    cv.rect(20, 15, 6, 6, OLIVE_D)                # mantlet
    cv.rect(6, 16, 14, 3, OLIVE)
    cv.hline(6, 19, 16, OLIVE_L)
    cv.hline(6, 19, 18, OLIVE_D)
    cv.rect(2, 15, 4, 5, OLIVE_DD)                 # muzzle brake
    cv.vline(3, 15, 19, OLIVE_D)
    # commander's cupola, machine gun and aerial
    cv.rect(44, 7, 9, 4, OLIVE_D)
    cv.hline(44, 52, 7, OLIVE_L)
    cv.hline(38, 44, 8, METAL_D)
    cv.vline(58, 2, 11, METAL_D)
    cv.put(58, 1, RED)
    return cv


def tank_front():
    """Tank seen from above and in front: cannon pointing at the viewer."""
    cv = Canvas(50, 50)
    for x0 in (3, 37):                            # tracks
        cv.rect(x0, 4, 10, 42, TRACK)
        cv.vline(x0, 5, 44, TRACK_L)
        for y in range(6, 45, 3):
            cv.hline(x0 + 1, x0 + 8, y, TRACK_L)
    cv.rect(11, 5, 28, 40, OLIVE)                 # hull deck
    cv.hline(11, 38, 5, OLIVE_L)
    cv.vline(11, 5, 44, OLIVE_L)
    cv.vline(38, 5, 44, OLIVE_D)
    cv.rect(11, 36, 28, 10, OLIVE_D)              # front glacis plate
    cv.hline(11, 38, 36, OLIVE_L)
    cv.rect(13, 39, 3, 2, FIRE_Y)                  # headlights
    cv.rect(34, 39, 3, 2, FIRE_Y)
    cv.hline(13, 36, 44, OLIVE_DD)
    cv.rect(16, 8, 5, 4, OLIVE_D)                  # engine hatches
    cv.rect(29, 8, 5, 4, OLIVE_D)
    # turret
    cv.ellipse(13, 12, 36, 33, OLIVE_DD)
    cv.ellipse(14, 12, 35, 31, OLIVE_L)             # sunlit rim
    cv.ellipse(15, 13, 35, 31, OLIVE)
    cv.ellipse(26, 15, 32, 21, OLIVE_D)            # hatch
    cv.ellipse(27, 16, 31, 20, OLIVE)
    star(cv, 16, 22)
    # cannon coming toward the viewer, bore visible at the end
    cv.rect(22, 28, 6, 15, OLIVE)
    cv.vline(22, 28, 42, OLIVE_L)
    cv.vline(27, 28, 42, OLIVE_D)
    cv.rect(20, 42, 10, 6, OLIVE_DD)
    cv.rect(21, 43, 8, 4, OLIVE_D)
    cv.rect(23, 44, 4, 2, (20, 20, 20))
    return cv


def tank_back():
    """Tank seen from above and behind: cannon pointing away."""
    cv = Canvas(42, 43)
    for x0 in (2, 31):
        cv.rect(x0, 8, 9, 33, TRACK)
        cv.vline(x0, 9, 39, TRACK_L)
        for y in range(9, 40, 3):
            cv.hline(x0 + 1, x0 + 7, y, TRACK_L)
    cv.rect(9, 9, 24, 31, OLIVE)
    cv.hline(9, 32, 9, OLIVE_L)
    cv.vline(9, 9, 39, OLIVE_L)
    cv.vline(32, 9, 39, OLIVE_D)
    # engine deck with grille and exhausts
    cv.rect(12, 30, 18, 7, OLIVE_D)
    for y in (31, 33, 35):
        cv.hline(13, 28, y, OLIVE_DD)
    cv.rect(11, 38, 20, 3, OLIVE_DD)
    cv.rect(13, 38, 3, 2, METAL_D)
    cv.rect(26, 38, 3, 2, METAL_D)
    cv.put(11, 39, FIRE)
    cv.put(30, 39, FIRE)
    # turret and cannon
    cv.rect(18, 1, 6, 4, OLIVE_DD)
    cv.rect(19, 4, 4, 10, OLIVE)
    cv.vline(19, 4, 13, OLIVE_L)
    cv.vline(22, 4, 13, OLIVE_D)
    cv.ellipse(11, 11, 30, 28, OLIVE_DD)
    cv.ellipse(12, 11, 29, 27, OLIVE_L)
    cv.ellipse(13, 12, 29, 27, OLIVE)
    cv.ellipse(22, 19, 27, 24, OLIVE_D)
    cv.rect(13, 19, 6, 5, OLIVE_D)                 # stowage bin
    star(cv, 19, 13)
    return cv


def front_4():
    return tank_front()


def back_4():
    return tank_back()


def side_4():
    return tank_side()


# --------------------------------------------------------------------------
# Enemy
# --------------------------------------------------------------------------

EN_BLACK = (30, 14, 18)
EN_DARK = (70, 18, 26)
EN_RED = (156, 24, 32)
EN_BRIGHT = (220, 46, 40)
EN_EYE = (255, 56, 32)
EN_HOT = (255, 214, 96)
BONE = (226, 214, 190)


def enemy_leg(cv, hip, knee, foot):
    cv.line(*hip, *knee, EN_DARK)
    cv.line(hip[0], hip[1] + 1, knee[0], knee[1] + 1, EN_BLACK)
    cv.line(*knee, *foot, EN_DARK)
    cv.put(*knee, EN_RED)
    cv.put(foot[0], foot[1], BONE)


def ene():
    cv = Canvas(34, 30)
    # four jointed legs splayed to each side
    for s in (-1, 1):
        def X(x):
            return 16.5 + s * (x - 16.5)
        enemy_leg(cv, (round(X(10)), 12), (round(X(4)), 5), (round(X(2)), 23))
        enemy_leg(cv, (round(X(11)), 17), (round(X(6)), 14), (round(X(6)), 28))
    # back spikes
    for x, top in ((10, 4), (13, 2), (16, 1), (17, 1), (20, 2), (23, 4)):
        cv.poly([(x - 1.5, 10), (x + 0.5, top), (x + 2.5, 10)], EN_BLACK)
        # a lit edge so the spikes show against the dark body
        cv.line(x, top + 1, x - 1, 9, EN_RED)
        cv.put(x, top, EN_BRIGHT)
    # armoured body
    cv.ellipse(8, 7, 25, 21, EN_BLACK)
    cv.ellipse(9, 7, 24, 19, EN_DARK)
    cv.ellipse(11, 8, 22, 14, EN_RED)
    cv.hline(13, 20, 8, EN_BRIGHT)
    cv.vline(16, 9, 13, EN_DARK)
    cv.vline(17, 9, 13, EN_DARK)
    # head with three burning eyes
    cv.ellipse(11, 14, 22, 22, EN_BLACK)
    for x in (13, 19):
        cv.rect(x, 16, 2, 2, EN_EYE)
        cv.put(x + (1 if x < 16 else 0), 16, EN_HOT)
    cv.rect(16, 14, 2, 1, EN_EYE)
    # fangs and a plasma spitter under the jaw
    cv.vline(14, 20, 23, BONE)
    cv.vline(19, 20, 23, BONE)
    cv.rect(16, 21, 2, 3, EN_RED)
    cv.put(16, 24, EN_EYE)
    cv.put(17, 24, EN_EYE)
    return cv


# --------------------------------------------------------------------------
# Wrecks
# --------------------------------------------------------------------------

def wreck_player():
    cv = Canvas(40, 30)
    cv.ellipse(3, 20, 36, 28, (104, 94, 72))          # churned ground
    cv.ellipse(9, 22, 30, 27, (76, 68, 52))
    # toppled helmet
    cv.ellipse(5, 17, 13, 23, P0["helm"])
    cv.hline(4, 14, 22, P0["helm_d"])
    cv.put(7, 18, P0["helm_l"])
    # rifle snapped in two
    cv.line(15, 25, 21, 22, WOOD)
    cv.line(15, 26, 21, 23, WOOD_D)
    cv.line(26, 20, 35, 23, METAL)
    cv.line(26, 21, 34, 24, METAL_D)
    # torn metal plates and green cloth
    cv.poly([(23, 23), (29, 22), (31, 26), (24, 27)], METAL_L)
    cv.line(24, 26, 30, 25, METAL)
    cv.poly([(10, 25), (15, 23), (13, 28)], P0["uni"])
    cv.poly([(31, 17), (36, 18), (34, 21)], P0["uni_d"])
    # small fire
    cv.poly([(16, 21), (18, 13), (20, 17), (22, 12), (24, 21)], FIRE_R)
    cv.poly([(17, 21), (19, 15), (20, 18), (22, 14), (23, 21)], FIRE)
    cv.poly([(19, 21), (20, 17), (22, 21)], FIRE_Y)
    # a column of smoke puffs drifting up and to the right
    # separate puffs, so each gets its own outline and reads as smoke
    for x0, y0, x1, y1, c in ((16, 5, 23, 11, SMOKE), (25, 1, 30, 5, SMOKE_L),
                              (11, 3, 14, 6, SMOKE_D)):
        cv.ellipse(x0, y0, x1, y1, c)
        cv.put(x0 + 2, y0 + 1, lighter(c, 0.35))
        cv.put(x0 + 1, y0 + 2, lighter(c, 0.35))
    return cv


def wreck_enemy():
    cv = Canvas(40, 30)
    # scorch mark with splashes
    cv.ellipse(2, 15, 37, 28, (52, 34, 30))
    cv.ellipse(7, 17, 32, 27, (34, 22, 22))
    for x0, y0, x1, y1 in ((1, 21, 5, 22), (34, 18, 38, 19), (18, 13, 20, 16)):
        cv.rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1, (52, 34, 30))
    # shattered carapace
    cv.poly([(9, 22), (14, 16), (20, 18), (17, 24)], EN_DARK)
    cv.line(14, 17, 19, 19, EN_RED)
    cv.poly([(22, 20), (29, 17), (32, 22), (25, 25)], EN_RED)
    cv.line(23, 20, 29, 18, EN_BRIGHT)
    # broken spikes lying around
    cv.poly([(4, 26), (11, 24), (5, 23)], EN_BLACK)
    cv.poly([(30, 26), (36, 23), (34, 27)], EN_BLACK)
    cv.poly([(18, 27), (22, 25), (23, 27)], EN_BLACK)
    # a bent leg, still twitching upward
    cv.line(26, 16, 30, 9, EN_DARK)
    cv.line(30, 9, 34, 12, EN_DARK)
    cv.put(34, 13, BONE)
    # the dead eye and glowing embers
    cv.rect(12, 19, 2, 2, (120, 30, 24))
    for x, y in ((8, 25), (21, 23), (27, 26), (33, 21)):
        cv.put(x, y, FIRE)
    # thin dark smoke
    cv.ellipse(16, 8, 21, 12, (70, 58, 64))
    cv.ellipse(21, 2, 25, 6, (96, 84, 90))
    cv.put(22, 3, (130, 118, 124))
    return cv


# --------------------------------------------------------------------------
# Priest (cheat picture for every enemy)
# --------------------------------------------------------------------------

def prete():
    cv = Canvas(27, 27)
    black, black_l = (34, 32, 40), (76, 74, 88)
    # cassock widening to the ground, arms folded over a book
    cv.poly([(8, 15), (19, 15), (23, 26), (4, 26)], black)
    cv.line(8, 16, 5, 25, black_l)
    for y in range(17, 26, 2):
        cv.put(13, y, (110, 110, 124))
    cv.rect(9, 19, 9, 2, black_l)
    cv.rect(10, 19, 2, 2, SKIN)
    cv.rect(15, 19, 2, 2, SKIN)
    cv.rect(12, 18, 3, 4, RED_D)               # prayer book
    cv.vline(12, 18, 21, GOLD)
    cv.pmap(13, 15, ["k", "k"], {"k": GOLD})
    cv.put(12, 16, GOLD)
    cv.put(14, 16, GOLD)
    cv.rect(8, 25, 4, 1, (16, 14, 18))
    cv.rect(15, 25, 4, 1, (16, 14, 18))
    # white collar
    cv.rect(12, 14, 3, 1, WHITE)
    # round jolly face
    cv.ellipse(9, 7, 17, 14, SKIN)
    cv.put(11, 10, EYE)
    cv.put(15, 10, EYE)
    cv.put(10, 11, (240, 140, 130))
    cv.put(16, 11, (240, 140, 130))
    cv.pmap(11, 12, ["e...e", ".eee."], {"e": (140, 60, 50)})
    # round hat: wide brim and a dome
    cv.ellipse(8, 1, 18, 7, black)
    cv.ellipse(3, 5, 23, 9, black)
    cv.hline(6, 20, 6, black_l)
    cv.put(11, 2, black_l)
    cv.put(10, 3, black_l)
    return cv


# --------------------------------------------------------------------------
# Buildings
# --------------------------------------------------------------------------

STONE = (214, 194, 150)
STONE_L = (236, 222, 186)
STONE_D = (170, 148, 106)
ROOF = (56, 100, 90)
ROOF_L = (86, 136, 122)
ROOF_D = (36, 70, 62)
GLASS = (96, 160, 214)
GLASS_L = (180, 220, 246)
LIT = (255, 222, 110)
FLAG = (46, 102, 206)
FLAG_D = (30, 70, 150)
FOUND = (128, 126, 122)
FOUND_L = (160, 158, 152)


def brick_wall(cv, x0, y0, x1, y1):
    cv.rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1, STONE)
    for y in range(y0 + 3, y1, 4):
        cv.hline(x0, x1, y, STONE_D)
        off = 0 if (y // 4) % 2 else 4
        for x in range(x0 + off, x1, 8):
            cv.vline(x, y - 3, y - 1, STONE_D)
    cv.vline(x0, y0, y1, STONE_L)
    cv.vline(x1, y0, y1, STONE_D)


def tile_row(cv, x0, x1, y):
    """A shaded row of roof tiles, only where the roof already is."""
    for x in range(x0, x1 + 1):
        if cv.get(x, y) == ROOF:
            cv.put(x, y, ROOF_D)


def window(cv, x, y, w, h, lit=False):
    cv.rect(x - 1, y - 1, w + 2, h + 2, WOOD_D)
    cv.rect(x, y, w, h, LIT if lit else GLASS)
    cv.vline(x + w // 2, y, y + h - 1, WOOD_D)
    cv.hline(x, x + w - 1, y + h // 2, WOOD_D)
    cv.put(x, y, GLASS_L if not lit else (255, 248, 200))
    cv.hline(x - 1, x + w, y + h + 1, STONE_L)


def flag(cv, x, y_top, y_bottom, w, h):
    """Pole at x with a blue flag carrying the army star."""
    cv.vline(x, y_top + 1, y_bottom, METAL_L)
    cv.vline(x + 1, y_top + 1, y_bottom, METAL)
    cv.put(x, y_top, GOLD)
    cv.put(x + 1, y_top, GOLD)
    cv.poly([(x + 2, y_top + 2), (x + 2 + w, y_top + 3), (x + 2 + w - 3, y_top + 2 + h // 2),
             (x + 2 + w, y_top + 2 + h), (x + 2, y_top + 2 + h)], FLAG)
    cv.hline(x + 2, x + w - 2, y_top + 2 + h - 1, FLAG_D)
    star(cv, x + 3 + w // 4, y_top + 3 + h // 2 - 2, WHITE)


def door(cv, x, y, w, h, trim=WOOD_D):
    cv.rect(x - 1, y - 1, w + 2, h + 1, trim)
    cv.rect(x, y + 2, w, h - 2, WOOD)
    cv.hline(x + 1, x + w - 2, y + 1, WOOD)
    cv.hline(x + 2, x + w - 3, y, WOOD)
    for xx in range(x + 2, x + w - 1, 3):
        cv.vline(xx, y + 3, y + h - 1, WOOD_D)
    cv.put(x + w - 3, y + h // 2 + 1, GOLD)


SAND = (196, 176, 124)
SAND_D = (150, 130, 86)
SAND_L = (224, 210, 166)


def sandbags(cv, x, y, n_bottom):
    """A stacked sandbag wall: each row one bag shorter, bags offset by half."""
    for row in range(n_bottom):
        for i in range(n_bottom - row):
            bx = x + i * 6 + row * 3
            by = y - row * 3
            cv.ellipse(bx, by, bx + 6, by + 3, SAND_D)
            cv.ellipse(bx, by, bx + 5, by + 2, SAND)
            cv.hline(bx + 2, bx + 3, by, SAND_L)


def image2():
    """The headquarters the player trains units from."""
    cv = Canvas(78, 87)
    flag(cv, 38, 1, 27, 16, 11)
    # roof
    cv.poly([(4, 41), (16, 25), (62, 25), (74, 41)], ROOF)
    for y in range(28, 41, 3):
        tile_row(cv, 4, 74, y)
    cv.hline(16, 61, 25, ROOF_L)
    cv.line(4, 40, 16, 25, ROOF_L)
    cv.rect(3, 40, 73, 2, ROOF_D)
    # walls
    brick_wall(cv, 7, 42, 70, 79)
    window(cv, 13, 47, 8, 7)
    window(cv, 57, 47, 8, 7)
    window(cv, 13, 62, 8, 7)
    window(cv, 57, 62, 8, 7)
    # sign above the door and the door itself
    cv.rect(31, 45, 16, 6, FLAG)
    cv.hline(31, 46, 45, GOLD)
    cv.hline(31, 46, 50, GOLD)
    star(cv, 37, 46, WHITE)
    door(cv, 32, 57, 14, 23)
    # foundation and steps
    cv.rect(5, 80, 68, 3, FOUND)
    cv.hline(5, 72, 80, FOUND_L)
    cv.rect(29, 80, 20, 2, FOUND_L)
    cv.rect(27, 82, 24, 3, FOUND)
    cv.hline(27, 50, 82, FOUND_L)
    sandbags(cv, 1, 81, 3)
    sandbags(cv, 57, 81, 3)
    return cv


def tower(cv, x0, x1, y_top, y_bottom, seed):
    """A side tower with a pointed roof and windows on every floor."""
    brick_wall(cv, x0, y_top + 12, x1, y_bottom)
    cx = (x0 + x1) // 2
    cv.rect(x0 - 1, y_top + 10, x1 - x0 + 3, 3, GOLD_D)       # gold cornice
    cv.hline(x0 - 1, x1 + 1, y_top + 10, GOLD)
    cv.poly([(x0 - 1, y_top + 10), (cx + 0.5, y_top), (x1 + 2, y_top + 10)], ROOF)
    cv.line(x0, y_top + 9, cx, y_top + 1, ROOF_L)
    cv.put(cx, y_top - 1, GOLD)
    cv.put(cx, y_top - 2, GOLD_L)
    for i, y in enumerate(range(y_top + 17, y_bottom - 8, 13)):
        window(cv, cx - 3, y, 7, 7, lit=(i + seed) % 2 == 0)


def sparkle(cv, x, y):
    cv.put(x, y, WHITE)
    cv.put(x - 1, y, GOLD_L)
    cv.put(x + 1, y, GOLD_L)
    cv.put(x, y - 1, GOLD_L)
    cv.put(x, y + 1, GOLD_L)


def front_30():
    """The evolved headquarters: towers, more floors, gold and a big flag."""
    cv = Canvas(100, 100)
    flag(cv, 49, 1, 26, 22, 14)
    # central keep
    cv.poly([(26, 36), (36, 24), (64, 24), (74, 36)], ROOF)
    for y in range(27, 36, 3):
        tile_row(cv, 26, 74, y)
    cv.hline(36, 63, 24, ROOF_L)
    cv.rect(25, 35, 51, 3, GOLD_D)
    cv.hline(25, 75, 35, GOLD)
    brick_wall(cv, 28, 38, 72, 89)
    for y, lit in ((42, True), (56, False)):
        for x in (32, 45, 60):
            window(cv, x, y, 8, 8, lit=lit if x != 45 else not lit)
    window(cv, 32, 70, 8, 8, True)
    window(cv, 60, 70, 8, 8, True)
    # grand doorway with gold trim
    cv.rect(42, 67, 16, 23, GOLD_D)
    cv.hline(43, 56, 66, GOLD_D)
    door(cv, 43, 68, 14, 22, trim=GOLD)
    cv.rect(44, 63, 12, 3, FLAG)
    star(cv, 48, 62, GOLD)
    # two towers
    tower(cv, 8, 26, 16, 89, 0)
    tower(cv, 74, 92, 16, 89, 1)
    # steps and foundation
    cv.rect(4, 90, 93, 3, FOUND)
    cv.hline(4, 96, 90, FOUND_L)
    cv.rect(38, 93, 24, 2, FOUND_L)
    cv.rect(35, 95, 30, 3, FOUND)
    cv.hline(35, 64, 95, FOUND_L)
    # shine
    for x, y in ((20, 21), (81, 25), (33, 43), (69, 30), (53, 4)):
        sparkle(cv, x, y)
    return cv


ROCK = (136, 118, 98)
ROCK_L = (170, 152, 130)
ROCK_D = (98, 84, 70)
SHAFT = (30, 22, 18)
RAIL = (110, 112, 120)


def nugget(cv, x, y, big=False):
    if big:
        cv.poly([(x, y + 2), (x + 2, y), (x + 5, y + 1), (x + 5, y + 4), (x + 1, y + 4)], GOLD)
        cv.put(x + 2, y + 1, GOLD_L)
        cv.hline(x + 1, x + 4, y + 4, GOLD_D)
    else:
        cv.rect(x, y, 3, 2, GOLD)
        cv.put(x, y, GOLD_L)
        cv.put(x + 2, y + 1, GOLD_D)


def image3_0():
    """A gold mine: head-frame over the shaft, rails and an ore cart."""
    cv = Canvas(82, 81)
    # rocky hill
    cv.poly([(2, 78), (6, 58), (14, 46), (26, 40), (42, 42), (54, 52), (60, 66), (62, 78)], ROCK)
    cv.poly([(6, 58), (14, 46), (26, 40), (22, 50), (12, 60)], ROCK_L)
    for a, b in (((20, 60), (14, 70)), ((48, 54), (55, 66)), ((34, 46), (40, 50))):
        cv.line(*a, *b, ROCK_D)
    # shaft entrance framed by timber
    cv.rect(22, 58, 18, 20, SHAFT)
    cv.rect(20, 56, 2, 22, WOOD)
    cv.rect(40, 56, 2, 22, WOOD)
    cv.rect(18, 54, 26, 3, WOOD_L)
    cv.hline(18, 43, 56, WOOD_D)
    # head-frame (derrick) with sheave wheel and rope
    for a, b in (((21, 54), (29, 10)), ((41, 54), (33, 10))):
        cv.line(*a, *b, WOOD_D)
        cv.line(a[0] + 1, a[1], b[0] + 1, b[1], WOOD)
    for y in (22, 34, 46):
        cv.hline(23 + (46 - y) // 5, 39 - (46 - y) // 5, y, WOOD_D)
    cv.line(24, 46, 37, 22, WOOD_D)
    cv.line(38, 46, 25, 22, WOOD_D)
    cv.ellipse(25, 3, 37, 15, METAL_D)
    cv.ellipse(27, 5, 35, 13, METAL)
    cv.erase_ellipse(28, 6, 34, 12)
    cv.line(31, 4, 31, 14, METAL_D)
    cv.line(26, 9, 36, 9, METAL_D)
    cv.ellipse(30, 8, 32, 10, METAL_L)
    cv.vline(37, 9, 60, METAL_L)                  # hoist rope
    cv.rect(35, 60, 5, 4, METAL)                  # bucket
    # rails out of the shaft
    cv.rect(40, 74, 40, 1, WOOD_D)
    for x in range(42, 80, 4):
        cv.rect(x, 73, 2, 4, WOOD_D)
    cv.hline(40, 79, 73, RAIL)
    cv.hline(40, 79, 76, RAIL)
    # ore cart heaped with gold
    cv.poly([(52, 60), (76, 60), (73, 71), (55, 71)], METAL)
    cv.hline(52, 76, 60, METAL_L)
    cv.hline(55, 72, 70, METAL_D)
    for x in (56, 64, 72):
        cv.put(x, 63, METAL_L)
    cv.ellipse(55, 69, 59, 73, (30, 30, 34))
    cv.ellipse(68, 69, 72, 73, (30, 30, 34))
    cv.put(57, 71, METAL_L)
    cv.put(70, 71, METAL_L)
    cv.poly([(53, 60), (58, 54), (64, 52), (70, 54), (75, 60)], GOLD_D)
    for x, y in ((56, 56), (61, 53), (66, 54), (70, 56), (63, 57)):
        nugget(cv, x, y, big=(x % 2 == 0))
    # nugget pile and a pickaxe by the entrance
    cv.poly([(2, 78), (5, 72), (10, 70), (15, 73), (17, 78)], GOLD_D)
    for x, y in ((4, 73), (9, 71), (11, 74), (6, 75)):
        nugget(cv, x, y, big=(x % 2 == 1))
    cv.line(46, 77, 52, 65, WOOD)
    cv.poly([(48, 64), (53, 63), (57, 66), (52, 65)], METAL_L)
    return cv


# --------------------------------------------------------------------------
# Icon
# --------------------------------------------------------------------------

def icon():
    """Commander Tovo's face in a gold roundel, 32x32 scaled by 8."""
    cv = Canvas(32, 32)
    cv.ellipse(1, 1, 30, 30, GOLD_D)
    cv.ellipse(2, 2, 29, 29, GOLD)
    cv.ellipse(4, 4, 27, 27, (36, 58, 130))
    cv.ellipse(5, 5, 26, 26, (46, 74, 156))
    # collar and shoulders
    cv.ellipse(6, 23, 25, 34, P10["uni"])
    cv.rect(7, 24, 4, 2, GOLD)
    cv.rect(21, 24, 4, 2, GOLD)
    cv.rect(14, 24, 4, 4, WHITE)
    cv.vline(15, 25, 28, GOLD)
    # face
    cv.ellipse(10, 10, 21, 24, SKIN)
    cv.vline(21, 14, 20, SKIN_D)
    cv.rect(12, 15, 2, 2, EYE)
    cv.rect(18, 15, 2, 2, EYE)
    cv.hline(12, 13, 14, HAIR)
    cv.hline(18, 19, 14, HAIR)
    cv.put(16, 18, SKIN_D)
    cv.rect(12, 19, 8, 2, (70, 44, 30))
    cv.put(11, 20, (70, 44, 30))
    cv.put(20, 20, (70, 44, 30))
    cv.hline(14, 17, 22, (170, 80, 70))
    cv.vline(10, 12, 16, HAIR)
    cv.vline(21, 12, 15, HAIR)
    # red beret with gold badge
    cv.ellipse(7, 5, 23, 13, P10["helm"])
    cv.ellipse(8, 5, 16, 9, lighter(P10["helm"], 0.25))
    cv.ellipse(8, 6, 22, 13, P10["helm"])
    cv.hline(9, 22, 12, darker(P10["helm"], 0.3))
    cv.hline(9, 22, 13, darker(P10["helm"], 0.3))
    star(cv, 17, 8, GOLD)
    cv.outline()
    img = cv.to_rgba()
    return img.resize((256, 256), Image.NEAREST)


# --------------------------------------------------------------------------
# Output
# --------------------------------------------------------------------------

def pictures():
    """Every GIF as (file base name, expected size, drawing function)."""
    side0, side1, side2, side3 = side_0(), side_1(), side_2(), side_3()
    side4, side5, side10, side11 = side_4(), side_5(), side_10(), side_11()
    out = [
        ("front_0", (31, 29), front_0()), ("backimage_0", (28, 28), back_0()),
        ("sideimagel_0", (16, 22), side0), ("sideimager_0", (16, 22), side0.mirrored()),
        ("front_1", (11, 26), front_1()), ("backimage_1", (31, 30), back_1()),
        ("sideimagel_1", (8, 25), side1), ("sideimager_1", (8, 25), side1.mirrored()),
        ("front_2", (40, 30), front_2()), ("backimage_2", (30, 28), back_2()),
        ("sideimagel_2", (14, 22), side2), ("sideimager_2", (14, 22), side2.mirrored()),
        ("front_3", (40, 30), front_3()), ("backimage_3", (31, 28), back_3()),
        ("sideimagel_3", (10, 25), side3), ("sideimager_3", (10, 25), side3.mirrored()),
        ("front_4", (50, 50), front_4()), ("backimage_4", (42, 43), back_4()),
        ("sideimagel_4", (80, 50), side4), ("sideimager_4", (80, 50), side4.mirrored()),
        ("front_5", (30, 30), front_5()), ("backimage_5", (30, 30), back_5()),
        ("sideimagel_5", (6, 28), side5), ("sideimager_5", (6, 28), side5.mirrored()),
        ("front_6", (23, 25), front_6()),
        ("front_10", (27, 27), front_10()), ("backimage_10", (30, 29), back_10()),
        ("sideimagel_10", (7, 22), side10), ("sideimager_10", (7, 22), side10.mirrored()),
        ("front_11", (40, 30), front_11()), ("backimage_11", (40, 30), back_11()),
        ("sideimagel_11", (16, 23), side11), ("sideimager_11", (16, 23), side11.mirrored()),
        ("front_30", (100, 100), front_30()),
        ("image2", (78, 87), image2()),
        ("image3_0", (82, 81), image3_0()),
        ("ene", (34, 30), ene()),
        ("image1_0", (40, 30), wreck_player()),
        ("image1_1", (40, 30), wreck_enemy()),
        ("prete", (27, 27), prete()),
    ]
    # The training buttons show each trainable unit in its usual pose.
    by_name = {name: cv for name, _, cv in out}
    for kind, source in ((0, "front_0"), (1, "front_1"), (2, "front_2"), (3, "front_3"),
                         (4, "sideimager_4"), (5, "front_5"), (6, "front_6")):
        cv = by_name[source]
        out.append((f"command1_{kind}", (cv.w, cv.h), cv))
    return out


def main():
    written = []
    for name, size, cv in pictures():
        assert (cv.w, cv.h) == size, (name, cv.w, cv.h, size)
        # Training buttons share their canvas with a unit picture: outline once.
        if not getattr(cv, "outlined", False):
            cv.outline()
            cv.outlined = True
        path = os.path.join(HERE, name + ".gif")
        cv.to_gif_image().save(path, transparency=0, optimize=False)
        written.append((path, size))
    icon_path = os.path.join(HERE, "icon.png")
    icon().save(icon_path)

    # Re-open everything: exact size, transparent corners, hard edges only.
    for path, size in written:
        with Image.open(path) as im:
            assert im.size == size, (path, im.size, size)
            assert im.mode == "P", (path, im.mode)
            t = im.info.get("transparency")
            assert t is not None, path
            w, h = size
            for corner in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
                assert im.getpixel(corner) == t, (path, corner)
    with Image.open(icon_path) as im:
        assert im.size == (256, 256) and im.mode == "RGBA"
        assert im.getpixel((0, 0))[3] == 0
        assert {a for a in im.getchannel("A").getdata()} <= {0, 255}
    print(f"draw_art: wrote {len(written)} GIFs and icon.png to {HERE}; all sizes and transparency verified")


if __name__ == "__main__":
    main()
