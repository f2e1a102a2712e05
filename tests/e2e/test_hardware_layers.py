"""Frames from the ring shown in the window, with hardware images drawn over
them by render commands: layers, mirroring, drawing into an image, display order."""
import unittest

import harness

BLUE, RED, GREEN, YELLOW = (0, 0, 255), (255, 0, 0), (0, 255, 0), (255, 255, 0)


class HardwareLayersTest(harness.ProgramTest):
    program_name = "hardware_layers_program"
    stepped = True

    def test_layers_and_display_order(self):
        self.step(1, release=False)
        rows = self.picture((320, 200), lambda rows: rows[10][10] == RED and rows[20][202] == RED)
        self.assertEqual(rows[100][300], BLUE)            # the software screen
        self.assertEqual(rows[10][10], RED)               # square on the first layer
        self.assertEqual(rows[49][49], RED)
        self.assertEqual(rows[50][50], BLUE)
        self.assertEqual(rows[15][105], GREEN)            # mirrored: green now on the left
        self.assertEqual(rows[15][134], RED)
        self.assertEqual(rows[20][202], RED)              # the image drawn into, on the second layer
        self.assertEqual(rows[20][217], BLUE)

        self.step(2)
        rows = self.picture((320, 200), lambda rows: rows[20][20] == YELLOW)
        self.assertEqual(rows[20][20], YELLOW)            # the opaque screen hides the first layer
        self.step(3)
        self.assertIn("pending 5", self.program.stdout())
        self.step(4)
        self.assertIn("freed 1", self.program.stdout())
        self.step(5)
        self.assertEqual(self.picture((320, 200), lambda rows: rows[15][105] == GREEN)[15][105], GREEN)
        # The next frame has no commands: the layer goes, though the screen stayed the same.
        self.step(6)
        self.assertEqual(self.picture((320, 200), lambda rows: rows[15][105] == BLUE)[15][105], BLUE)
        # Image copy and triangle mapping with a hardware source.
        self.step(7)
        rows = self.picture((320, 200), lambda rows: rows[105][15] == RED and rows[105][65] == GREEN
                            and rows[105][125] == RED)
        self.assertEqual([rows[120][x] for x in (10, 29, 30, 49, 50)], [RED, RED, GREEN, GREEN, BLUE])
        self.assertEqual([rows[120][x] for x in (60, 79, 80, 99, 100)], [GREEN, GREEN, RED, RED, BLUE])
        self.assertEqual(rows[102][122], RED)             # the triangle's corner at (120, 100)
        self.assertEqual(rows[102][155], GREEN)
        self.assertEqual(rows[138][158], BLUE)            # beyond its long edge
        self.assertIn("software onto a layer 5", self.program.stdout())
        # Depth: the nearer triangle stays in front though drawn first.
        self.step(8)
        rows = self.picture((320, 200), lambda rows: rows[100][160] != BLUE)
        self.assertEqual(rows[100][160], GREEN)
        self.assertEqual(rows[10][10], BLUE)
        self.release_step(9)
        self.assertEqual(self.end_at_prompt(), 0, self.program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
