"""Frames of the visible page in the window: text cells with their colours,
blinking and the cursor; indexed pixel screens; manual display."""
import unittest

import harness

BLACK, BLUE, YELLOW, WHITE = (0, 0, 0), (0, 0, 170), (255, 255, 85), (255, 255, 255)
RED, GREY = (170, 0, 0), (170, 170, 170)


class FrameBuilderTest(harness.ProgramTest):
    program_name = "frame_builder_program"
    stepped = True

    def cell_colours(self, rows, col, row, height=16):
        return {rows[row * height + y][col * 8 + x] for y in range(height) for x in range(8)}

    def test_frames_of_the_visible_page(self):
        self.step(1, release=False)
        hello = lambda rows: all(self.cell_colours(rows, col, 0) == {BLUE, YELLOW} for col in range(5))
        rows = self.picture((640, 400), hello)
        for col in range(5):
            self.assertEqual(self.cell_colours(rows, col, 0), {BLUE, YELLOW}, f"cell {col}")
        self.assertEqual(harness.screen_text(self.xvfb, self.window, rows_count=1), ["HELLO"])
        self.assertEqual(self.cell_colours(rows, 5, 0), {BLACK})

        # The blinking cell and the cursor (bottom row of its cell, row 14 of 16)
        # come and go with the blink phase; the rest of the screen stays.
        seen_blink, seen_cursor = set(), set()

        def both_phases_seen():
            rows = harness.pixels(self.xvfb, self.window)[2]
            seen_blink.add(frozenset(self.cell_colours(rows, 0, 2)))
            seen_cursor.add(rows[4 * 16 + 14][9 * 8 + 3])
            self.assertEqual(rows[4 * 16 + 13][9 * 8 + 3], BLACK)
            return len(seen_blink) > 1 and len(seen_cursor) > 1

        harness.wait_until(both_phases_seen)
        self.assertEqual(seen_blink, {frozenset({WHITE, BLACK}), frozenset({BLACK})})
        self.assertEqual(seen_cursor, {GREY, BLACK})

        self.step(2)
        rows = self.picture((320, 200), lambda rows: rows[55][110] == RED)
        self.assertEqual(rows[55][110], RED)
        self.assertEqual(rows[45][110], BLACK)

        self.step(3)
        rows = self.picture((640, 480), lambda rows: rows[479][300] == WHITE)
        self.assertEqual(rows[479][300], WHITE)
        self.assertEqual(rows[0][300], BLACK)

        # In manual display the top line stays off the window: the main loop went
        # through its frame step after it was drawn and built no frame.
        out = self.step(4)
        self.assertIn("auto 0\n", out)
        self.assertIn("frames built 0\n", out)
        self.assertEqual(self.picture((640, 480))[0][300], BLACK)
        self.step(5)
        self.assertEqual(self.picture((640, 480), lambda rows: rows[0][300] == WHITE)[0][300], WHITE)
        self.release_step(6)
        self.assertEqual(self.end_at_prompt(), 0, self.program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
