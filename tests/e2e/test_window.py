"""The runtime's window: it opens, answers close requests, and needs a display."""
import os
import time
import unittest

import harness


class WindowTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def start(self, name):
        program = harness.Program(self.xvfb, name)
        self.addCleanup(program.stop)
        return program

    def test_window_opens_titled_untitled_at_640_by_400(self):
        program = self.start("idle_program")
        window = harness.program_window(self.xvfb)
        self.assertEqual(harness.window_name(self.xvfb, window), "Untitled")
        self.assertEqual(harness.window_geometry(self.xvfb, window), (640, 400))
        self.assertTrue(program.alive())

    def test_close_request_ends_the_process_with_status_0(self):
        program = self.start("idle_program")
        window = harness.program_window(self.xvfb)
        sent = time.monotonic()
        harness.send_close(self.xvfb, window)
        status = program.wait(harness.WAIT)
        elapsed = time.monotonic() - sent
        self.assertEqual(status, 0, program.stderr())
        self.assertLess(elapsed, 1.5)

    def test_close_request_is_only_recorded_when_the_program_takes_them_over(self):
        program = self.start("close_query_program")
        window = harness.program_window(self.xvfb)
        harness.send_close(self.xvfb, window)
        # The program sees the request itself and keeps running for 1.5 s after it.
        self.assertTrue(harness.wait_until(lambda: "running on" in program.stdout()), program.stdout())
        self.assertIn("close request 1\n", program.stdout())
        self.assertTrue(program.alive(), "the close request stopped the program")
        # The window is still there and still answers.
        self.assertEqual(harness.window_geometry(self.xvfb, window), (640, 400))
        # It then ends through END with status 0, once its prompt is answered.
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())

    def test_window_keeps_being_drawn(self):
        self.start("idle_program")
        window = harness.program_window(self.xvfb)
        drawn = lambda w, h, rows: (w, h) == (640, 400) and rows[200][320] == (0, 0, 0)
        w, h, rows = harness.settled_pixels(self.xvfb, window, drawn)
        self.assertEqual((w, h), (640, 400))
        self.assertEqual(rows[200][320], (0, 0, 0))


class NoDisplayTest(unittest.TestCase):
    def run_without(self, env):
        program = harness.Program(None, "idle_program", env=env)
        self.addCleanup(program.stop)
        started = time.monotonic()
        status = program.wait(harness.WAIT)
        return status, time.monotonic() - started, program.stderr()

    def test_no_display_variable_exits_with_status_1(self):
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        program = harness.subprocess.run([harness.program_path("idle_program")], env=env,
                                         capture_output=True, text=True, timeout=10)
        self.assertEqual(program.returncode, 1)
        lines = program.stderr.strip().splitlines()
        self.assertEqual(len(lines), 1, program.stderr)
        self.assertIn("cannot open the X display", lines[0])

    def test_unreachable_display_exits_with_status_1_quickly(self):
        status, elapsed, err = self.run_without({"DISPLAY": ":59999"})
        self.assertEqual(status, 1)
        self.assertLess(elapsed, 3.0)
        self.assertEqual(len(err.strip().splitlines()), 1, err)

    def test_server_without_opengl_cannot_provide_the_display_mode(self):
        with harness.Xvfb(extra_args=("-extension", "GLX")) as xvfb:
            program = harness.Program(xvfb, "idle_program")
            self.addCleanup(program.stop)
            self.assertEqual(program.wait(harness.WAIT), 1)
            self.assertEqual(program.stderr(), f'quintaro: the X display "{xvfb.display}" has no OpenGL (GLX)\n')


if __name__ == "__main__":
    unittest.main(verbosity=2)
