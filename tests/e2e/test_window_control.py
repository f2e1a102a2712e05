"""Window control from a running program: title, position, hiding, full screen,
resizing with the aspect kept, and the pointer styles."""
import unittest

import harness


def window_position(xvfb, window):
    info = xvfb.run(["xwininfo", "-id", str(window)]).stdout
    values = {}
    for line in info.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])


def is_viewable(xvfb, window):
    return "IsViewable" in xvfb.run(["xwininfo", "-id", str(window)]).stdout


wait_for = harness.wait_until


class WindowControlTest(harness.ProgramTest):
    program_name = "window_control_program"
    stepped = True

    def geometry(self):
        return harness.window_geometry(self.xvfb, self.window)

    def test_window_operations(self):
        self.step(1)
        self.assertTrue(wait_for(lambda: harness.window_name(self.xvfb, self.window) == "Quintaro window test"))

        self.step(2)
        self.assertTrue(wait_for(lambda: window_position(self.xvfb, self.window) == (100, 50)))
        self.step(3)
        self.assertTrue(wait_for(lambda: window_position(self.xvfb, self.window) == (192, 184)),
                        window_position(self.xvfb, self.window))

        self.step(4)
        self.assertTrue(wait_for(lambda: not is_viewable(self.xvfb, self.window)))
        self.step(5)
        self.assertTrue(wait_for(lambda: is_viewable(self.xvfb, self.window)))

        # With resizing locked, a size the user gives is undone at the next render.
        self.xvfb.run(["xdotool", "windowsize", str(self.window), "800", "300"])
        self.assertTrue(wait_for(lambda: self.geometry() == (640, 400)), self.geometry())

        self.step(6)
        self.assertTrue(wait_for(lambda: self.geometry() == (1024, 768)), self.geometry())
        self.step(7)
        self.assertTrue(wait_for(lambda: self.geometry() == (640, 400)), self.geometry())

        # Unlocked and scaling: dragging the right edge to 800 keeps the aspect.
        self.step(8)
        self.xvfb.run(["xdotool", "windowsize", str(self.window), "800", "400"])
        self.assertTrue(wait_for(lambda: self.geometry() == (800, 500)), self.geometry())
        self.step(9)
        self.assertIn("resized -1 800x500", self.program.stdout())

        self.step(10)
        self.assertIn("cursor 9", self.program.stdout())
        self.step(11)
        self.assertIn("pending 5", self.program.stdout())
        self.release_step(12)  # END
        self.assertEqual(self.end_at_prompt("Quintaro window test"), 0, self.program.stderr())


def size_hints(xvfb, window):
    """WM_NORMAL_HINTS as {"size": (w, h), "min": ..., "max": ...}; absent fields left out."""
    out = xvfb.run(["xprop", "-id", str(window), "WM_NORMAL_HINTS"]).stdout
    names = {"program specified size": "size", "program specified minimum size": "min",
             "program specified maximum size": "max"}
    hints = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        if key in names:
            w, h = value.split(" by ")
            hints[names[key]] = (int(w), int(h))
    return hints


class WindowHintsTest(harness.ProgramTest):
    program_name = "window_hints_program"
    stepped = True

    def test_hints_hold_the_window_at_the_screen_size_unless_resizing_is_allowed(self):
        def held(size):
            return {"size": size, "min": size, "max": size}

        # The first screen, 640 x 400, then an 800 x 600 screen: both held.
        self.assertTrue(wait_for(lambda: size_hints(self.xvfb, self.window) == held((640, 400))),
                        size_hints(self.xvfb, self.window))
        self.step(1)
        self.assertTrue(wait_for(lambda: size_hints(self.xvfb, self.window) == held((800, 600))),
                        size_hints(self.xvfb, self.window))
        self.assertEqual(harness.window_geometry(self.xvfb, self.window), (800, 600))

        # Resizable: no minimum, and a maximum no window exceeds, whatever the screen.
        self.step(2)
        self.assertTrue(wait_for(lambda: "min" not in size_hints(self.xvfb, self.window)),
                        size_hints(self.xvfb, self.window))
        hints = size_hints(self.xvfb, self.window)
        self.assertEqual(hints["size"], (800, 600))
        self.assertTrue(800 < hints["max"][0] == hints["max"][1] <= 16384, hints)
        self.xvfb.run(["xdotool", "windowsize", str(self.window), "900", "640"])
        self.assertTrue(wait_for(lambda: size_hints(self.xvfb, self.window).get("size") == (900, 640)),
                        size_hints(self.xvfb, self.window))

        # Held again: back to the screen's size, with the hints first.
        self.step(3)
        self.assertTrue(wait_for(lambda: size_hints(self.xvfb, self.window) == held((800, 600))),
                        size_hints(self.xvfb, self.window))
        self.assertTrue(wait_for(lambda: harness.window_geometry(self.xvfb, self.window) == (800, 600)))
        self.release_step(4)
        self.assertEqual(self.end_at_prompt(), 0, self.program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
