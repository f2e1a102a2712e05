"""Programs that wait: a tight INKEY$ loop still gets every key, the threads
carry names that top -H and a debugger show, and the end-of-program prompt
ends the program on a key."""
import os
import unittest

import harness


class WaitingTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)
        self.program = harness.Program(self.xvfb, "inkey_poll_program")
        self.addCleanup(self.program.stop)
        self.window = harness.program_window(self.xvfb, "Untitled", pid=self.program.pid)
        self.assertTrue(harness.wait_until(lambda: "ready" in self.program.stdout()), self.program.stderr())

    def test_tight_inkey_loop_gets_every_key_and_ends_on_the_prompt(self):
        # "ready" came after the loop had polled long enough to wait between polls.
        harness.type_text(self.xvfb, self.window, "quiet 42")
        harness.press_keys(self.xvfb, self.window, "Escape")
        self.assertTrue(harness.wait_until(lambda: "done" in self.program.stdout()), self.program.stdout())
        keys = [line[4:] for line in self.program.stdout().splitlines() if line.startswith("key=")]
        self.assertEqual(keys, [f"{ord(c):02X}" for c in "quiet 42"] + ["1B"])
        self.assertEqual(harness.end_at_prompt(self.xvfb, self.program), 0, self.program.stderr())

    def test_threads_are_named(self):
        pid = self.program.pid
        names = set()
        for tid in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{tid}/comm") as f:
                names.add(f.read().strip())
        # The window thread is the process's first: it keeps the program's name.
        self.assertTrue({"inkey_poll_prog", "program", "timer", "main loop", "stop signals"} <= names, names)


if __name__ == "__main__":
    unittest.main(verbosity=2)
