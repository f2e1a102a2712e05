"""The window's copy and paste keys with real key presses (XTEST) and another X
client (xclip): the calculator's result copied off its graphics screen, a
sample rate pasted at its prompt, a long text pasted into INPUT line after
line, and the keys handed back to programs with QUINTARO_CLIPBOARD_KEYS=0."""
import subprocess
import time
import unittest

import harness

LABELS = ["4 measures = ", "2 measures = ", "Measure = ", "Whole note = ", "1/2 note = ", "1/4 note = ",
          "1/8 note = ", "1/16 note = ", "1/32 note = "]
VALUES = ["1411200", "705600", "352800", "88200", "44100", "22050", "11025", "5512.5", "2756.25"]
# The calculator's 15 rows after 44100 and 120: the number's sign place in column 15, digits from 16.
ROWS_AFTER_WORKED_EXAMPLE = (["Quintaro v1.0", "By Marrowby", "Sample rate: 44100", "BPM: 120"]
                             + [label.ljust(14) + " " + value + " samples." for label, value in zip(LABELS, VALUES)]
                             + ["", "Press any key to quit."])


class ClipboardKeysTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def start(self, name, env=None):
        program = harness.Program(self.xvfb, name, env=env)
        self.addCleanup(program.stop)
        return program, harness.program_window(self.xvfb, pid=program.pid)

    def xclip_out(self, selection="clipboard"):
        result = subprocess.run(["xclip", "-o", "-selection", selection, "-t", "UTF8_STRING"],
                                env=self.xvfb.env, capture_output=True, timeout=10)
        return result.stdout.decode("utf-8") if result.returncode == 0 else None

    def xclip_in(self, text):
        """xclip owns the clipboard with text until the test ends."""
        proc = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-i"], env=self.xvfb.env,
                                stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.addCleanup(lambda: (proc.kill(), proc.wait(), proc.stderr.close()))
        proc.stdin.write(text.encode("utf-8"))
        proc.stdin.close()
        self.assertIn(b"Waiting for selection requests", proc.stderr.readline())

    def wait_for_row(self, window, row, text, timeout=harness.WAIT):
        deadline = time.monotonic() + timeout
        rows = []
        while time.monotonic() < deadline:
            rows = harness.screen_text(self.xvfb, window)
            if len(rows) > row and rows[row] == text:
                return rows
            time.sleep(0.1)
        self.fail(f"row {row + 1} is not {text!r}: {rows}")

    def wait_for_output(self, program, text, timeout=harness.WAIT):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if text in program.stdout():
                return program.stdout()
            time.sleep(0.05)
        self.fail(f"no {text!r} in {program.stdout()[-600:]!r}")

    def test_calculator_result_copied_and_sample_rate_pasted(self):
        program, window = self.start("quintaro")
        self.wait_for_row(window, 2, "Sample rate:")
        # Pasted at the first prompt: the rate fills it and the line end moves on.
        self.xclip_in("48000\n")
        harness.press_keys(self.xvfb, window, "shift+Insert")
        self.wait_for_row(window, 3, "BPM:")
        self.assertEqual(harness.screen_text(self.xvfb, window)[2], "Sample rate: 48000")
        program.stop()

        program, window = self.start("quintaro")
        self.wait_for_row(window, 2, "Sample rate:")
        harness.type_text(self.xvfb, window, "44100")
        harness.press_keys(self.xvfb, window, "Return")
        self.wait_for_row(window, 3, "BPM:")
        harness.type_text(self.xvfb, window, "120")
        harness.press_keys(self.xvfb, window, "Return")
        self.wait_for_row(window, 14, "Press any key to quit.")
        harness.press_keys(self.xvfb, window, "ctrl+shift+c")
        expected = "\n".join(ROWS_AFTER_WORKED_EXAMPLE)
        self.assertEqual(harness.wait_until(lambda: self.xclip_out() == expected and expected), expected,
                         self.xclip_out())
        self.assertEqual(self.xclip_out("primary"), expected)
        # The keys were the window's: the calculator still waited for its key to
        # quit, so the next key leaves its loop and the end prompt waits for one more.
        harness.press_keys(self.xvfb, window, "x")
        self.wait_for_row(window, 29, "Press any key to continue")
        self.assertTrue(program.alive())
        harness.press_keys(self.xvfb, window, "y")
        self.assertEqual(program.wait(harness.WAIT), 0, program.stderr())

    def test_long_paste_into_input_arrives_in_order(self):
        program, window = self.start("paste_reader_program")
        self.wait_for_output(program, "input 1\n")
        # Text screens are copied from their cells.
        harness.press_keys(self.xvfb, window, "ctrl+shift+c")
        self.assertTrue(harness.wait_until(lambda: self.xclip_out() == "Paste reader\n?"), self.xclip_out())

        # 1,000 characters in five lines; a line takes at most 255 characters.
        pattern = "abcdefghijklmnopqrstuvwxyz0123456789 ,.;:-+=/()ABCDEFGHIJKLMNOPQRSTUVWXYZ"
        lengths = [150, 300, 200, 250, 95]
        lines = []
        at = 0
        for n in lengths:
            lines.append("".join(pattern[(at + i) % len(pattern)] for i in range(n)))
            at += n
        text = "\n".join(lines) + "\n"
        self.assertEqual(len(text), 1000)
        self.xclip_in(text)
        harness.press_keys(self.xvfb, window, "ctrl+shift+v")
        out = self.wait_for_output(program, f"input {len(lines) + 1}\n", timeout=90)
        got = [bytes.fromhex(l[5:]).decode("latin-1") for l in out.splitlines() if l.startswith("line=")]
        self.assertEqual(got, [line[:255] for line in lines])

        # Characters without a PC form are left out; the rest arrive as typed.
        self.xclip_in("Caf\u00e9 \u20ac5\tx\n")
        harness.press_keys(self.xvfb, window, "shift+Insert")
        out = self.wait_for_output(program, f"input {len(lines) + 2}\n")
        self.assertTrue(out.splitlines()[-2].startswith("line=" + "Caf\x82 5".encode("latin-1").hex().upper()),
                        out.splitlines()[-2])

    def test_pasted_keys_taken_or_refused_wait_for_nothing(self):
        program, window = self.start("paste_reader_program")
        self.wait_for_output(program, "input 1\n")

        def paste_timed(text, inputs_after):
            self.xclip_in(text)
            start = time.monotonic()
            harness.press_keys(self.xvfb, window, "shift+Insert")
            self.wait_for_output(program, f"input {inputs_after}\n", timeout=120)
            return time.monotonic() - start

        # 1,500 keys taken (six lines of 249 and their ends), then 1,500 keys of
        # one line, of which all past the 255th are refused. A key that waited
        # for the next wake-up went at about 65 a second (23 s for either); a
        # generous cap, for loaded machines and sanitizer builds.
        taken = paste_timed(("t" * 249 + "\n") * 6, 7)
        refused = paste_timed("r" * 1499 + "\n", 8)
        self.assertLess(taken, 12, (taken, refused))
        self.assertLess(refused, 12, (taken, refused))
        line = bytes.fromhex(program.stdout().split("line=")[-1].split("\n")[0]).decode()
        self.assertEqual(line, "r" * 255)

    def test_a_real_key_stops_a_paste(self):
        program, window = self.start("paste_reader_program")
        self.wait_for_output(program, "input 1\n")
        # Far more than a line takes (255 characters; the rest are dropped): the
        # paste is still typing when the real key comes, however slow the machine.
        self.xclip_in("9" * 200000 + "\n")
        harness.press_keys(self.xvfb, window, "shift+Insert")
        self.assertTrue(harness.wait_until(lambda: harness.screen_text(self.xvfb, window)[1].startswith("? 9999")))
        harness.press_keys(self.xvfb, window, "Return")
        out = self.wait_for_output(program, "input 2\n")
        line = bytes.fromhex(out.split("line=")[1].split("\n")[0]).decode()
        # What the buffer held when the key came is typed; the rest of the paste
        # never is: the next line holds exactly the keys typed after it.
        self.assertTrue(0 < len(line) <= 255 and set(line) == {"9"}, line)
        harness.press_keys(self.xvfb, window, "x", "Return")
        out = self.wait_for_output(program, "input 3\n")
        lines = [bytes.fromhex(l[5:]).decode() for l in out.splitlines() if l.startswith("line=")]
        self.assertEqual(lines, [line, "x"])

    def test_keys_handed_back_to_the_program(self):
        for setting, expect_keys in (("0", True), ("", False)):
            with self.subTest(QUINTARO_CLIPBOARD_KEYS=setting):
                program, window = self.start("keyboard_reader_program", env={"QUINTARO_CLIPBOARD_KEYS": setting})
                self.wait_for_output(program, "ready\n")
                harness.press_keys(self.xvfb, window, "ctrl+shift+v", "shift+Insert", "ctrl+shift+c", "a")
                out = self.wait_for_output(program, "key=1E61\n")
                keys = [line for line in out.splitlines() if line.startswith("key=")]
                self.assertEqual(len(keys), 4 if expect_keys else 1, keys)  # 'a' always
                for scan in ("02F", "152", "02E"):  # V, Insert, C as the keyboard device saw them
                    self.assertEqual(f"scan={scan} down\n" in out, expect_keys, scan)
                program.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
