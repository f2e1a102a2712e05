"""A statement that would run for hours ends with the program: a DRAW of
sub-strings that double their work forty times is stopped in its middle by a
close request, by Ctrl+Break and by SIGTERM."""
import signal
import time
import unittest

import harness


class LongDrawTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def stop_while_drawing(self, stop):
        """Seconds from the stop to the end of the process."""
        with harness.Program(self.xvfb, "long_draw_program") as program:
            window = harness.program_window(self.xvfb)
            self.assertTrue(harness.wait_until(lambda: "drawing" in program.stdout(), 20), program.stderr())
            # Well inside the statement: it has used processor time since it began.
            began = harness.process_cpu_seconds(program.pid)
            self.assertTrue(harness.wait_until(lambda: harness.process_cpu_seconds(program.pid) > began + 0.2, 20))
            sent = time.monotonic()
            stop(program, window)
            status = program.wait(20)
            elapsed = time.monotonic() - sent
            self.assertIsNotNone(status, "still running")
            self.assertNotIn("finished", program.stdout())
            return elapsed

    def test_close_request(self):
        elapsed = self.stop_while_drawing(lambda program, window: harness.send_close(self.xvfb, window))
        self.assertLess(elapsed, 1.0)

    def test_ctrl_break(self):
        elapsed = self.stop_while_drawing(
            lambda program, window: harness.press_keys(self.xvfb, window, "ctrl+Pause"))
        self.assertLess(elapsed, 1.0)

    def test_sigterm(self):
        elapsed = self.stop_while_drawing(lambda program, window: program.proc.send_signal(signal.SIGTERM))
        self.assertLess(elapsed, 1.0)


if __name__ == "__main__":
    unittest.main()
