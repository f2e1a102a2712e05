"""The graphics statements end to end: one picture drawn with every statement on
SCREEN 12 and on a 32-bit screen. The window shows exactly the frame the runtime
built, and pixels worked out by hand from the statements have their colours."""
import unittest

import harness

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
# The 16 colours of SCREEN 12 used by the picture.
BLUE, GREEN, RED, BROWN = (0, 0, 170), (0, 170, 0), (170, 0, 0), (170, 85, 0)
LIGHT_BLUE, LIGHT_CYAN, YELLOW = (85, 85, 255), (85, 255, 255), (255, 255, 85)

# (x, y): colour, on SCREEN 12.
SCREEN_12 = {
    (10, 10): YELLOW,                      # PSET
    (20, 10): LIGHT_BLUE,                  # PRESET with a colour
    (2, 21): LIGHT_BLUE, (2, 20): BLACK,   # (0,20)-(9,23): y steps by 1/3
    (9, 23): LIGHT_BLUE,
    (100, 20): LIGHT_BLUE, (105, 20): BLACK,   # style &HF0F0: four on, four off
    (20, 40): LIGHT_CYAN, (40, 40): LIGHT_CYAN, (40, 60): BLACK,   # B
    (90, 60): LIGHT_CYAN,                  # BF
    (250, 120): WHITE, (200, 70): WHITE, (200, 120): BLACK,   # circle of radius 50
    (350, 110): WHITE, (340, 120): WHITE, (360, 120): BLACK,  # radius lines up and left
    (560, 120): WHITE, (500, 90): WHITE, (500, 80): BLACK,    # aspect 0.5
    (70, 240): BLUE, (20, 240): RED, (10, 240): BLACK,        # PAINT up to the box
    (190, 240): BLUE, (190, 241): GREEN,   # the tile's two rows
    (320, 320): BROWN, (300, 300): YELLOW,  # DRAW's box and its fill
    (393, 293): BROWN,                     # TA45 S8 U10: 20 pixels up and to the left
}

HALF = (127, 127, 127)     # &H80FFFFFF over black: each channel halved, then added
TWICE = (190, 190, 190)    # the same once more: a box's corner is drawn by two sides
SCREEN_32 = {
    (10, 10): (255, 255, 0),
    (20, 10): (0, 255, 0),
    (40, 40): HALF, (20, 40): TWICE, (60, 80): TWICE, (40, 60): BLACK,
    (90, 60): HALF,
    (250, 120): (0, 255, 0),
    (70, 240): (0, 0, 127), (20, 240): (255, 0, 0),
    (190, 240): BLACK,                     # no tile on 32-bit pixels
    (320, 320): WHITE, (300, 300): (0, 255, 255), (393, 293): WHITE,
    (30, 10): BLACK,                       # alpha 0 changes nothing
}


class GraphicsTest(harness.ProgramTest):
    program_name = "graphics_program"
    stepped = True

    def check(self, n, expected):
        size = self.frame_step(n)
        self.assertEqual(size, (640, 480))
        frame = self.frame(n, size)
        rows = self.picture(size, lambda rows: rows == frame)
        differing = [(x, y) for y in range(size[1]) for x in range(size[0]) if rows[y][x] != frame[y][x]]
        self.assertEqual(differing[:5], [], f"{len(differing)} pixels differ from the frame")
        for (x, y), colour in expected.items():
            self.assertEqual(rows[y][x], colour, f"at {x},{y}")

    def test_picture_on_both_screens(self):
        self.check(1, SCREEN_12)
        self.check(2, SCREEN_32)
        self.release_step(3)
        self.assertEqual(self.end_at_prompt(), 0, self.program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
