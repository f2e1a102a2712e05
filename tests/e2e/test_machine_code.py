"""Machine code end to end: code that fills the SCREEN 13 picture through the
window at A000 shows in the window (row y in palette colour y), and code that
never returns ends promptly on a close request."""
import time
import unittest

import harness

# The first colours of the default 256-colour palette.
ROW_COLOURS = {0: (0, 0, 0), 1: (0, 0, 170), 2: (0, 170, 0), 4: (170, 0, 0), 14: (255, 255, 85), 15: (255, 255, 255)}


class MachineCodeTest(harness.ProgramTest):
    program_name = "machine_code_program"
    stepped = True

    def test_filled_screen_shows_and_an_endless_loop_ends_on_a_close_request(self):
        size = self.frame_step(1)
        frame = self.frame(1, size)
        rows = self.picture(size)
        differing = [(x, y) for y in range(size[1]) for x in range(size[0]) if rows[y][x] != frame[y][x]]
        self.assertEqual(differing[:5], [], f"{len(differing)} pixels differ from the frame")
        scale_y = size[1] // 200
        scale_x = size[0] // 320
        for row, colour in ROW_COLOURS.items():
            for x in (0, 160, 319):
                self.assertEqual(rows[row * scale_y][x * scale_x], colour, f"row {row}, column {x}")
        # Every row is one colour, and the 200 rows are not all alike.
        self.assertTrue(all(len(set(rows[y])) == 1 for y in range(size[1])))
        self.assertNotEqual(rows[16 * scale_y], rows[17 * scale_y])

        self.step(2)
        started = time.monotonic()
        harness.send_close(self.xvfb, self.window)
        status = self.program.wait(10)
        self.assertEqual(status, 0, self.program.stderr())
        # The code never returns by itself: only the stop ended it.
        self.assertLess(time.monotonic() - started, 5)


if __name__ == "__main__":
    unittest.main(verbosity=2)
