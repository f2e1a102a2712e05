"""End-to-end harness: a private Xvfb, runtime executables under it, real key
presses and close requests, and screenshots of their windows.

Everything started here is stopped here, also when a test fails; nothing that
this harness did not start is ever touched.
"""
import os
import signal
import subprocess
import tempfile
import struct
import time
import unittest

BUILD_DIR = os.environ.get("QUINTARO_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
E2E_BIN = os.environ.get("QUINTARO_E2E_BIN", os.path.join(BUILD_DIR, "tests", "e2e"))

# The cap of a wait for something that normally comes within a second: generous,
# since a wait ends as soon as its condition holds and a loaded machine (or a
# sanitizer build) may be many times slower.
WAIT = 30.0


def program_path(name):
    """Path of the calculator ("quintaro") or of a test program."""
    if name == "quintaro":
        return os.path.join(BUILD_DIR, "quintaro")
    return os.path.join(E2E_BIN, name)


class Xvfb:
    """A private X server on a display number it picks itself (-displayfd)."""

    def __init__(self, width=1024, height=768, extra_args=(), depth=24):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x{depth}",
             "-nolisten", "tcp", "-noreset", *extra_args],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.time() + 20
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n") and time.time() < deadline:
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            self.stop()
            raise RuntimeError("Xvfb did not report a display number")
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)

    def run(self, args, **kwargs):
        """Runs an X client (xdotool, xwd, ...) against this server."""
        return subprocess.run(args, env=self.env, capture_output=True, text=True, **kwargs)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


