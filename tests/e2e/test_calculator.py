"""The calculator from start to end, as a user drives it: real key presses, the
window read back into rows of text."""
import time
import unittest

import harness


def number_row(label, digits):
    """A result row: the label, blanks up to column 14, the number's sign place in
    column 15, its digits from column 16, one blank and "samples."."""
    return label.ljust(14) + " " + digits + " samples."


LABELS = ["4 measures = ", "2 measures = ", "Measure = ", "Whole note = ", "1/2 note = ",
          "1/4 note = ", "1/8 note = ", "1/16 note = ", "1/32 note = "]


class CalculatorTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def start(self):
        program = harness.Program(self.xvfb, "quintaro")
        self.addCleanup(program.stop)
        window = harness.program_window(self.xvfb, pid=program.pid)
        self.wait_for_row(window, 2, "Sample rate:")
        return program, window

    def rows(self, window):
        return harness.screen_text(self.xvfb, window)

    def wait_for_row(self, window, row, text, timeout=harness.WAIT):
        deadline = time.monotonic() + timeout
        rows = []
        while time.monotonic() < deadline:
            rows = self.rows(window)
            if len(rows) > row and rows[row] == text:
                return rows
            time.sleep(0.1)
        self.fail(f"row {row + 1} is not {text!r}: {rows}")

    def enter(self, window, text):
        harness.type_text(self.xvfb, window, text)
        harness.press_keys(self.xvfb, window, "Return")

    def run_calculator(self, rate, bpm):
        program, window = self.start()
        self.enter(window, rate)
        self.wait_for_row(window, 3, "BPM:")
        self.enter(window, bpm)
        rows = self.wait_for_row(window, 14, "Press any key to quit.")
        return program, window, rows

    def test_worked_example_then_the_two_keys_that_end_it(self):
        program, window, rows = self.run_calculator("44100", "120")
        values = ["1411200", "705600", "352800", "88200", "44100", "22050", "11025", "5512.5", "2756.25"]
        expected = ["Quintaro v1.0", "By Marrowby", "Sample rate: 44100", "BPM: 120"]
        expected += [number_row(label, value) for label, value in zip(LABELS, values)]
        expected += ["", "Press any key to quit."]
        self.assertEqual(rows[:15], expected)
        self.assertEqual(rows[4].index("1411200"), 15)  # digits from column 16
        self.assertEqual(rows[4][13:15], "  ")
        self.assertEqual(rows[4][22:31], " samples.")
        self.assertEqual(rows[15:], [""] * 15)

        harness.press_keys(self.xvfb, window, "x")  # leaves the loop; not echoed
        rows = self.wait_for_row(window, 29, "Press any key to continue")
        self.assertEqual(rows[:15], expected)
        self.assertEqual(rows[15:29], [""] * 14)
        self.assertTrue(program.alive())
        harness.press_keys(self.xvfb, window, "y")
        self.assertEqual(program.wait(harness.WAIT), 0, program.stderr())

    def test_a_window_manager_that_died_leaves_a_check_window_that_is_gone(self):
        made = self.xvfb.run([harness.program_path("dead_wm_check")])
        self.assertEqual(made.returncode, 0, made.stderr)
        dead = int(made.stdout, 16)
        root = self.xvfb.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout
        self.assertIn(hex(dead), root)
        self.assertNotEqual(self.xvfb.run(["xwininfo", "-id", hex(dead)]).returncode, 0)

        program, window, rows = self.run_calculator("44100", "120")
        self.assertEqual(rows[9], number_row("1/4 note = ", "22050"))
        harness.press_keys(self.xvfb, window, "x")
        self.wait_for_row(window, 29, "Press any key to continue")
        harness.press_keys(self.xvfb, window, "y")
        self.assertEqual(program.wait(5), 0, program.stderr())

    def test_help_and_version_answer_without_a_window(self):
        path = harness.program_path("quintaro")
        for argument, expected in (("--help", "Usage: quintaro"), ("--version", "quintaro 1.0")):
            # No display at all: the answer needs none.
            env = {k: v for k, v in harness.os.environ.items() if k != "DISPLAY"}
            done = harness.subprocess.run([path, argument], env=env, capture_output=True, text=True,
                                          timeout=10)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertTrue(done.stdout.startswith(expected), done.stdout)
            self.assertEqual(done.stderr, "")
        # Anything else is the program's command line: the window opens as usual.
        program = harness.Program(self.xvfb, "quintaro", args=["--helpme"])
        self.addCleanup(program.stop)
        harness.program_window(self.xvfb)
        self.assertTrue(program.alive())

    def test_other_rates_and_tempos(self):
        cases = {
            ("48000", "140"): ["1316544", "658272", "329136", "82284", "41142", "20571", "10285.5",
                               "5142.75", "2571.375"],
            ("44100", "0"): ["0"] * 9,
            ("1", "24"): ["128", "64", "32", "8", "4", "2", "1", ".5", ".25"],  # 2.5 rounds to 2
            ("7", "120"): ["256", "128", "64", "16", "8", "4", "2", "1", ".5"],  # 3.5 rounds to 4
        }
        for (rate, bpm), values in cases.items():
            with self.subTest(rate=rate, bpm=bpm):
                program, window, rows = self.run_calculator(rate, bpm)
                self.assertEqual(rows[4:13], [number_row(l, v) for l, v in zip(LABELS, values)])
                program.stop()

    def test_refused_keys_change_nothing(self):
        program, window = self.start()
        for key in ["a", "space", "plus", "Z", "comma"]:
            harness.press_keys(self.xvfb, window, key)
        harness.type_text(self.xvfb, window, "05")  # a digit after a leading 0
        self.wait_for_row(window, 2, "Sample rate: 0")
        harness.press_keys(self.xvfb, window, "BackSpace")
        self.enter(window, "44100")
        self.wait_for_row(window, 3, "BPM:")
        harness.type_text(self.xvfb, window, "32768")  # the 8 does not fit 16 bits
        self.wait_for_row(window, 3, "BPM: 3276")
        harness.press_keys(self.xvfb, window, "Return")
        rows = self.wait_for_row(window, 14, "Press any key to quit.")
        self.assertEqual(rows[9], number_row("1/4 note = ", "808"))  # 2646000 / 3276
        self.assertEqual(self.xvfb.run(["xdotool", "search", "--name", "Error"]).stdout, "")

    def test_a_close_request_at_the_bpm_prompt_or_the_final_prompt_ends_it(self):
        program, window = self.start()
        self.enter(window, "44100")
        self.wait_for_row(window, 3, "BPM:")
        harness.send_close(self.xvfb, window)
        self.assertEqual(program.wait(harness.WAIT), 0, program.stderr())

        program, window, _ = self.run_calculator("44100", "120")
        harness.press_keys(self.xvfb, window, "x")
        self.wait_for_row(window, 29, "Press any key to continue")
        harness.send_close(self.xvfb, window)
        self.assertEqual(program.wait(harness.WAIT), 0, program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
