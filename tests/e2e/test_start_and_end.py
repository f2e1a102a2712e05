"""The edges of a run: X servers the window cannot be opened on, a close request
while the window is being made, and END on a screen too low for its prompt."""
import os
import subprocess
import unittest

import harness


class UnusableServerTest(unittest.TestCase):
    def test_an_8_bit_screen_is_named_on_one_line(self):
        # Xvfb offers no GLX at all on an 8-bit screen; a server that had GLX there
        # but no RGBA visual would be named for that instead. (A server without
        # GLX is test_window's.)
        with harness.Xvfb(depth=8) as xvfb, harness.Program(xvfb, "quintaro") as program:
            self.assertEqual(program.wait(20), 1)
            lines = program.stderr().splitlines()
            self.assertEqual(len(lines), 1, lines)
            self.assertTrue(lines[0].startswith(f'quintaro: the X display "{xvfb.display}" '), lines[0])
            self.assertIn("OpenGL", lines[0])


class CloseWhileOpeningTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def test_a_close_request_the_moment_the_window_is_made_ends_with_status_0(self):
        for attempt in range(5):
            with self.subTest(attempt=attempt):
                # The request goes out as soon as the server reports the new window,
                # while the runtime is still inside the window's creation.
                closer = subprocess.Popen([os.path.join(harness.E2E_BIN, "wm_close"), "--on-create"],
                                          env=self.xvfb.env, stdout=subprocess.PIPE, text=True)
                try:
                    self.assertEqual(closer.stdout.readline(), "watching\n")
                    with harness.Program(self.xvfb, "idle_program") as program:
                        self.assertEqual(closer.wait(30), 0)
                        self.assertEqual(program.wait(10), 0, program.stderr())
                        self.assertEqual(program.stderr(), "")
                finally:
                    if closer.poll() is None:
                        closer.kill()
                    closer.wait()
                    closer.stdout.close()


class EndOnAShortScreenTest(unittest.TestCase):
    def test_end_ends_on_a_key_when_no_text_row_fits_the_screen(self):
        with harness.Xvfb() as xvfb, harness.Program(xvfb, "short_screen_end_program") as program:
            harness.wait_until(lambda: "ready" in program.stdout(), 20)
            self.assertEqual(harness.end_at_prompt(xvfb, program, timeout=20), 0, program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
