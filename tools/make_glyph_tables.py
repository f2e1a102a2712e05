#!/usr/bin/env python3
"""Writes runtime/image/glyph_data.cpp: the code page 437 glyphs of the VGA
8x8 and 8x16 fonts, one bit per pixel, and their expansion to one byte per
pixel (0 clear, 255 set) made at compile time.

Sources are the Debian console fonts:
  default8x16.psf.gz  the VGA 8x16 set in code page order
  Uni2-VGA8.psf.gz    the VGA 8x8 shapes with a Unicode table; code page 437
                      characters are found through their Unicode code points.
Uni2-VGA8 lacks some code page 437 shapes; for several of them its Unicode
table points at a look-alike (the single-line box pieces stand in for the
double-line ones, plain arrows for the solid triangles 30 and 31). A glyph is
taken only when it is the font's own shape for that code point; the shapes it
lacks are drawn here as the VGA ROM has them.

Usage: make_glyph_tables.py [FONT_DIR] [OUTPUT]
"""
import gzip
import struct
import sys

FONT_DIR = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/consolefonts"
OUTPUT = sys.argv[2] if len(sys.argv) > 2 else "runtime/image/glyph_data.cpp"

# Code points of the graphic characters 0-31 and 127; 128-255 come from the codec.
LOW_GRAPHICS = [
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
]

# 8x8 shapes missing from the Unicode-indexed font, rows top to bottom.
# Box pieces: single lines on column pair 3-4 and row 4, double lines on
# column pairs 2-3 and 5-6 and rows 2 and 4.
HAND_DRAWN_8X8 = {
    30: [0x00, 0x18, 0x3C, 0x7E, 0xFF, 0xFF, 0x00, 0x00],   # up-pointing triangle
    31: [0x00, 0xFF, 0xFF, 0x7E, 0x3C, 0x18, 0x00, 0x00],   # down-pointing triangle
    181: [0x18, 0x18, 0xF8, 0x18, 0xF8, 0x18, 0x18, 0x18],
    182: [0x36, 0x36, 0x36, 0x36, 0xF6, 0x36, 0x36, 0x36],
    183: [0x00, 0x00, 0x00, 0x00, 0xFE, 0x36, 0x36, 0x36],
    184: [0x00, 0x00, 0xF8, 0x18, 0xF8, 0x18, 0x18, 0x18],
    185: [0x36, 0x36, 0xF6, 0x06, 0xF6, 0x36, 0x36, 0x36],
    186: [0x36, 0x36, 0x36, 0x36, 0x36, 0x36, 0x36, 0x36],
    187: [0x00, 0x00, 0xFE, 0x06, 0xF6, 0x36, 0x36, 0x36],
    188: [0x36, 0x36, 0xF6, 0x06, 0xFE, 0x00, 0x00, 0x00],
    189: [0x36, 0x36, 0x36, 0x36, 0xFE, 0x00, 0x00, 0x00],
    190: [0x18, 0x18, 0xF8, 0x18, 0xF8, 0x00, 0x00, 0x00],
    198: [0x18, 0x18, 0x1F, 0x18, 0x1F, 0x18, 0x18, 0x18],
    199: [0x36, 0x36, 0x36, 0x36, 0x37, 0x36, 0x36, 0x36],
    200: [0x36, 0x36, 0x37, 0x30, 0x3F, 0x00, 0x00, 0x00],
    201: [0x00, 0x00, 0x3F, 0x30, 0x37, 0x36, 0x36, 0x36],
    202: [0x36, 0x36, 0xF7, 0x00, 0xFF, 0x00, 0x00, 0x00],
    203: [0x00, 0x00, 0xFF, 0x00, 0xF7, 0x36, 0x36, 0x36],
    204: [0x36, 0x36, 0x37, 0x30, 0x37, 0x36, 0x36, 0x36],
    205: [0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00],
    206: [0x36, 0x36, 0xF7, 0x00, 0xF7, 0x36, 0x36, 0x36],
    207: [0x18, 0x18, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00],
    208: [0x36, 0x36, 0x36, 0x36, 0xFF, 0x00, 0x00, 0x00],
    209: [0x00, 0x00, 0xFF, 0x00, 0xFF, 0x18, 0x18, 0x18],
    210: [0x00, 0x00, 0x00, 0x00, 0xFF, 0x36, 0x36, 0x36],
    211: [0x36, 0x36, 0x36, 0x36, 0x3F, 0x00, 0x00, 0x00],
    212: [0x18, 0x18, 0x1F, 0x18, 0x1F, 0x00, 0x00, 0x00],
    213: [0x00, 0x00, 0x1F, 0x18, 0x1F, 0x18, 0x18, 0x18],
    214: [0x00, 0x00, 0x00, 0x00, 0x3F, 0x36, 0x36, 0x36],
    215: [0x36, 0x36, 0x36, 0x36, 0xFF, 0x36, 0x36, 0x36],
    216: [0x18, 0x18, 0xFF, 0x18, 0xFF, 0x18, 0x18, 0x18],
    16: [0x80, 0xE0, 0xF8, 0xFE, 0xF8, 0xE0, 0x80, 0x00],   # right-pointing triangle
    17: [0x02, 0x0E, 0x3E, 0xFE, 0x3E, 0x0E, 0x02, 0x00],   # left-pointing triangle
    158: [0xF8, 0xCC, 0xCC, 0xFA, 0xC6, 0xCF, 0xC6, 0xC7],  # peseta sign
    169: [0x00, 0x00, 0x00, 0xFC, 0xC0, 0xC0, 0x00, 0x00],  # reversed not sign
    236: [0x00, 0x00, 0x7E, 0xDB, 0xDB, 0x7E, 0x00, 0x00],  # infinity
    239: [0x38, 0x6C, 0xC6, 0xC6, 0xC6, 0xC6, 0xC6, 0x00],  # intersection
    240: [0x00, 0xFC, 0x00, 0xFC, 0x00, 0xFC, 0x00, 0x00],  # identical to
}


