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
        self.window = harness.program_window(self.xvfb)
        # The icon is the last property the runtime sets on the window.
        harness.wait_until(lambda: property_numbers(self.xvfb, self.window, "_NET_WM_ICON"))

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


OPENBOX_RULES = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <applications>
    <application class="Quintaro"><position force="yes"><x>10</x><y>20</y></position></application>
  </applications>
</openbox_config>
"""


class PlacementTest(unittest.TestCase):
    """No window manager runs under these servers, unless a test starts one."""

    def start(self, width=1024, height=768, prepare=None):
        xvfb = harness.Xvfb(width, height)
        self.addCleanup(xvfb.stop)
        if prepare:
            prepare(xvfb)
        program = harness.Program(xvfb, "idle_program")
        self.addCleanup(program.stop)
        window = harness.program_window(xvfb)
        self.assertTrue(program.alive(), program.stderr())
        return xvfb, window

    def settled_origin(self, xvfb, window, expected):
        """The window's top-left corner once it is expected(corner), else after a while."""
        harness.wait_until(lambda: expected(origin(xvfb, window)))
        return origin(xvfb, window)

    def test_without_a_window_manager_the_window_opens_centred_and_on_the_screen(self):
        cases = [  # screen size, expected top-left corner
            ((1024, 768), (192, 184)),
            ((800, 600), (80, 100)),
            ((600, 360), (0, 0)),  # larger than the screen: the corner stays on it
        ]
        for screen, corner in cases:
            with self.subTest(screen=screen):
                xvfb, window = self.start(*screen)
                x, y = self.settled_origin(xvfb, window, lambda at: at == corner)
                self.assertEqual((x, y), corner)
                w, h = harness.window_geometry(xvfb, window)
                if w <= screen[0] and h <= screen[1]:
                    self.assertLessEqual(x + w, screen[0])
                    self.assertLessEqual(y + h, screen[1])

    def test_a_check_window_left_by_a_dead_manager_counts_as_none(self):
        def stale_check(xvfb):  # the root names a window that no longer exists
            xvfb.run(["xprop", "-root", "-f", "_NET_SUPPORTING_WM_CHECK", "32c", "-set",
                      "_NET_SUPPORTING_WM_CHECK", str(0x3FFFFF)])
        xvfb, window = self.start(prepare=stale_check)
        self.assertEqual(self.settled_origin(xvfb, window, lambda at: at == (192, 184)), (192, 184))

    def test_a_window_manager_places_the_window_knowing_its_class(self):
        rules = harness.tempfile.NamedTemporaryFile("w", suffix=".xml")
        self.addCleanup(rules.close)
        rules.write(OPENBOX_RULES)
        rules.flush()

        def start_manager(xvfb):
            manager = harness.subprocess.Popen(
                ["openbox", "--sm-disable", "--config-file", rules.name], env=xvfb.env,
                stdout=harness.subprocess.DEVNULL, stderr=harness.subprocess.DEVNULL)
            self.addCleanup(lambda: (manager.terminate(), manager.wait()))
            deadline = harness.time.monotonic() + harness.WAIT
            while "window id" not in xvfb.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout:
                self.assertLess(harness.time.monotonic(), deadline, "the window manager did not start")
                harness.time.sleep(0.05)

        xvfb, window = self.start(prepare=start_manager)
        hints = xvfb.run(["xprop", "-id", str(window), "WM_NORMAL_HINTS"]).stdout
        self.assertNotIn("location", hints)  # where it goes is the manager's choice
        # The manager's rule for the class placed the frame: it saw WM_CLASS when it
        # took the window on, and it took it on once.
        extents = lambda: property_numbers(xvfb, window, "_NET_FRAME_EXTENTS")
        placed = lambda: len(extents()) == 4 and origin(xvfb, window) == (10 + extents()[0], 20 + extents()[2])
        harness.wait_until(placed)
        left, _, top, _ = extents()
        x, y = origin(xvfb, window)
        self.assertEqual((x - left, y - top), (10, 20))
        self.assertIn("IsViewable", xvfb.run(["xwininfo", "-id", str(window)]).stdout)
        clients = xvfb.run(["xprop", "-root", "_NET_CLIENT_LIST"]).stdout
        self.assertEqual(clients.count("0x"), 1, clients)


if __name__ == "__main__":
    unittest.main(verbosity=2)
