#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Kolvar developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The desktop icons of Kolvar, in every hicolor size from 16 to 256 px.

Run from the project root, after assets/draw_art.py has drawn assets/icon.png:

    /usr/bin/python3 packaging/make_icons.py

It writes packaging/icons/hicolor/NxN/apps/org.kolvar.kolvar.png and re-opens
each file to check it.

The icon is Commander Tovo's face in a gold roundel.  Its art is 32x32
(assets/icon.png holds it scaled by 8), so 32, 64, 128 and 256 are that art
at whole multiples.  Below 32 px a resampled face would lose its eyes and
moustache, so the small sizes are drawn again by hand, in the same palette
and with the same tools as the game's sprites: a 16x16 face, and a 24x24 one
that also makes 48 (doubled) and 22 (its free border cut off).  Every size is
nearest-neighbour only: no pixel is ever blended.
"""

import os
import sys

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "assets"))
sys.dont_write_bytecode = True  # leave no __pycache__ in assets/

from draw_art import (  # noqa: E402  (the game's own drawing kit)
    Canvas, EYE, GOLD, GOLD_D, HAIR, P10, SKIN, SKIN_D, WHITE, darker, lighter)

ICON_ID = "org.kolvar.kolvar"
OUT = os.path.join(ROOT, "packaging", "icons", "hicolor")
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

BLUE_D = (36, 58, 130)
BLUE = (46, 74, 156)
MOUSTACHE = (70, 44, 30)
MOUTH = (170, 80, 70)
BERET = P10["helm"]
BERET_L = lighter(BERET, 0.25)
BERET_D = darker(BERET, 0.3)
UNIFORM = P10["uni"]


def keep_inside(cv, lo, hi):
    """Wipe everything outside the square lo..hi, so the outline stays inside the canvas."""
    for y in range(cv.h):
        for x in range(cv.w):
            if not (lo <= x <= hi and lo <= y <= hi):
                cv.px[y][x] = None


def face_16():
    """Tovo at 16x16: roundel, beret with a gold badge, eyes and moustache."""
    cv = Canvas(16, 16)
    cv.ellipse(1, 1, 14, 14, GOLD_D)
    cv.ellipse(2, 2, 13, 13, GOLD)
    cv.ellipse(3, 3, 12, 12, BLUE)
    cv.ellipse(3, 11, 12, 18, UNIFORM)       # shoulders, cut flat by the canvas edge
    cv.put(4, 12, GOLD)
    cv.put(11, 12, GOLD)
    cv.rect(7, 12, 2, 3, WHITE)
    cv.vline(7, 13, 14, GOLD)
    cv.ellipse(5, 5, 10, 12, SKIN)
    cv.vline(10, 8, 10, SKIN_D)
    cv.put(6, 8, EYE)
    cv.put(9, 8, EYE)
    cv.hline(6, 9, 10, MOUSTACHE)
    cv.put(5, 9, HAIR)
    cv.put(10, 9, HAIR)
    cv.ellipse(4, 3, 11, 7, BERET)
    cv.hline(5, 7, 3, BERET_L)
    cv.put(5, 4, BERET_L)
    cv.hline(5, 10, 7, BERET_D)
    cv.put(9, 5, GOLD)
    keep_inside(cv, 1, 14)
    return cv.outline()


def face_24():
    """Tovo at 24x24, the figure within 2..21 so that a 22x22 crop keeps the whole outline."""
    cv = Canvas(24, 24)
    cv.ellipse(2, 2, 21, 21, GOLD_D)
    cv.ellipse(3, 3, 20, 20, GOLD)
    cv.ellipse(4, 4, 19, 19, BLUE_D)
    cv.ellipse(5, 5, 18, 18, BLUE)
    cv.ellipse(4, 17, 19, 26, UNIFORM)       # shoulders, cut flat at the bottom
    cv.rect(6, 18, 3, 1, GOLD)
    cv.rect(15, 18, 3, 1, GOLD)
    cv.rect(10, 18, 4, 4, WHITE)
    cv.vline(11, 19, 21, GOLD)
    cv.ellipse(8, 7, 15, 18, SKIN)
    cv.vline(15, 11, 15, SKIN_D)
    cv.put(9, 12, EYE)
    cv.put(10, 12, EYE)
    cv.put(13, 12, EYE)
    cv.put(14, 12, EYE)
    cv.put(12, 13, SKIN_D)
    cv.hline(9, 14, 14, MOUSTACHE)
    cv.put(8, 15, MOUSTACHE)
    cv.put(15, 15, MOUSTACHE)
    cv.hline(11, 12, 16, MOUTH)
    cv.vline(8, 10, 11, HAIR)
    cv.vline(15, 10, 11, HAIR)
    cv.ellipse(6, 4, 17, 10, BERET)
    cv.ellipse(7, 4, 11, 6, BERET_L)
    cv.ellipse(7, 5, 16, 10, BERET)
    cv.hline(7, 16, 9, BERET_D)
    cv.pmap(12, 5, [".k.", "kkk", "k.k"], {"k": GOLD})
    keep_inside(cv, 2, 21)
    return cv.outline()


def scaled(img, factor):
    return img.resize((img.width * factor, img.height * factor), Image.NEAREST)


def icons():
    """Every size as {size: RGBA image}."""
    with Image.open(os.path.join(ROOT, "assets", "icon.png")) as big:
        big = big.convert("RGBA")
    art32 = big.resize((32, 32), Image.NEAREST)
    # assets/icon.png must be exactly the 32x32 art scaled by 8, or the large sizes are not pixel art.
    assert scaled(art32, 8).tobytes() == big.tobytes(), "assets/icon.png is not 32x32 art scaled by 8"
    small = face_16().to_rgba()
    medium = face_24().to_rgba()
    return {
        16: small,
        22: medium.crop((1, 1, 23, 23)),
        24: medium,
        32: art32,
        48: scaled(medium, 2),
        64: scaled(art32, 2),
        128: scaled(art32, 4),
        256: big,
    }


def path_of(size):
    return os.path.join(OUT, f"{size}x{size}", "apps", ICON_ID + ".png")


def main():
    made = icons()
    assert sorted(made) == list(SIZES)
    for size, img in made.items():
        os.makedirs(os.path.dirname(path_of(size)), exist_ok=True)
        img.save(path_of(size), optimize=True)
    for size in SIZES:
        with Image.open(path_of(size)) as im:
            assert im.size == (size, size), (size, im.size)
            assert im.mode == "RGBA", (size, im.mode)
            alpha = im.getchannel("A")
            assert set(alpha.getdata()) <= {0, 255}, (size, "blended alpha")
            for corner in ((0, 0), (size - 1, 0), (0, size - 1), (size - 1, size - 1)):
                assert alpha.getpixel(corner) == 0, (size, corner)
            # The roundel fills the icon: a figure drawn off-centre or shrunk shows up here.
            box = alpha.getbbox()
            assert box and box[2] - box[0] >= size * 0.85, (size, box)
    print(f"make_icons: wrote {len(SIZES)} icons to {OUT}")


if __name__ == "__main__":
    main()
