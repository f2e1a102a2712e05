"""Files from a running program: every line written is in the file however the
program stops, and a serial port reached through a pseudo-terminal pair."""
import os
import pty
import shutil
import signal
import tempfile
import termios
import time
import unittest

import harness

LINES = "".join(f"line {i}\r\n" for i in range(1, 10001)).encode()


class NothingLostTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder, True)

    def start(self, way):
        return harness.start_file_writer(self, self.xvfb, self.folder, way)

    def file_bytes(self):
        with open(os.path.join(self.folder, "lines.txt"), "rb") as f:
            return f.read()

    def dialog(self, title):
        window = harness.focused_window(self.xvfb, title)
        if window is None:
            self.fail(f"the dialog {title!r} did not take the focus")
        return window

    def key(self, *keys):
        self.xvfb.run(["xdotool", "key", "--delay", "40", *keys])

    def test_every_line_is_in_the_file_however_the_program_stops(self):
        def close_request(program):
            harness.send_close(self.xvfb, harness.program_window(self.xvfb, pid=program.pid))
            return program.wait(harness.WAIT)

        def answer_no(program):
            self.dialog("Unhandled Error #5")
            self.key("n")
            return program.wait(harness.WAIT)

        def ok_to_critical_box(program):
            self.dialog("Critical Error #309")
            self.key("Return")
            return program.wait(harness.WAIT)

        def end_prompt(program):
            window = harness.program_window(self.xvfb, pid=program.pid)
            first_row = lambda: harness.screen_text(self.xvfb, window, rows_count=1)[0]
            harness.wait_until(lambda: first_row() == "lines         written")
            self.assertEqual(first_row(), "lines         written")
            return harness.end_at_prompt(self.xvfb, program)

        def signal_with(number):
            def send(program):
                program.proc.send_signal(number)
                return program.wait(harness.WAIT)
            return send

        ways = [
            ("end", end_prompt, 0),
            ("close", close_request, 0),
            ("error", answer_no, 0),
            ("fatal", ok_to_critical_box, 0),
            ("signal", signal_with(signal.SIGTERM), -signal.SIGTERM),
            ("signal", signal_with(signal.SIGINT), -signal.SIGINT),
            ("signal", signal_with(signal.SIGHUP), -signal.SIGHUP),
        ]
        for way, stop, status in ways:
            with self.subTest(way=way, stop=stop.__name__):
                program = self.start(way)
                try:
                    self.assertEqual(stop(program), status, program.stderr())
                    self.assertEqual(self.file_bytes(), LINES)
                finally:
                    program.stop()  # the next way looks for the only window there is
                    os.remove(os.path.join(self.folder, "lines.txt"))


    def test_written_lines_reach_the_system_within_a_fifth_of_a_second(self):
        # The program writes its last line and waits: another process sees
        # every line soon after, and a kill then loses nothing.
        program = self.start("close")
        seen = time.monotonic()
        while self.file_bytes() != LINES and time.monotonic() - seen < 5:
            time.sleep(0.005)
        self.assertEqual(self.file_bytes(), LINES)
        self.assertLess(time.monotonic() - seen, 0.2)
        program.stop()
        os.remove(os.path.join(self.folder, "lines.txt"))

        program = self.start("close")
        time.sleep(0.15)
        program.proc.send_signal(signal.SIGKILL)
        self.assertEqual(program.wait(10), -signal.SIGKILL)
        self.assertEqual(self.file_bytes(), LINES)


class SerialPortTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)
        self.master, self.slave = pty.openpty()
        self.addCleanup(os.close, self.master)
        self.addCleanup(os.close, self.slave)

    def read_master(self, n, timeout=harness.WAIT):
        got = b""
        deadline = time.monotonic() + timeout
        while len(got) < n and time.monotonic() < deadline:
            try:
                got += os.read(self.master, n - len(got))
            except BlockingIOError:
                time.sleep(0.02)
        return got

    @staticmethod
    def program_thread_polls(program):
        """Whether the program thread sleeps in poll (the serial port's wait)."""
        folder = f"/proc/{program.pid}/task"
        try:
            for tid in os.listdir(folder):
                with open(f"{folder}/{tid}/comm") as f:
                    if f.read().strip() != "program":
                        continue
                with open(f"{folder}/{tid}/syscall") as f:
                    return f.read().split()[0] in ("7", "271")  # poll, ppoll
        except OSError:
            return False
        return False

    def test_a_stop_ends_a_long_serial_wait_with_the_files_written(self):
        def close_request(program):
            harness.send_close(self.xvfb, harness.program_window(self.xvfb))

        def ctrl_break(program):
            harness.press_keys(self.xvfb, harness.program_window(self.xvfb), "ctrl+Break")

        def terminate(program):
            program.proc.send_signal(signal.SIGTERM)

        for stop, status in ((close_request, 0), (ctrl_break, 0), (terminate, -signal.SIGTERM)):
            with self.subTest(stop=stop.__name__):
                folder = tempfile.mkdtemp()
                self.addCleanup(shutil.rmtree, folder, True)
                program = harness.Program(self.xvfb, "serial_wait_program", args=(folder,),
                                          env={"QUINTARO_COM5": os.ttyname(self.slave)})
                try:
                    self.assertTrue(harness.wait_until(lambda: "waiting" in program.stdout(), 20))
                    self.assertIn("waiting 0", program.stdout(), program.stderr())
                    harness.program_window(self.xvfb)
                    self.assertTrue(harness.wait_until(lambda: self.program_thread_polls(program), 10))
                    started = time.monotonic()
                    stop(program)
                    sent = time.monotonic()
                    self.assertEqual(program.wait(10), status, program.stderr())
                    ended = time.monotonic()
                    took = ended - started
                    print(f"\n{stop.__name__}: ended {(ended - sent) * 1000:.0f} ms after the tool that"
                          f" sent the stop returned, {took * 1000:.0f} ms after it started")
                    self.assertLess(took, 2.0)
                    self.assertNotIn("read", program.stdout())
                    with open(os.path.join(folder, "log.txt"), "rb") as f:
                        self.assertEqual(f.read(), b"before the wait\r\n")
                finally:
                    program.stop()

    def test_bytes_cross_with_the_settings_applied(self):
        os.set_blocking(self.master, False)
        program = harness.Program(self.xvfb, "serial_echo_program",
                                  env={"QUINTARO_COM5": os.ttyname(self.slave)})
        self.addCleanup(program.err.close)
        self.addCleanup(program.out.close)
        self.addCleanup(program.stop)
        deadline = time.monotonic() + harness.WAIT
        while "opened" not in program.stdout() and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertIn("opened 0", program.stdout(), program.stderr())

        attributes = termios.tcgetattr(self.slave)
        self.assertEqual(attributes[5], termios.B9600)
        self.assertEqual(attributes[2] & termios.CSTOPB, termios.CSTOPB)
        self.assertEqual(attributes[2] & termios.CSIZE, termios.CS8)
        self.assertEqual(attributes[2] & termios.PARENB, 0)

        os.write(self.master, b"he\x00\x1ao")
        self.assertEqual(self.read_master(9), b"got he\x00\x1ao")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())
        self.assertIn("echoed", program.stdout())


if __name__ == "__main__":
    unittest.main()
