"""The end of a program that did not choose it: the X server going away under
it, a stop signal that was ignored when it started, and a close request while
the program waits inside a system call. Every line it wrote is in its file
however it ends, and it ends promptly."""
import os
import shutil
import signal
import tempfile
import time
import unittest

import harness

LINES = "".join(f"line {i}\r\n" for i in range(1, 10001)).encode()


class UnchosenEndTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder, True)

    def start(self, xvfb, way, preexec_fn=None):
        return harness.start_file_writer(self, xvfb, self.folder, way, preexec_fn)

    def file_bytes(self):
        with open(os.path.join(self.folder, "lines.txt"), "rb") as f:
            return f.read()

    def test_the_x_server_going_away_ends_with_status_1_and_every_line_written(self):
        for attempt in range(20):
            with self.subTest(attempt=attempt):
                xvfb = harness.Xvfb()
                self.addCleanup(xvfb.stop)
                program = self.start(xvfb, "signal")
                harness.program_window(xvfb)
                xvfb.proc.kill()
                status = program.wait(20)
                err = program.stderr()
                self.assertEqual(status, 1, err)
                self.assertIn("was lost", err)
                self.assertNotIn("Sanitizer", err)
                self.assertEqual(self.file_bytes(), LINES)
                program.stop()
                os.remove(os.path.join(self.folder, "lines.txt"))

    def test_a_stop_signal_ignored_at_the_start_stays_ignored(self):
        # The ignored signal goes first; the program must still be there to be
        # ended by SIGTERM, which it takes as usual (sigwait takes the lower
        # number first, so a taken SIGHUP or SIGINT would have ended it).
        for ignored in (signal.SIGHUP, signal.SIGINT):
            with self.subTest(ignored=ignored.name):
                xvfb = harness.Xvfb()
                self.addCleanup(xvfb.stop)
                program = self.start(xvfb, "signal", preexec_fn=lambda: signal.signal(ignored, signal.SIG_IGN))
                program.proc.send_signal(ignored)
                program.proc.send_signal(signal.SIGTERM)
                self.assertEqual(program.wait(20), -signal.SIGTERM, program.stderr())
                self.assertEqual(self.file_bytes(), LINES)
                program.stop()
                os.remove(os.path.join(self.folder, "lines.txt"))

    def test_a_close_request_ends_a_program_waiting_in_the_system(self):
        xvfb = harness.Xvfb()
        self.addCleanup(xvfb.stop)
        program = self.start(xvfb, "blocked")
        deadline = time.monotonic() + harness.WAIT
        while "blocking" not in program.stdout() and time.monotonic() < deadline:
            time.sleep(0.02)
        harness.send_close(xvfb, harness.program_window(xvfb))
        self.assertEqual(program.wait(20), 0, program.stderr())
        self.assertEqual(self.file_bytes(), LINES)


if __name__ == "__main__":
    unittest.main(verbosity=2)
