"""GET and PUT of screen areas and image copy end to end: a sprite moved with
PUT XOR and a copy of it twice as large and mirrored, on SCREEN 13 and on a
32-bit screen. The window shows exactly the frame the runtime built, and pixels
worked out by hand have their colours."""
import unittest

import harness

BLACK, BLUE, MAGENTA, WHITE = (0, 0, 0), (0, 0, 170), (170, 0, 170), (255, 255, 255)

# The sprite: body 4 with a dot 14, on background 1. XOR over the background
# gives 5 and 15; XOR over itself gives 0. The copy of (60,50)-(69,57) into
# (200,100)-(181,115) repeats each pixel twice and mirrors it: the dot, four
# columns in, lands on columns 191 and 192, rows 106 and 107.
SCREEN_13 = {
    (5, 5): BLACK, (14, 12): BLACK, (15, 5): BLUE,
    (50, 50): BLUE, (55, 55): BLUE,                 # moved away again
    (60, 50): MAGENTA, (64, 53): WHITE, (69, 57): MAGENTA, (70, 50): BLUE,
    (200, 100): MAGENTA, (181, 115): MAGENTA, (180, 100): BLUE, (201, 100): BLUE,
    (191, 106): WHITE, (192, 107): WHITE, (190, 106): MAGENTA, (193, 106): MAGENTA,
}

BACK, RED, GREEN = (0, 0, 64), (255, 0, 0), (0, 255, 0)
SCREEN_32 = {
    (50, 50): BACK, (55, 55): BACK, (15, 5): BACK,
    (60, 50): RED, (64, 53): GREEN, (70, 50): BACK,
    (200, 100): RED, (181, 115): RED, (180, 100): BACK,
    (191, 106): GREEN, (192, 107): GREEN, (190, 106): RED,
}


class SpriteTest(harness.ProgramTest):
    program_name = "sprite_program"
    stepped = True

    def check(self, n, expected):
        size = self.frame_step(n)
        frame = self.frame(n, size)
        rows = self.picture(size)
        differing = [(x, y) for y in range(size[1]) for x in range(size[0]) if rows[y][x] != frame[y][x]]
        self.assertEqual(differing[:5], [], f"{len(differing)} pixels differ from the frame")
        # The frame may show the 320 x 200 screen enlarged: hand-worked pixels are scaled to it.
        sx, sy = size[0] // 320, size[1] // 200
        for (x, y), colour in expected.items():
            self.assertEqual(rows[y * sy][x * sx], colour, f"at {x},{y}")

    def test_sprite_and_copy_on_both_screens(self):
        self.check(1, SCREEN_13)
        self.check(2, SCREEN_32)
        self.release_step(3)
        self.assertEqual(self.end_at_prompt(), 0, self.program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
