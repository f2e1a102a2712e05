"""The window-control tour end to end, under a window manager (minimising
needs one): every answer it shows on the screen is checked against the X
server, the folder it was started in and the colours it set."""
import ctypes
import os
import subprocess
import tempfile
import time
import unittest

import harness
from test_examples import shot, start, wait_text



def pointer_is_blank(xvfb):
    """Whether the pointer's current picture has no visible pixel (XFixes)."""
    x11 = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]

    class CursorImage(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                    ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                    ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                    ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]

    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(xvfb.display.encode())
    try:
        image = xfixes.XFixesGetCursorImage(display)
        size = image.contents.width * image.contents.height
        blank = all((image.contents.pixels[i] >> 24) & 0xFF == 0 for i in range(size))
        x11.XFree(image)
        return blank
    finally:
        x11.XCloseDisplay(display)


class WindowTourTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb(1024, 768)
        self.addCleanup(self.xvfb.stop)
        manager = subprocess.Popen(["openbox", "--sm-disable"], env=self.xvfb.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (manager.terminate(), manager.wait()))
        started = lambda: "window id" in self.xvfb.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout
        self.assertTrue(harness.wait_until(started), "the window manager did not start")
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = os.path.realpath(folder.name)

    def value(self, rows, label):
        """What the tour shows after label and its dots."""
        line = next(r for r in rows if r.startswith(label))
        return line[len(label):].lstrip(".").strip()

    def test_every_answer_on_the_screen(self):
        program, window = start(self, self.xvfb, "window_tour", cwd=self.folder, title="Window tour")
        rows = wait_text(self, self.xvfb, window, "Press a key to minimise")
        shot(self.xvfb, window, "window_tour")
        self.assertEqual(self.value(rows, "desktop size"), "1024 x 768")
        self.assertEqual(self.value(rows, "window exists"), "-1")
        self.assertEqual(self.value(rows, "screen hidden"), "0")
        self.assertEqual(self.value(rows, "started in"), self.folder)
        self.assertEqual(self.value(rows, "colours of the screen"), "7 on 0")
        image_line = next(r for r in rows if r.startswith("colours of image "))
        handle = image_line.split()[3].rstrip(".")
        self.assertLess(int(handle), 0)
        self.assertEqual(self.value(rows, f"colours of image {handle}"), "&HFF00FF00 on &HFF000080")
        self.assertEqual(self.value(rows, "source after choosing the image"), handle)
        page = self.value(rows, "source after choosing page 0")
        self.assertNotEqual(page, handle)
        self.assertLess(int(page), 0)  # page 0's image, named by its handle
        self.assertEqual(self.value(rows, "pointer"), "hidden over this window")
        self.xvfb.run(["xdotool", "mousemove", "--window", str(window), "20", "20"])
        self.assertTrue(harness.wait_until(lambda: pointer_is_blank(self.xvfb)), "the pointer shows over the window")
        self.xvfb.run(["xdotool", "mousemove", "1000", "700"])  # off the window: the desktop's pointer
        self.assertTrue(harness.wait_until(lambda: not pointer_is_blank(self.xvfb)), "no pointer off the window")

        harness.press_keys(self.xvfb, window, "space")
        rows = wait_text(self, self.xvfb, window, "Press a key to end.")
        self.assertEqual(self.value(rows, "minimised: before, during, after"), "0, -1, 0")
        harness.press_keys(self.xvfb, window, "space")
        self.assertEqual(harness.end_at_prompt(self.xvfb, program, "Window tour"), 0, program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
