"""Printing in loaded fonts: DejaVu Sans at 24 pixels on a 32-bit screen and a
text screen in DejaVu Sans Mono. The window shows exactly the frames the
runtime built, and the text's ink lies where text_width and the font height
say it does."""
import os
import re
import unittest

import harness

# The screen starts black; each glyph paints its own cell in the background colour.
PAPER = {(0, 0, 0), (0, 0, 0x20)}


def frame_rows(path, width, height):
    """The frame file's pixels as rows of (r, g, b); the words are 0xAARRGGBB, little-endian."""
    with open(path, "rb") as f:
        data = f.read()
    return [[(data[(y * width + x) * 4 + 2], data[(y * width + x) * 4 + 1], data[(y * width + x) * 4])
             for x in range(width)] for y in range(height)]


def ink_box(rows, x0, y0, x1, y1, paper):
    """(left, top, right, bottom) of the pixels in [x0, x1) x [y0, y1) whose colour is not
    in paper; None if none."""
    points = [(x, y) for y in range(y0, y1) for x in range(x0, x1) if rows[y][x] not in paper]
    if not points:
        return None
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


class LoadedFontsTest(harness.ProgramTest):
    program_name = "loaded_fonts_program"
    stepped = True

    def frame_step(self, n):
        """Runs step n; the program's output and the window checked against the frame."""
        out = self.step(n)
        w, h = (int(v) for v in re.search(rf"step {n} (\d+)x(\d+)", out).groups())
        frame = frame_rows(os.path.join(self.steps.name, f"frame{n}"), w, h)
        rows = self.picture((w, h), lambda rows: rows == frame)
        differing = [(x, y) for y in range(h) for x in range(w) if rows[y][x] != frame[y][x]]
        self.assertEqual(differing[:5], [], f"{len(differing)} pixels differ from the frame")
        return out, rows

    def test_text_in_loaded_fonts(self):
        out, rows = self.frame_step(1)
        font, height, width = (int(v) for v in re.search(r"font (\d+) height (\d+) width (\d+)", out).groups())
        self.assertGreaterEqual(font, 32)
        self.assertEqual(height, 24)
        self.assertGreater(width, 200)
        # The first line, printed at (20, 40): its ink starts at the pen, ends
        # within the last glyph's advance and stays inside the cell's rows.
        left, top, right, bottom = ink_box(rows, 0, 36, 640, 76, PAPER)
        self.assertTrue(20 <= left <= 23, left)
        self.assertTrue(20 + width - 4 <= right < 20 + width, (right, width))
        self.assertGreaterEqual(top, 40)
        self.assertLess(bottom, 40 + height)
        self.assertGreater(bottom - top, height // 2)
        # Anti-aliased: the white line has grey edge pixels between the paper and white.
        line = {rows[y][x] for y in range(40, 64) for x in range(20, 20 + width)}
        self.assertIn((255, 255, 255), line)
        self.assertGreater(len(line), 10)
        # The other lines each keep to their own band.
        for y in (80, 120, 160):
            box = ink_box(rows, 0, y - 4, 640, y + 28, PAPER)
            self.assertIsNotNone(box)
            self.assertTrue(y <= box[1] and box[3] < y + 24, (y, box))

        # "fj" PRINTed at x = 400 and drawn at x = 500 in the top row: the same
        # pixels, hook of the "f" over the "j" included.
        printed = [row[390:480] for row in rows[0:24]]
        drawn = [row[490:580] for row in rows[0:24]]
        self.assertIsNotNone(ink_box(rows, 400, 0, 480, 24, PAPER))
        self.assertEqual(printed, drawn)

        out, rows = self.frame_step(2)
        cw, ch = (int(v) for v in re.search(r"cell (\d+)x(\d+)", out).groups())
        self.assertEqual(ch, 20)
        self.assertEqual(len(rows), 25 * ch)
        self.assertEqual(len(rows[0]), 80 * cw)
        text = "Loaded font: \x10 DejaVu Sans Mono \x11"
        blue, black = (0, 0, 170), (0, 0, 0)
        # Row 2, columns 3 on: yellow ink on blue cells, every cell of a
        # visible character inked; nothing anywhere else on the screen.
        self.assertEqual(ink_box(rows, 0, 0, 80 * cw, 25 * ch, {black}),
                         (2 * cw, ch, (2 + len(text)) * cw - 1, 2 * ch - 1))
        for i, c in enumerate(text):
            cell = ink_box(rows, (2 + i) * cw, ch, (3 + i) * cw, 2 * ch, {blue})
            self.assertEqual(cell is None, c == " ", f"cell {i} ({c!r})")
        self.assertIn((255, 255, 85), {rows[y][x] for y in range(ch, 2 * ch) for x in range(2 * cw, 4 * cw)})

        self.release_step(3)
        self.assertEqual(self.end_at_prompt(), 0, self.program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
