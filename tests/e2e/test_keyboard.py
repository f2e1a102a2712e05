"""Real key presses (XTEST) into a running program: the (character, scan) pairs
in the BIOS keyboard buffer, the keyboard device's scan codes, Pause, Ctrl+Break
and Alt+F4."""
import os
import re
import unittest

import harness


class KeyboardTest(harness.ProgramTest):
    program_name = "keyboard_reader_program"

    def setUp(self):
        super().setUp()
        self.wait_for(lambda out: "beat=" in out)

    def keys_after(self, mark):
        return re.findall(r"^key=([0-9A-F]{4})$", self.program.stdout()[mark:], re.M)

    def press(self, *keys):
        harness.press_keys(self.xvfb, self.window, *keys)

    def all_up_after(self, mark, out):
        """Whether every key pressed after mark is up again, as the keyboard device saw it."""
        downs = out[mark:].count(" down\n")
        return downs > 0 and out[mark:].count(" up\n") == downs

    def test_keys_reach_the_bios_buffer_with_their_bios_codes(self):
        cases = [
            ("a", "1E61"), ("shift+a", "1E41"), ("ctrl+a", "1E01"), ("alt+a", "1E00"),
            ("Return", "1C0D"), ("ctrl+Return", "1C0A"), ("ctrl+m", "320D"), ("KP_Enter", "1C0D"),
            ("F1", "3B00"), ("shift+F1", "5400"), ("ctrl+F1", "5E00"), ("alt+F1", "6800"),
            ("F11", "8500"), ("F12", "8600"),
            ("Up", "4800"), ("ctrl+Up", "8D00"), ("alt+Up", "9800"), ("Left", "4B00"),
            ("Home", "4700"), ("End", "4F00"), ("Prior", "4900"), ("Next", "5100"),
            ("Insert", "5200"), ("Delete", "5300"), ("ctrl+Delete", "9300"),
            ("Escape", "011B"), ("BackSpace", "0E08"), ("ctrl+BackSpace", "0E7F"),
            ("Tab", "0F09"), ("ctrl+Tab", "9400"), ("space", "3920"),
            ("1", "0231"), ("exclam", "0221"), ("alt+1", "7800"), ("minus", "0C2D"), ("ctrl+minus", "0C1F"),
            ("bracketleft", "1A5B"), ("slash", "352F"), ("shift+slash", "353F"), ("KP_Divide", "352F"),
            ("shift+Tab", "0F00"), ("ctrl+2", "0300"), ("ctrl+6", "071E"), ("ctrl+bracketleft", "1A1B"),
            ("ctrl+backslash", "2B1C"),
        ]
        for keys, expected in cases:
            with self.subTest(keys=keys):
                mark = len(self.program.stdout())
                self.press(keys)
                self.wait_then_two_beats(lambda out: "key=" in out[mark:] and self.all_up_after(mark, out))
                self.assertEqual(self.keys_after(mark), [expected])
        # No key is left held once every key is up again (Insert left its state on).
        last_held = lambda: re.findall(r"^held=(.*)$", self.program.stdout(), re.M)[-1]
        harness.wait_until(lambda: last_held() == "1 200012")
        self.assertEqual(last_held(), "1 200012")

    def test_typed_text_arrives_in_order(self):
        mark = len(self.program.stdout())
        harness.type_text(self.xvfb, self.window, "Hi, 48000!")
        self.wait_for(lambda out: out[mark:].count("key=") >= 10)
        chars = "".join(chr(int(k, 16) & 0xFF) for k in self.keys_after(mark))
        self.assertEqual(chars, "Hi, 48000!")

    def test_the_keyboard_device_gets_pc_scan_codes(self):
        mark = len(self.program.stdout())
        self.press("a", "Control_R", "Up", "KP_Enter", "Num_Lock", "Num_Lock")
        self.wait_for(lambda out: out[mark:].count("scan=") >= 12)
        scans = re.findall(r"^scan=([0-9A-F]{3}) (down|up)$", self.program.stdout()[mark:], re.M)
        # xdotool holds left Ctrl (01D) as well to give right Ctrl's modifier state.
        scans = [s for s in scans if s[0] != "01D"]
        self.assertEqual(scans, [("01E", "down"), ("01E", "up"), ("11D", "down"), ("11D", "up"),
                                 ("148", "down"), ("148", "up"), ("11C", "down"), ("11C", "up"),
                                 ("145", "down"), ("145", "up"), ("145", "down"), ("145", "up")])

    def program_thread_parked(self):
        """Whether the program thread waits to be woken (a futex wait, system call
        202), as it does only while it stands still at a line boundary; between
        statements it sleeps in clock_nanosleep."""
        tasks = f"/proc/{self.program.pid}/task"
        for tid in os.listdir(tasks):
            try:
                with open(f"{tasks}/{tid}/comm") as f:
                    if f.read().strip() != "program":
                        continue
                with open(f"{tasks}/{tid}/syscall") as f:
                    return f.read().split()[0] == "202"
            except OSError:
                return False
        return False

    def beats(self):
        return [int(b) for b in re.findall(r"^beat=(\d+)$", self.program.stdout(), re.M)]

    def test_pause_freezes_the_program_until_the_next_key_which_is_consumed(self):
        self.press("Pause")
        self.assertTrue(harness.wait_until(self.program_thread_parked), "the program did not stand still")
        frozen_at = self.beats()[-1]
        self.assertTrue(self.program_thread_parked(), "the program ran on while paused")
        self.assertEqual(self.beats()[-1], frozen_at, "the program ran on while paused")
        mark = len(self.program.stdout())
        self.press("b")
        self.wait_for(lambda out: max(self.beats()) > frozen_at + 2)
        self.assertEqual(self.keys_after(mark), [], "the key that ended the pause was delivered")
        self.press("c")
        self.wait_for(lambda out: "key=" in out[mark:])
        self.assertEqual(self.keys_after(mark), ["2E63"])

    def test_ctrl_break_ends_the_program_with_status_0(self):
        self.press("ctrl+Pause")
        self.assertEqual(self.program.wait(harness.WAIT), 0, self.program.stderr())

    def test_ctrl_scroll_lock_is_break_too(self):
        self.press("ctrl+Scroll_Lock")
        self.assertEqual(self.program.wait(harness.WAIT), 0, self.program.stderr())

    def test_alt_f4_ends_the_program_with_status_0(self):
        self.press("alt+F4")
        self.assertEqual(self.program.wait(harness.WAIT), 0, self.program.stderr())

    def test_f4_alone_does_not_end_it(self):
        mark = len(self.program.stdout())
        self.press("F4")
        self.wait_for(lambda out: "key=" in out[mark:])
        self.assertEqual(self.keys_after(mark), ["3E00"])
        self.assertTrue(self.program.alive())


if __name__ == "__main__":
    unittest.main(verbosity=2)
