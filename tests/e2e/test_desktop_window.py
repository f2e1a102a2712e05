"""The window as a desktop program: the class, process, host and icon it is
known by, and where it opens with and without a window manager."""
import re
import socket
import unittest

import harness

FIRST_SIZE = (640, 400)


def property_numbers(xvfb, window, name):
    """The 32-bit values of a window property, as numbers ([] when it is absent)."""
    out = xvfb.run(["xprop", "-id", str(window), "-f", name, "32c", name]).stdout
    if "=" not in out:
        return []
    return [int(v) for v in out.split("=", 1)[1].replace(",", " ").split()]


def origin(xvfb, window):
    info = xvfb.run(["xwininfo", "-id", str(window)]).stdout
    x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
    y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
    return x, y


def note_glyph():
    """Rows of the double-note glyph (character 14) of the 8x16 font."""
    return next(rows for rows, code in harness.glyph_table().items() if code == 14)


class PropertiesTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)
        self.program = harness.Program(self.xvfb, "idle_program")
        self.addCleanup(self.program.stop)
        self.window = harness.find_window(self.xvfb, "Untitled")

    def test_class_process_and_host(self):
        out = self.xvfb.run(["xprop", "-id", str(self.window), "WM_CLASS", "WM_CLIENT_MACHINE"]).stdout
        self.assertIn('WM_CLASS(STRING) = "quintaro", "Quintaro"', out)
        self.assertIn(f'WM_CLIENT_MACHINE(STRING) = "{socket.gethostname()}"', out)
        self.assertEqual(property_numbers(self.xvfb, self.window, "_NET_WM_PID"), [self.program.pid])

    def test_icon_is_the_note_on_black_in_both_sizes(self):
        data = property_numbers(self.xvfb, self.window, "_NET_WM_ICON")
        glyph = note_glyph()
        sizes = []
        while data:
            w, h = data[0], data[1]
            pixels, data = data[2:2 + w * h], data[2 + w * h:]
            self.assertEqual(len(pixels), w * h)
            sizes.append((w, h))
            for y in range(h):
                for x in range(w):
                    lit = glyph[y * 16 // h] & (0x80 >> (x * 8 // w))
                    self.assertEqual(pixels[y * w + x], 0xFFFFFFFF if lit else 0xFF000000, (w, x, y))
        self.assertEqual(sizes, [(16, 16), (32, 32)])


class PlacementTest(unittest.TestCase):
    """No window manager runs under these servers, unless a test stands one in."""

    def start(self, width, height, wm_check=None):
        xvfb = harness.Xvfb(width, height)
        self.addCleanup(xvfb.stop)
        if wm_check is not None:
            root = int(xvfb.run(["xwininfo", "-root"]).stdout.split("Window id:")[1].split()[0], 16)
            named = root if wm_check == "live" else 0x3FFFFF  # a window that does not exist
            xvfb.run(["xprop", "-root", "-f", "_NET_SUPPORTING_WM_CHECK", "32c", "-set",
                      "_NET_SUPPORTING_WM_CHECK", str(named)])
        program = harness.Program(xvfb, "idle_program")
        self.addCleanup(program.stop)
        window = harness.find_window(xvfb, "Untitled")
        harness.time.sleep(0.3)
        self.assertTrue(program.alive(), program.stderr())
        return xvfb, window

    def test_without_a_window_manager_the_window_opens_centred_and_on_the_screen(self):
        cases = [  # screen size, expected top-left corner
            ((1024, 768), (192, 184)),
            ((800, 600), (80, 100)),
            ((600, 360), (0, 0)),  # larger than the screen: the corner stays on it
        ]
        for screen, corner in cases:
            with self.subTest(screen=screen):
                xvfb, window = self.start(*screen)
                x, y = origin(xvfb, window)
                self.assertEqual((x, y), corner)
                w, h = harness.window_geometry(xvfb, window)
                if w <= screen[0] and h <= screen[1]:
                    self.assertLessEqual(x + w, screen[0])
                    self.assertLessEqual(y + h, screen[1])

    def test_the_position_is_left_to_a_running_window_manager_only(self):
        # A check window that names itself stands in for a manager; one that is
        # gone (its manager died) must count as none, and must not end the program.
        for wm_check, managed in (("live", True), ("stale", False)):
            with self.subTest(wm_check=wm_check):
                xvfb, window = self.start(1024, 768, wm_check=wm_check)
                hints = xvfb.run(["xprop", "-id", str(window), "WM_NORMAL_HINTS"]).stdout
                self.assertIn("specified size: 640 by 400", hints)
                self.assertEqual("location" in hints, not managed, hints)
                if not managed:
                    self.assertEqual(origin(xvfb, window), (192, 184))

if __name__ == "__main__":
    unittest.main(verbosity=2)
