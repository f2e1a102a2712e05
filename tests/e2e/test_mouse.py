"""Real pointer events (XTEST) into a running program: clicks and wheel turns in
the mouse queue and as mouse device events, motion scaled to -1..+1 of the
screen picture, raw movement, and key scan codes as keyboard device events."""
import re
import unittest

import harness

ENTRY = re.compile(r"^mouse (-?\d+) (-?\d+) ([0-9A-F]+) (-?\d+) (-?\d+) wheel=(-?\d+)$", re.M)
DEVICE = re.compile(r"^dev2 (\S+) (\S+) (\S+) (\d) (\d) (\d)$", re.M)


class MouseTest(harness.ProgramTest):
    program_name = "mouse_reader_program"

    def setUp(self):
        super().setUp()
        self.wait_for(lambda out: "beat=" in out)
        # Without a window manager a new window may stand partly off the screen.
        self.xvfb.run(["xdotool", "windowmove", "--sync", str(self.window), "0", "0"])
        self.move(320, 200)

    def xdotool(self, *args):
        result = self.xvfb.run(["xdotool", *args])
        self.assertEqual(result.returncode, 0, result.stderr)

    def move(self, x, y):
        mark = len(self.program.stdout())
        self.xdotool("mousemove", "--window", str(self.window), str(x), str(y))
        self.wait_then_two_beats(lambda out: "dev2" in out[mark:])

    def after(self, mark, pattern):
        return pattern.findall(self.program.stdout()[mark:])

    def test_clicks_reach_the_queue_and_the_mouse_device(self):
        cases = [("1", "1", 0), ("2", "2", 1), ("3", "4", 2)]
        for button, bit, device_button in cases:
            with self.subTest(button=button):
                mark = len(self.program.stdout())
                self.xdotool("click", button)
                self.wait_then_two_beats(lambda out: len(DEVICE.findall(out[mark:])) >= 2)
                entries = self.after(mark, ENTRY)
                self.assertEqual([(e[0], e[1], e[2]) for e in entries], [("320", "200", bit), ("320", "200", "0")])
                pressed = [[int(v) for v in d[3:]] for d in self.after(mark, DEVICE)]
                down = [0, 0, 0]
                down[device_button] = 1
                self.assertEqual(pressed, [down, [0, 0, 0]])

    def test_a_button_held_while_moving_stays_in_the_entries(self):
        mark = len(self.program.stdout())
        self.xdotool("mousedown", "1")
        self.xdotool("mousemove", "--window", str(self.window), "330", "210")
        self.xdotool("mouseup", "1")
        self.wait_for(lambda out: re.search(r"^mouse 330 210 0 ", out[mark:], re.M))
        buttons = [(e[0], e[1], e[2]) for e in self.after(mark, ENTRY) if e[3] == "0" and e[4] == "0"]
        self.assertEqual(buttons, [("320", "200", "1"), ("330", "210", "1"), ("330", "210", "1"),
                                   ("330", "210", "0")])

    def test_wheel_turns_are_buttons_4_and_5(self):
        # Button 4 turns the wheel away from the user, button 5 towards.
        for button, bit, wheel, value in [("4", "8", "-1", "-1.0"), ("5", "10", "1", "1.0")]:
            with self.subTest(button=button):
                mark = len(self.program.stdout())
                self.xdotool("click", button)
                self.wait_then_two_beats(
                    lambda out: len(DEVICE.findall(out[mark:])) >= 2 and len(ENTRY.findall(out[mark:])) >= 2)
                entries = self.after(mark, ENTRY)
                self.assertEqual([(e[2], e[5]) for e in entries], [(bit, wheel), ("0", "0")])
                self.assertEqual([d[2] for d in self.after(mark, DEVICE)], [value, "0.0"])

    def test_motion_gives_two_entries_and_axes_across_the_picture(self):
        # The window shows the 640 x 400 picture 1:1.
        for x, y, ax, ay in [(0, 0, "-1.0000", "-1.0000"), (639, 399, "1.0000", "1.0000"),
                             (100, 300, f"{100 / 639 * 2 - 1:.4f}", f"{300 / 399 * 2 - 1:.4f}")]:
            with self.subTest(x=x, y=y):
                mark = len(self.program.stdout())
                self.move(x, y)
                entries = self.after(mark, ENTRY)
                self.assertEqual([(int(e[0]), int(e[1])) for e in entries], [(x, y), (x, y)])
                self.assertEqual([(d[0], d[1]) for d in self.after(mark, DEVICE)], [(ax, ay)])

    def test_raw_movement_is_recorded_with_the_newest_position(self):
        mark = len(self.program.stdout())
        self.xdotool("mousemove_relative", "--", "7", "-4")
        self.wait_then_two_beats(lambda out: re.search(r"^mouse -?\d+ -?\d+ 0 7 -4 ", out[mark:], re.M))
        entries = self.after(mark, ENTRY)
        raw = [i for i, e in enumerate(entries) if (e[3], e[4]) == ("7", "-4")]
        self.assertEqual(len(raw), 1)
        self.assertIn(entries[raw[0]][:2], [("320", "200"), ("327", "196")])  # before or after the motion event
        self.assertEqual(entries[raw[0] + 1][3:5], ("0", "0"))

    def test_the_keyboard_device_gets_scan_codes(self):
        mark = len(self.program.stdout())
        harness.press_keys(self.xvfb, self.window, "a", "Up")
        self.wait_for(lambda out: out[mark:].count("dev1 ") >= 4)
        scans = re.findall(r"^dev1 scan=(\w+) (down|up)$", self.program.stdout()[mark:], re.M)
        self.assertEqual(scans, [("01E", "down"), ("01E", "up"), ("148", "down"), ("148", "up")])


if __name__ == "__main__":
    unittest.main()
