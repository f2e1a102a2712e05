#!/usr/bin/env python3
"""Writes the seed corpus of the font_file_fuzz target: small real fonts, each
behind the two bytes the target reads first (height, option flags).

  - subsets of the DejaVu faces of fonts-dejavu-core (TrueType outlines with
    their hinting programs, composite glyphs);
  - fonts built here from scratch: TrueType and CFF outlines, and a BDF bitmap
    font;
  - cut copies of them (truncated files).

Needs python3-fonttools (Debian) to run; the corpus it writes is committed, so
the build does not need it.

Usage: make_font_seeds.py [OUTPUT_DIR]
"""
import io
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.subset import Options, Subsetter
from fontTools.ttLib import TTFont

OUTPUT = sys.argv[1] if len(sys.argv) > 1 else "tests/corpus/font_file_fuzz"
DEJAVU = "/usr/share/fonts/truetype/dejavu/"

BOLD, ITALIC, UNDERLINE, DONTBLEND, MONOSPACE, UNICODE = 1, 2, 4, 8, 16, 32


def subset(path, text):
    font = TTFont(path)
    options = Options()
    options.name_IDs = [1, 2]  # family and style only
    options.layout_features = []
    subsetter = Subsetter(options)
    subsetter.populate(text=text)
    subsetter.subset(font)
    out = io.BytesIO()
    font.save(out)
    return out.getvalue()


def square(pen, x0, y0, x1, y1):
    pen.moveTo((x0, y0))
    pen.lineTo((x0, y1))
    pen.lineTo((x1, y1))
    pen.lineTo((x1, y0))
    pen.closePath()


def triangle(pen):
    pen.moveTo((50, 0))
    pen.lineTo((300, 700))
    pen.lineTo((550, 0))
    pen.closePath()


def built(cff):
    """A three-glyph font: a notdef box, 'A' a triangle, 'B' a hollow square."""
    names = [".notdef", "A", "B"]
    builder = FontBuilder(1000, isTTF=not cff)
    builder.setupGlyphOrder(names)
    builder.setupCharacterMap({ord("A"): "A", ord("B"): "B"})
    drawings = {
        ".notdef": lambda pen: square(pen, 50, 0, 450, 700),
        "A": triangle,
        "B": lambda pen: (square(pen, 50, 0, 550, 700), square(pen, 150, 100, 450, 600)),
    }
    if cff:
        charstrings = {}
        for name, draw in drawings.items():
            pen = T2CharStringPen(600, None)
            draw(pen)
            charstrings[name] = pen.getCharString()
        builder.setupCFF("Seed-Regular", {"FullName": "Seed"}, charstrings, {})
    else:
        glyphs = {}
        for name, draw in drawings.items():
            pen = TTGlyphPen(None)
            draw(pen)
            glyphs[name] = pen.glyph()
        builder.setupGlyf(glyphs)
    builder.setupHorizontalMetrics({name: (600, 50) for name in names})
    builder.setupHorizontalHeader(ascent=800, descent=-200)
    builder.setupNameTable({"familyName": "Seed", "styleName": "Regular"})
    builder.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    builder.setupPost()
    out = io.BytesIO()
    builder.save(out)
    return out.getvalue()


BDF = b"""STARTFONT 2.1
FONT -seed-fixed-medium-r-normal--8-80-75-75-c-60-iso10646-1
SIZE 8 75 75
FONTBOUNDINGBOX 6 8 0 -1
STARTPROPERTIES 2
FONT_ASCENT 7
FONT_DESCENT 1
ENDPROPERTIES
CHARS 2
STARTCHAR A
ENCODING 65
SWIDTH 500 0
DWIDTH 6 0
BBX 5 7 0 0
BITMAP
20
50
88
88
F8
88
88
ENDCHAR
STARTCHAR g
ENCODING 103
SWIDTH 500 0
DWIDTH 6 0
BBX 5 6 0 -1
BITMAP
78
88
88
78
08
70
ENDCHAR
ENDFONT
"""


def main():
    os.makedirs(OUTPUT, exist_ok=True)
    sans = subset(DEJAVU + "DejaVuSans.ttf", "Hgjy&Wfi_\u00e9\u2588\u263a")
    mono = subset(DEJAVU + "DejaVuSansMono.ttf", "Ag\u2500")
    truetype, cff = built(False), built(True)
    seeds = {
        "dejavu_sans": (15, 0, sans),
        "dejavu_sans_bold_italic": (9, BOLD | ITALIC, sans),
        "dejavu_sans_cut": (20, UNDERLINE, sans[: len(sans) // 2]),
        "dejavu_mono": (23, MONOSPACE | UNDERLINE, mono),
        "dejavu_mono_two_level": (12, MONOSPACE | DONTBLEND | UNICODE, mono),
        "built_truetype": (31, 0, truetype),
        "built_cff": (17, BOLD | MONOSPACE, cff),
        "built_cff_cut": (17, 0, cff[: len(cff) * 2 // 3]),
        "bdf_bitmap": (8, BOLD | MONOSPACE, BDF),
        "bdf_bitmap_scaled": (40, UNICODE, BDF),
    }
    for name, (height, flags, data) in seeds.items():
        with open(os.path.join(OUTPUT, name), "wb") as f:
            f.write(bytes([height - 1, flags]) + data)
        print(f"{name}: {len(data) + 2} bytes")


if __name__ == "__main__":
    main()