def code_point(c):
    if c < 32:
        return LOW_GRAPHICS[c]
    if c == 127:
        return 0x2302
    return ord(bytes([c]).decode("cp437"))


def read_psf1(path):
    """Returns (height, glyph rows, {code point: glyph number},
    {glyph number: first code point listed for it})."""
    data = gzip.open(path).read()
    if data[0] != 0x36 or data[1] != 0x04:
        sys.exit(f"{path}: not a PSF1 font")
    mode, height = data[2], data[3]
    count = 512 if mode & 1 else 256
    glyphs = [data[4 + i * height:4 + (i + 1) * height] for i in range(count)]
    table, first = {}, {}
    if mode & 2:
        pos, glyph, in_sequence = 4 + count * height, 0, False
        while glyph < count and pos + 2 <= len(data):
            value = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            if value == 0xFFFF:
                glyph, in_sequence = glyph + 1, False
            elif value == 0xFFFE:
                in_sequence = True
            elif not in_sequence:
                table.setdefault(value, glyph)
                first.setdefault(glyph, value)
    return height, glyphs, table, first


def rows_8x16():
    height, glyphs, _, _ = read_psf1(f"{FONT_DIR}/default8x16.psf.gz")
    if height != 16 or len(glyphs) < 256:
        sys.exit("default8x16.psf.gz: expected 256 glyphs of 16 rows")
    return [list(glyphs[c]) for c in range(256)]


def rows_8x8():
    height, glyphs, table, first = read_psf1(f"{FONT_DIR}/Uni2-VGA8.psf.gz")
    if height != 8:
        sys.exit("Uni2-VGA8.psf.gz: expected 8-row glyphs")
    # A glyph shared by several characters' code points is the shape of the
    # code point listed first for it; the others only borrow it.
    users = {}
    for c in range(1, 256):
        cp = code_point(c)
        if cp in table:
            users.setdefault(table[cp], []).append(cp)
    result = []
    for c in range(256):
        if c in HAND_DRAWN_8X8:
            result.append(HAND_DRAWN_8X8[c])
        elif c == 0:
            result.append([0] * 8)
        else:
            cp = code_point(c)
            if cp not in table:
                sys.exit(f"character {c} (U+{cp:04X}) has no 8x8 glyph")
            glyph = table[cp]
            borrowed = len(users[glyph]) > 1 and first[glyph] != cp and any(glyphs[glyph])
            if borrowed:
                sys.exit(f"character {c} (U+{cp:04X}) has only a look-alike 8x8 glyph")
            result.append(list(glyphs[glyph]))
    return result


EXPANSION = """namespace {

// Rows of one bit per pixel to one byte per pixel (0 clear, 255 set).
template <size_t rows>
constexpr std::array<uint8_t, 256 * rows * 8> expand_glyphs(const uint8_t (&glyph_rows)[256][rows]) {
  std::array<uint8_t, 256 * rows * 8> out{};
  for (size_t c = 0; c < 256; ++c)
    for (size_t r = 0; r < rows; ++r)
      for (size_t x = 0; x < 8; ++x) out[(c * rows + r) * 8 + x] = (glyph_rows[c][r] >> (7 - x)) & 1 ? 255 : 0;
  return out;
}

}  // namespace

constexpr std::array<uint8_t, 256 * 64> glyph_8x8 = expand_glyphs(glyph_rows_8x8);
constexpr std::array<uint8_t, 256 * 128> glyph_8x16 = expand_glyphs(glyph_rows_8x16);
"""


def emit(name, glyph_rows, height, out):
    out.append(f"constexpr uint8_t {name}[256][{height}] = {{")
    for c, rows in enumerate(glyph_rows):
        out.append("    {" + ", ".join(f"0x{r:02X}" for r in rows) + f"}},  // {c}")
    out.append("};")
    out.append("")


def main():
    out = [
        "// Generated by tools/make_glyph_tables.py from the Debian console fonts",
        "// default8x16.psf.gz and Uni2-VGA8.psf.gz; do not edit by hand.",
        "// Code page 437 glyphs, one byte per row, bit 7 the leftmost pixel.",
        '#include "runtime/image/image.h"',
        "",
    ]
    emit("glyph_rows_8x8", rows_8x8(), 8, out)
    emit("glyph_rows_8x16", rows_8x16(), 16, out)
    out.append(EXPANSION)
    with open(OUTPUT, "w") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
