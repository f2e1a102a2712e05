"""The example programs of examples/ end to end: the drawing demo's two
screens, and the address book's records, report and file."""
import os
import struct
import tempfile
import unittest

import harness

EXAMPLES = os.path.join(harness.BUILD_DIR, "examples")
BLACK, RED, YELLOW = (0, 0, 0), (255, 0, 0), (255, 255, 0)
NIGHT_BLUE = (0x10, 0x18, 0x48)
VGA_RED, VGA_BROWN, VGA_YELLOW, VGA_WHITE = (170, 0, 0), (170, 85, 0), (255, 255, 85), (255, 255, 255)


def start(test, xvfb, name, args=(), cwd=None, title="Untitled"):
    """An example program running under xvfb, stopped when the test ends, and its window."""
    program = harness.Program(xvfb, os.path.join(EXAMPLES, name), args=args, cwd=cwd)
    test.addCleanup(program.stop)
    return program, harness.program_window(xvfb, title, pid=program.pid)


def text(xvfb, window):
    """The window's text rows; blank and unreadable cells read as spaces. The
    window is raised first: two windows of one test both stand at (0, 0). A
    window that cannot be read (minimised, say) has no rows."""
    xvfb.run(["xdotool", "windowraise", str(window)])
    try:
        return [row.replace("?", " ").rstrip() for row in harness.screen_text(xvfb, window)]
    except AssertionError:
        return []


def shot(xvfb, window, name):
    """A screenshot into the folder QUINTARO_SHOTS names, when it is set (to look at by eye)."""
    folder = os.environ.get("QUINTARO_SHOTS")
    if folder:
        xvfb.run(["xdotool", "windowraise", str(window)])
        harness.settled_pixels(xvfb, window)
        harness.screenshot(xvfb, window, os.path.join(folder, name + ".png"))


def wait_text(test, xvfb, window, wanted):
    """The window's text once some row holds wanted; fails after harness.WAIT."""
    rows = harness.wait_until(lambda: (lambda r: r if any(wanted in line for line in r) else None)(text(xvfb, window)))
    test.assertTrue(rows, f"{wanted!r} not on the screen: {text(xvfb, window)}")
    return rows


class DrawDemoTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def picture(self, window, probe, colour, last_line):
        """The picture once the probe pixel has its colour and the bottom row
        (printed after the drawing) starts with last_line."""
        bottom = lambda rows: "".join(harness.cell_text(rows, c, 29) or " " for c in range(len(last_line)))
        ok = lambda w, h, rows: (w, h) == (640, 480) and rows[probe[1]][probe[0]] == colour and bottom(rows) == last_line
        w, h, rows = harness.settled_pixels(self.xvfb, window, ok)
        self.assertEqual((w, h), (640, 480))
        self.assertEqual(bottom(rows), last_line)
        return rows

    def test_screen_12_then_the_32_bit_screen_with_copies(self):
        program, window = start(self, self.xvfb, "draw_demo")
        rows = self.picture(window, (470, 380), VGA_RED, "Press a key for the 32-bit")
        shot(self.xvfb, window, "draw_demo_screen_12")
        self.assertEqual(rows[380][470], VGA_RED)        # PAINT inside the circle
        self.assertEqual(rows[320][470], VGA_WHITE)      # the circle, 60 above its centre
        self.assertEqual(rows[440][90], VGA_BROWN)       # the house DRAW painted
        self.assertEqual(rows[420][40], VGA_YELLOW)      # the house's left wall
        self.assertEqual(rows[190][270], (0, 0, 170))    # the first ray, to the right in colour 1

        harness.press_keys(self.xvfb, window, "space")
        rows = self.picture(window, (44, 44), RED, "Press a key to end.")
        shot(self.xvfb, window, "draw_demo_32_bit")
        # The 16 x 16 face at 8 times: its 2 x 2 red corner covers 16 x 16 pixels,
        # the left eye (4..5, 5..6) covers x 72..87, y 80..95.
        self.assertEqual([rows[44][44], rows[55][55], rows[56][56]], [RED, RED, YELLOW])
        self.assertEqual([rows[80][72], rows[95][87], rows[96][87], rows[80][71]], [BLACK, BLACK, YELLOW, YELLOW])
        # Mirrored: the red corner is at the right.
        self.assertEqual([rows[44][423], rows[44][304]], [RED, YELLOW])
        # Smoothed: flat areas keep their colour; the corner's edge is a blend.
        self.assertEqual(rows[70][560], YELLOW)
        r, g, b = rows[44][476]
        self.assertEqual(r, 255)
        self.assertTrue(0 < g < 255, rows[44][476])
        # The translucent red box over the sky: about half red, the sky's blue halved.
        r, g, b = rows[260][100]
        self.assertTrue(120 <= r <= 135 and g == 0 and 40 <= b <= 52, rows[260][100])
        harness.press_keys(self.xvfb, window, "space")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())


class AddressBookTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.file = os.path.join(folder.name, "friends.dat")

    def add(self, window, name, phone, born):
        harness.press_keys(self.xvfb, window, "1")
        for prompt, value in (("Name:", name), ("Phone:", phone), ("Born (year):", born)):
            wait_text(self, self.xvfb, window, prompt)
            harness.type_text(self.xvfb, window, value)
            harness.press_keys(self.xvfb, window, "Return")

    def test_entries_are_records_of_the_file_and_the_report_lists_them(self):
        program, window = start(self, self.xvfb, "address_book", args=[self.file])
        wait_text(self, self.xvfb, window, "Address book: 0 entries")
        self.add(window, "Ada Lovelace", "555-0101", "1815")
        wait_text(self, self.xvfb, window, "Address book: 1 entries")
        self.add(window, "Alan Turing", "555-0199", "1912")
        wait_text(self, self.xvfb, window, "Address book: 2 entries")

        harness.press_keys(self.xvfb, window, "2")
        rows = wait_text(self, self.xvfb, window, "Press a key for the menu.")
        shot(self.xvfb, window, "address_book_report")
        self.assertIn("  1. Ada Lovelace        555-0101      1815", rows)
        self.assertIn("  2. Alan Turing         555-0199      1912", rows)
        harness.press_keys(self.xvfb, window, "space")
        wait_text(self, self.xvfb, window, "Address book: 2 entries")
        harness.press_keys(self.xvfb, window, "3")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())

        with open(self.file, "rb") as f:
            data = f.read()
        record = lambda name, phone, born: name.ljust(20) + phone.ljust(14) + struct.pack("<h", born)
        self.assertEqual(data, record(b"Ada Lovelace", b"555-0101", 1815) + record(b"Alan Turing", b"555-0199", 1912))

        # A second run finds the entries in the file.
        program, window = start(self, self.xvfb, "address_book", args=[self.file])
        wait_text(self, self.xvfb, window, "Address book: 2 entries")
        harness.press_keys(self.xvfb, window, "3")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())


class ChainExampleTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def test_the_second_program_carries_on_with_the_first_ones_screen(self):
        program, window = start(self, self.xvfb, "chain_start")
        ok = lambda w, h, rows: (w, h) == (640, 480) and rows[90][520] == VGA_YELLOW
        w, h, rows = harness.settled_pixels(self.xvfb, window, ok)
        self.assertEqual(rows[200][300], NIGHT_BLUE)  # colour 1 as the first program set it
        self.assertEqual(rows[90][520], VGA_YELLOW)   # the moon
        wait_text(self, self.xvfb, window, "Part one: the sky was drawn by chain_start.")
        shot(self.xvfb, window, "chain_start")

        harness.press_keys(self.xvfb, window, "space")
        # The same process runs chain_finish now, in a window of its own: the first
        # one goes with the exec, and has the same title and process.
        first = window
        self.assertTrue(harness.wait_until(
            lambda: self.xvfb.run(["xwininfo", "-id", str(first)]).returncode != 0))
        window = harness.program_window(self.xvfb, "Untitled", pid=program.pid)
        rows = wait_text(self, self.xvfb, window, "Part two: chain_finish built the house under the same sky.")
        self.assertEqual(rows[:4], ["Part one: the sky was drawn by chain_start.",
                                    "Press a key to hand the screen to chain_finish.",
                                    "Part two: chain_finish built the house under the same sky.",
                                    "Press a key to end."])
        ok = lambda w, h, rows: (w, h) == (640, 480) and rows[400][240] == VGA_RED
        w, h, rows = harness.settled_pixels(self.xvfb, window, ok)
        shot(self.xvfb, window, "chain_finish")
        self.assertEqual([rows[200][300], rows[90][520]], [NIGHT_BLUE, VGA_YELLOW])  # the first program's picture
        self.assertEqual([rows[400][240], rows[400][185]], [VGA_RED, VGA_YELLOW])     # the second's house and door
        harness.press_keys(self.xvfb, window, "space")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program), 0, program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
