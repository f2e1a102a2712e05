"""What start-up prepares, seen from a running program: directories, the command
line, the BIOS keyboard buffer, the tick count and the lock keys."""
import os
import re
import time
import unittest

import harness


class StartupTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def report(self, args, cwd):
        program = harness.Program(self.xvfb, "startup_report_program", args=args, cwd=cwd)
        self.addCleanup(program.stop)
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())
        return dict(re.findall(r"^(\w+)=(.*)$", program.stdout(), re.M))

    def test_directories_command_line_keyboard_buffer_and_ticks(self):
        report = self.report(["a", "b c"], cwd="/tmp")
        self.assertEqual(report["startup_dir"], "/tmp")
        self.assertEqual(os.path.realpath(report["current_dir"]),
                         os.path.realpath(os.path.dirname(harness.program_path("startup_report_program"))))
        self.assertEqual(report["command_line"], "[a b c]")
        self.assertEqual(report["kbd_head"], "001E kbd_tail=001E")
        # 18.2 ticks a second, counted by the main loop about 60 times a second.
        ticks, elapsed = (int(n) for n in re.match(r"(\d+) elapsed_ms=(\d+)", report["ticks"]).groups())
        self.assertLessEqual(abs(ticks - elapsed * 18.2065 / 1000), 2.5, report["ticks"])

    def test_no_arguments_give_an_empty_command_line(self):
        self.assertEqual(self.report([], cwd="/")["command_line"], "[]")

    def test_lock_keys_follow_the_keyboard(self):
        program = harness.Program(self.xvfb, "lock_keys_program")
        self.addCleanup(program.stop)
        window = harness.program_window(self.xvfb)

        def flags_after(key):
            before = program.stdout().count("flags=")
            harness.press_keys(self.xvfb, window, key)
            deadline = time.monotonic() + harness.WAIT
            while program.stdout().count("flags=") == before and time.monotonic() < deadline:
                time.sleep(0.02)
            return int(program.stdout().strip().splitlines()[-1].split("=")[1], 16)

        self.assertTrue(harness.wait_until(lambda: "flags=" in program.stdout()), program.stderr())
        start = int(program.stdout().splitlines()[-1].split("=")[1], 16)
        self.assertEqual(start & 0x60, 0)
        self.assertEqual(flags_after("Caps_Lock") & 0x40, 0x40)
        self.assertEqual(flags_after("Num_Lock") & 0x60, 0x60)
        self.assertEqual(flags_after("Caps_Lock") & 0x60, 0x20)
        self.assertEqual(flags_after("Num_Lock") & 0x60, 0x00)


if __name__ == "__main__":
    unittest.main(verbosity=2)