class Program:
    """A runtime executable running under an Xvfb, with its output collected."""

    def __init__(self, xvfb, name, args=(), env=None, cwd=None, preexec_fn=None):
        self.xvfb = xvfb
        self.out = tempfile.TemporaryFile()
        self.err = tempfile.TemporaryFile()
        run_env = dict(xvfb.env if xvfb else os.environ)
        if env:
            run_env.update(env)
        self.proc = subprocess.Popen([program_path(name), *args], env=run_env, cwd=cwd,
                                     stdin=subprocess.DEVNULL, stdout=self.out, stderr=self.err,
                                     preexec_fn=preexec_fn)

    @property
    def pid(self):
        return self.proc.pid

    def alive(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        """Exit status, or None if still running after timeout seconds."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    @staticmethod
    def _written(f):
        # The program writes through the same open file, so its offset is
        # shared: read with pread, which leaves the offset where the program's
        # next write expects it.
        if f.closed:
            return ""
        fd = f.fileno()
        return os.pread(fd, os.fstat(fd).st_size, 0).decode(errors="replace")

    def stdout(self):
        return self._written(self.out)

    def stderr(self):
        return self._written(self.err)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        self.out.close()
        self.err.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def end_at_prompt(xvfb, program, title="Untitled", timeout=WAIT):
    """Answers the end-of-program prompt ("Press any key to continue") with a key
    press, again every quarter second, and returns the exit status (None if the
    program is still running after timeout seconds)."""
    window = program_window(xvfb, title, timeout, program.pid)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if not program.alive():
            return program.wait(1)
        xvfb.run(["xdotool", "windowfocus", str(window)])
        xvfb.run(["xdotool", "key", "space"])
        status = program.wait(0.25)
        if status is not None:
            return status
    return program.wait(0)


def start_file_writer(test, xvfb, folder, way, preexec_fn=None):
    """file_writer_program writing its 10,000 lines into folder, then stopping
    the given way; returned once it says "written" (the test fails if it ends
    first). It is stopped when the test ends."""
    program = Program(xvfb, "file_writer_program", args=(folder, way), preexec_fn=preexec_fn)
    test.addCleanup(program.stop)
    deadline = time.monotonic() + WAIT
    while "written" not in program.stdout() and time.monotonic() < deadline:
        test.assertTrue(program.alive(), program.stderr())
        time.sleep(0.05)
    test.assertIn("written", program.stdout())
    return program


def wait_until(condition, timeout=WAIT):
    """The first true value of condition() within timeout seconds, else its last value."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    return condition()


def focused_window(xvfb, title, timeout=WAIT):
    """Id of the window titled title once it holds the keyboard focus, else None."""
    window = find_window(xvfb, title)
    focused = lambda: xvfb.run(["xdotool", "getwindowfocus"]).stdout.strip() == str(window)
    return window if wait_until(focused, timeout) else None


def find_window(xvfb, title, timeout=WAIT, pid=None):
    """Id of the first window titled exactly title (and owned by process pid, when
    given: the window of a program stopped just before may not be gone yet),
    waiting until it appears."""
    owner = ["--all", "--pid", str(pid)] if pid else []
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = xvfb.run(["xdotool", "search", *owner, "--name", f"^{title}$"])
        ids = found.stdout.split()
        if ids:
            return int(ids[0])
        time.sleep(0.1)
    raise AssertionError(f"no window titled {title!r} within {timeout} s")


def window_ready(xvfb, window):
    """Whether a runtime window takes input: it is mapped, and it carries its class,
    which the runtime sets only once its input callbacks and hooks are in place."""
    info = xvfb.run(["xwininfo", "-id", str(window)]).stdout
    if "Map State: IsViewable" not in info:
        return False
    return '"quintaro"' in xvfb.run(["xprop", "-id", str(window), "WM_CLASS"]).stdout


def program_window(xvfb, title="Untitled", timeout=WAIT, pid=None):
    """Id of the runtime's window titled title (of process pid, when given), once
    it is ready for keys, motion and close requests (a window found by its title
    alone may not be yet)."""
    window = find_window(xvfb, title, timeout, pid)
    if not wait_until(lambda: window_ready(xvfb, window), timeout):
        raise AssertionError(f"window {title!r} was not ready for input within {timeout} s")
    return window


def window_geometry(xvfb, window):
    """(width, height) of a window."""
    info = xvfb.run(["xdotool", "getwindowgeometry", str(window)]).stdout
    for line in info.splitlines():
        line = line.strip()
        if line.startswith("Geometry:"):
            w, h = line.split()[1].split("x")
            return int(w), int(h)
    raise AssertionError(f"no geometry for window {window}: {info!r}")


def window_name(xvfb, window):
    return xvfb.run(["xdotool", "getwindowname", str(window)]).stdout.rstrip("\n")


def send_close(xvfb, window):
    """A window manager's close request (WM_DELETE_WINDOW), as the close button sends."""
    result = xvfb.run([os.path.join(E2E_BIN, "wm_close"), str(window)])
    if result.returncode != 0:
        raise AssertionError(f"wm_close failed: {result.stderr}")


def press_keys(xvfb, window, *keys):
    """Real key events (XTEST) with the window focused, e.g. press_keys(x, w, "4", "Return")."""
    xvfb.run(["xdotool", "windowfocus", "--sync", str(window)])
    result = xvfb.run(["xdotool", "key", "--delay", "40", *keys])
    if result.returncode != 0:
        raise AssertionError(f"xdotool key failed: {result.stderr}")


def type_text(xvfb, window, text):
    xvfb.run(["xdotool", "windowfocus", "--sync", str(window)])
    xvfb.run(["xdotool", "type", "--delay", "40", text])


def _capture(xvfb, window):
    """The window's picture as xwd data. Without a window manager a new window may
    stand partly off the screen, where the server keeps no pixels: move it on first
    (the parts it exposes are drawn again by a later render, which the callers that
    wait for a settled or expected picture wait for)."""
    info = xvfb.run(["xwininfo", "-id", str(window)]).stdout
    if "Absolute upper-left X:  0\n" not in info or "Absolute upper-left Y:  0\n" not in info:
        xvfb.run(["xdotool", "windowmove", "--sync", str(window), "0", "0"], timeout=10)
    return subprocess.run(["xwd", "-id", str(window), "-silent"], env=xvfb.env, capture_output=True)


def screenshot(xvfb, window, path):
    """Writes the window's picture to path (PNG)."""
    xwd = _capture(xvfb, window)
    if xwd.returncode != 0:
        raise AssertionError(f"xwd failed: {xwd.stderr!r}")
    conv = subprocess.run(["convert", "xwd:-", f"png:{path}"], input=xwd.stdout, capture_output=True)
    if conv.returncode != 0:
        raise AssertionError(f"convert failed: {conv.stderr!r}")
    return path


def _grab(xvfb, window):
    """(width, height, bytes) of the window's picture, three bytes (r, g, b) a pixel."""
    xwd = _capture(xvfb, window)
    if xwd.returncode != 0:
        raise AssertionError(f"xwd failed: {xwd.stderr!r}")
    conv = subprocess.run(["convert", "xwd:-", "-depth", "8", "rgb:-"], input=xwd.stdout,
                          capture_output=True)
    # The xwd header's pixmap width and height (big-endian words 4 and 5).
    w, h = struct.unpack(">6I", xwd.stdout[:24])[4:6]
    return w, h, conv.stdout


def _rows(w, h, data):
    return [[tuple(data[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def pixels(xvfb, window):
    """(width, height, rows) of the window's picture; rows[y][x] is an (r, g, b) tuple."""
    w, h, data = _grab(xvfb, window)
    return w, h, _rows(w, h, data)


def settled_pixels(xvfb, window, expected=None, timeout=WAIT):
    """(width, height, rows) of the window's picture once two grabs in a row are
    the same and expected(width, height, rows) holds (when given). After timeout
    seconds the last grab, for the caller's assertions to tell what is wrong."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        grab = _grab(xvfb, window)
        if grab == last:
            shown = (grab[0], grab[1], _rows(*grab))
            if expected is None or expected(*shown):
                return shown
        if time.monotonic() >= deadline:
            return grab[0], grab[1], _rows(*grab)
        last = grab
        time.sleep(0.05)


_glyphs = None


def glyph_table():
    """{16 row bytes: character code} of the built-in 8x16 font, from tools/dump_glyphs."""
    global _glyphs
    if _glyphs is None:
        out = subprocess.run([os.path.join(BUILD_DIR, "tools", "dump_glyphs")], capture_output=True,
                             text=True, check=True).stdout
        _glyphs = {}
        for line in out.splitlines():
            code, *rows = line.split()
            _glyphs.setdefault(tuple(int(r, 16) for r in rows), int(code))
    return _glyphs


def cell_text(rows, col, row, width=8, height=16):
    """The character in one cell of a screenshot: the glyph whose set pixels are
    exactly the pixels of one of the cell's two colours; None when none matches."""
    pixels = [rows[row * height + y][col * width + x] for y in range(height) for x in range(width)]
    colours = set(pixels)
    if len(colours) == 1:
        return " "
    if len(colours) != 2:
        return None
    table = glyph_table()
    for colour in colours:
        bits = tuple(sum(0x80 >> x for x in range(width) if pixels[y * width + x] == colour)
                     for y in range(height))
        code = table.get(bits)
        if code is not None and code not in (0, 32, 255, 219):
            return chr(code) if 32 <= code < 127 else chr(0x2400 + code if code < 32 else code)
    return None


def screen_text(xvfb, window, columns=80, rows_count=None):
    """The window read back into rows of text, matching every 8x16 cell against the
    glyph table (exact pixel match). Unreadable cells come back as '?'."""
    w, h, rows = pixels(xvfb, window)
    count = rows_count if rows_count is not None else h // 16
    lines = []
    for r in range(count):
        line = "".join(cell_text(rows, c, r) or "?" for c in range(min(columns, w // 8)))
        lines.append(line.rstrip())
    return lines


def frame_rows(path, width, height):
    """A frame file's pixels as rows of (r, g, b); the words are 0xAARRGGBB, little-endian."""
    with open(path, "rb") as f:
        data = f.read()
    return [[(data[(y * width + x) * 4 + 2], data[(y * width + x) * 4 + 1], data[(y * width + x) * 4])
             for x in range(width)] for y in range(height)]


def process_cpu_seconds(pid):
    """User + system processor time of a process so far, from /proc/PID/stat."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime, stime
    return ticks / os.sysconf("SC_CLK_TCK")


class ProgramTest(unittest.TestCase):
    """A test with a private Xvfb and one runtime program running in it.

    A program that goes step by step (stepped = True) gets a folder as its
    command line and waits before step n for a file named n in it; after the
    step it writes "step n" on standard output."""

    program_name = None
    stepped = False
    screen_size = (1024, 768)

    def setUp(self):
        self.xvfb = Xvfb(*self.screen_size)
        self.addCleanup(self.xvfb.stop)
        args = []
        if self.stepped:
            self.steps = tempfile.TemporaryDirectory()
            self.addCleanup(self.steps.cleanup)
            args = [self.steps.name]
        self.program = Program(self.xvfb, self.program_name, args=args)
        self.addCleanup(self.program.stop)
        self.window = program_window(self.xvfb, pid=self.program.pid)

    def wait_for(self, condition, timeout=WAIT):
        """The program's output once condition(output) holds; fails after timeout seconds."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            out = self.program.stdout()
            if condition(out):
                return out
            time.sleep(0.02)
        self.fail(f"timed out; output ends with {self.program.stdout()[-600:]!r}\n{self.program.stderr()[-400:]}")

    def wait_then_two_beats(self, condition):
        """The output once condition(output) holds and two heartbeats ("beat=N")
        follow. For programs that print what they take from their inputs each time
        round a loop with one heartbeat at most: the second heartbeat comes from a
        later pass, so whatever arrived with the awaited events has been printed."""
        seen = len(self.wait_for(condition))
        return self.wait_for(lambda out: out[seen:].count("beat=") >= 2)

    def release_step(self, n):
        open(os.path.join(self.steps.name, str(n)), "w").close()

    def step(self, n, release=True):
        """Lets step n run (unless it runs without waiting) and waits until it is done."""
        if release:
            self.release_step(n)
        return self.wait_for(lambda out: f"step {n}\n" in out)

    def frame_step(self, n):
        """Runs step n of a program that writes its frames (programs/frame_file.h);
        the size of the frame it wrote."""
        self.release_step(n)
        out = self.wait_for(lambda out: f"step {n} " in out)
        return tuple(int(v) for v in out.split(f"step {n} ")[1].split()[0].split("x"))

    def frame(self, n, size):
        """The pixels of the frame written at step n, as rows of (r, g, b)."""
        return frame_rows(os.path.join(self.steps.name, f"frame{n}"), *size)

    def end_at_prompt(self, title="Untitled"):
        return end_at_prompt(self.xvfb, self.program, title)

    def picture(self, size, expected=None):
        """The window's pixels (rows of (r, g, b)) once it has the given size, two
        grabs in a row are the same and expected(rows) holds (when given)."""
        ok = lambda w, h, rows: (w, h) == size and (expected is None or expected(rows))
        w, h, rows = settled_pixels(self.xvfb, self.window, ok)
        self.assertEqual((w, h), size)
        return rows
