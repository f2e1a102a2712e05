"""Frames from the ring shown in the window, with hardware images drawn over
them by render commands: layers, mirroring, drawing into an image, display order."""
import os
import tempfile
import time
import unittest

import harness

BLUE, RED, GREEN, YELLOW = (0, 0, 255), (255, 0, 0), (0, 255, 0), (255, 255, 0)


class HardwareLayersTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)
        self.steps = tempfile.TemporaryDirectory()
        self.addCleanup(self.steps.cleanup)
        self.program = harness.Program(self.xvfb, "hardware_layers_program", args=[self.steps.name])
        self.addCleanup(self.program.stop)
        self.window = harness.find_window(self.xvfb, "Untitled")

    def step(self, n):
        if n > 1:
            open(os.path.join(self.steps.name, str(n)), "w").close()
        deadline = time.monotonic() + 10
        while f"step {n}\n" not in self.program.stdout() and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertIn(f"step {n}\n", self.program.stdout(), self.program.stderr())

    def picture(self, size=(320, 200)):
        deadline = time.monotonic() + 5
        while harness.window_geometry(self.xvfb, self.window) != size and time.monotonic() < deadline:
            time.sleep(0.05)
        time.sleep(0.3)  # the next renders
        w, h, rows = harness.pixels(self.xvfb, self.window)
        self.assertEqual((w, h), size)
        return rows

    def test_layers_and_display_order(self):
        self.step(1)
        rows = self.picture()
        self.assertEqual(rows[100][300], BLUE)            # the software screen
        self.assertEqual(rows[10][10], RED)               # square on the first layer
        self.assertEqual(rows[49][49], RED)
        self.assertEqual(rows[50][50], BLUE)
        self.assertEqual(rows[15][105], GREEN)            # mirrored: green now on the left
        self.assertEqual(rows[15][134], RED)
        self.assertEqual(rows[20][202], RED)              # the image drawn into, on the second layer
        self.assertEqual(rows[20][217], BLUE)

        self.step(2)
        rows = self.picture()
        self.assertEqual(rows[20][20], YELLOW)            # the opaque screen hides the first layer
        self.step(3)
        self.assertIn("pending 5", self.program.stdout())
        self.step(4)
        self.assertIn("freed 1", self.program.stdout())
        open(os.path.join(self.steps.name, "5"), "w").close()
        self.assertEqual(harness.end_at_prompt(self.xvfb, self.program), 0, self.program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
