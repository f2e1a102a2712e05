"""Run-time errors in the dialog: continue or stop, critical errors, division by
zero, and a notice with far more text than fits."""
import time
import unittest

import harness

DIALOG_5_LOG = "[Unhandled Error #5] Line: 7 (in main module) | Illegal function call | Continue?"


def xprop_value(xvfb, window, prop):
    return xvfb.run(["xprop", "-id", str(window), prop]).stdout.strip()


def window_box(xvfb, window):
    """(x, y, width, height) of a window on the screen."""
    info = xvfb.run(["xwininfo", "-id", str(window)]).stdout
    fields = {}
    for line in info.splitlines():
        if ":" in line:
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
    return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
            int(fields["Width"]), int(fields["Height"]))


def text_bands(rows, x0, x1, y1):
    """Runs of pixel rows above y1 that hold dark (text) pixels between x0 and x1."""
    bands, inside = 0, False
    for y in range(y1):
        dark = any(sum(rows[y][x]) < 200 for x in range(x0, x1))
        if dark and not inside:
            bands += 1
        inside = dark
    return bands


class ErrorDialogTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def start(self, name):
        program = harness.Program(self.xvfb, name)
        self.addCleanup(program.err.close)
        self.addCleanup(program.out.close)
        self.addCleanup(program.stop)
        return program

    def dialog(self, program, title):
        """The dialog titled title, once it holds the keyboard focus."""
        window = harness.focused_window(self.xvfb, title)
        if window is None:
            self.fail(f"the dialog {title!r} did not take the focus; stderr: {program.stderr()}")
        return window

    def key(self, *keys):
        """Real key presses (XTEST) to whichever window has the focus."""
        result = self.xvfb.run(["xdotool", "key", "--delay", "40", *keys])
        self.assertEqual(result.returncode, 0, result.stderr)

    def log_lines(self, program, caption):
        return [l for l in program.stderr().split("\n") if l.startswith(f"[{caption}]")]

    def test_error_5_shows_its_three_lines_and_yes_continues_with_line_8(self):
        program = self.start("error_continue_program")
        dialog = self.dialog(program, "Unhandled Error #5")
        self.assertEqual(self.log_lines(program, "Unhandled Error #5"), [DIALOG_5_LOG])
        self.assertNotIn("line 8", program.stdout())

        main = harness.program_window(self.xvfb)
        self.assertIn(hex(main), xprop_value(self.xvfb, dialog, "WM_TRANSIENT_FOR"))
        mx, my, mw, mh = window_box(self.xvfb, main)
        dx, dy, dw, dh = window_box(self.xvfb, dialog)
        self.assertLessEqual(abs((dx + dw / 2) - (mx + mw / 2)), 2)
        self.assertLessEqual(abs((dy + dh / 2) - (my + mh / 2)), 2)

        # Three lines of text stand above the buttons.
        three_lines = lambda w, h, rows: text_bands(rows, 0, w, h - 50) == 3
        w, h, rows = harness.settled_pixels(self.xvfb, dialog, three_lines)
        self.assertEqual(text_bands(rows, 0, w, h - 50), 3)

        self.key("y")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())
        self.assertIn("line 8 ran, pending error 0", program.stdout())
        self.assertEqual(len(self.log_lines(program, "Unhandled Error #5")), 1)

    def test_enter_presses_yes_which_has_the_focus_first(self):
        program = self.start("error_continue_program")
        self.dialog(program, "Unhandled Error #5")
        self.key("Return")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())
        self.assertIn("line 8 ran", program.stdout())

    def test_stopping_answers_end_the_process_with_status_0_before_line_8(self):
        answers = {
            "n": lambda d: self.key("n"),
            "Escape": lambda d: self.key("Escape"),
            "Tab then space": lambda d: self.key("Tab", "space"),
            "close button": lambda d: harness.send_close(self.xvfb, d),
            "click on No": self.click_no,
        }
        for name, answer in answers.items():
            with self.subTest(answer=name):
                program = self.start("error_continue_program")
                dialog = self.dialog(program, "Unhandled Error #5")
                answer(dialog)
                self.assertEqual(program.wait(harness.WAIT), 0, program.stderr())
                self.assertIn("line 1", program.stdout())
                self.assertNotIn("line 8", program.stdout())

    def click_no(self, dialog):
        # No is the right-hand button, at the bottom right corner.
        w, h = harness.window_geometry(self.xvfb, dialog)
        self.xvfb.run(["xdotool", "mousemove", "--window", str(dialog), str(w - 40), str(h - 24),
                       "click", "1"])

    def test_critical_error_309_has_only_ok_and_ends_the_process(self):
        program = self.start("error_critical_program")
        dialog = self.dialog(program, "Critical Error #309")
        self.assertEqual(self.log_lines(program, "Critical Error #309"),
                         ["[Critical Error #309] Line: 3 (in main module) | Memory not initialized"])
        self.key("y", "n")  # no Yes or No to answer with
        # The mouse button goes down on OK (bottom right) after the keys: once the
        # box draws OK pressed, it has taken the keys and is still there; the
        # button's release on OK answers.
        before = harness.settled_pixels(self.xvfb, dialog)[2]
        w, h = harness.window_geometry(self.xvfb, dialog)
        self.xvfb.run(["xdotool", "mousemove", "--window", str(dialog), str(w - 40), str(h - 24),
                       "mousedown", "1"])
        self.assertTrue(harness.wait_until(lambda: harness.pixels(self.xvfb, dialog)[2] != before))
        self.assertTrue(program.alive())
        self.xvfb.run(["xdotool", "mouseup", "1"])
        self.assertEqual(program.wait(harness.WAIT), 0, program.stderr())
        self.assertNotIn("line 4", program.stdout())

    def test_integer_division_by_zero_ends_with_the_division_box(self):
        program = self.start("error_division_program")
        self.dialog(program, "Critical Error")
        self.assertEqual(self.log_lines(program, "Critical Error"), ["[Critical Error] Division by zero"])
        self.key("space")
        self.assertEqual(program.wait(harness.WAIT), 0, program.stderr())
        self.assertNotIn("line 4", program.stdout())

    def test_notice_longer_than_the_screen_stays_on_it_and_is_logged_in_full(self):
        program = self.start("error_alert_program")
        dialog = self.dialog(program, "Alert")
        x, y, w, h = window_box(self.xvfb, dialog)
        self.assertGreaterEqual(min(x, y), 0)
        self.assertLessEqual(x + w, 1024)
        self.assertLessEqual(y + h, 768)
        logged = self.log_lines(program, "Alert")
        self.assertEqual(len(logged), 1)
        # Bytes 1-8 and 11-31 show as '?', the tab as a space; '\r' is dropped.
        self.assertTrue(logged[0].startswith(
            "[Alert] First line of a long notice | " + "?" * 8 + "  | " + "?" * 20 + " !\"#$%"),
            logged[0][:120])
        self.assertTrue(logged[0].endswith("line 99999 | "))
        self.key("Return")
        deadline = time.monotonic() + harness.WAIT
        while "alert answered" not in program.stdout() and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertIn("alert answered", program.stdout())

        # A caption far too long for a title is cut to one that fits, and logged whole.
        self.dialog(program, "C" * 197 + "...")
        self.assertEqual(len(self.log_lines(program, "C" * 100000)), 1)
        self.key("Return")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())
        self.assertIn("box answered", program.stdout())


if __name__ == "__main__":
    unittest.main(verbosity=2)
