"""INPUT and INKEY$ with real key presses (XTEST): the echo of accepted keys on
the screen, refused keys, Backspace, extended keys, the processor time an
INPUT costs while it waits and the time from a key press to its echo."""
import os
import re
import statistics
import struct
import subprocess
import sys
import time
import unittest

import harness


def cell_bytes(xvfb, window, col, row):
    """The raw pixels of one 8x16 cell of the window, straight from xwd (fast)."""
    xwd = subprocess.run(["xwd", "-id", str(window), "-silent"], env=xvfb.env, capture_output=True).stdout
    fields = struct.unpack(">25I", xwd[:100])
    header_size, bits_per_pixel, bytes_per_line, ncolors = fields[0], fields[11], fields[12], fields[19]
    start = header_size + ncolors * 12
    step = bits_per_pixel // 8
    out = bytearray()
    for y in range(row * 16, row * 16 + 16):
        at = start + y * bytes_per_line + col * 8 * step
        out += xwd[at:at + 8 * step]
    return bytes(out)


def thread_cpu(pid):
    """{thread id: user + system processor seconds} of every thread of a process."""
    out = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except FileNotFoundError:
            continue
        out[tid] = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    return out


class InputTest(harness.ProgramTest):
    program_name = "input_reader_program"

    def setUp(self):
        super().setUp()
        self.wait_for(lambda out: "input 1\n" in out)
        harness.wait_until(lambda: harness.window_geometry(self.xvfb, self.window) == (640, 480))
        self.assertEqual(harness.window_geometry(self.xvfb, self.window), (640, 480))

    def rows(self, count=3):
        return harness.screen_text(self.xvfb, self.window, rows_count=count)

    def wait_for_rows(self, expected, timeout=harness.WAIT):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            rows = self.rows(len(expected))
            if rows == expected:
                return
            time.sleep(0.05)
        self.assertEqual(self.rows(len(expected)), expected)

    def press(self, *keys):
        harness.press_keys(self.xvfb, self.window, *keys)

    def test_typing_echoes_and_bad_keys_are_refused(self):
        self.wait_for_rows(["Sample rate:", "", ""])
        # A letter, a space, a plus and a comma show nothing: the digits typed
        # after them come right after the prompt.
        self.press("a", "space", "plus", "comma")
        self.press("4", "8")
        self.wait_for_rows(["Sample rate: 48", "", ""])
        # Nor do these, nor does the cursor move: the next digits follow the 48.
        self.press("x", "minus", "period", "Up", "Left")
        self.press("0", "0", "0")
        self.wait_for_rows(["Sample rate: 48000", "", ""])
        self.press("Return")
        self.wait_for(lambda out: "input 2\n" in out)
        self.assertIn("sample_rate=48000\n", self.program.stdout())
        self.wait_for_rows(["Sample rate: 48000", "BPM:", ""])

        # The 16-bit variable refuses the final 8 of 32768; Backspace takes back the 6.
        self.press("3", "2", "7", "6", "8")
        self.wait_for_rows(["Sample rate: 48000", "BPM: 3276", ""])
        self.press("BackSpace")
        self.wait_for_rows(["Sample rate: 48000", "BPM: 327", ""])
        self.press("Return")
        self.wait_for(lambda out: "bpm=327\n" in out)
        self.wait_for_rows(["Sample rate: 48000", "BPM: 327", ""])

    def test_an_arrow_key_reaches_inkey_as_two_characters(self):
        self.press("1", "Return")
        self.wait_for(lambda out: "input 2\n" in out)
        self.press("Down", "2", "Return")  # INPUT ignores the arrow key
        self.wait_for(lambda out: "inkey\n" in out)
        self.assertIn("bpm=2\n", self.program.stdout())
        mark = len(self.program.stdout())
        self.press("Up", "Left", "a", "Return", "Escape")
        out = self.wait_for(lambda out: "inkey=1B\n" in out[mark:])
        self.assertEqual(re.findall(r"^inkey=(\w+)$", out[mark:], re.M), ["0048", "004B", "61", "0D", "1B"])
        self.assertEqual(harness.end_at_prompt(self.xvfb, self.program), 0)

    def test_processor_time_while_input_waits_and_echo_latency(self):
        # Processor time while INPUT waits: the whole process (four threads of
        # the runtime and the GL library's own), and the program thread, the
        # first thread the main thread starts (the lowest thread id after it).
        # Measured over three seconds once the prompt shows.
        self.wait_for_rows(["Sample rate:"])
        cpu0, threads0, t0 = harness.process_cpu_seconds(self.program.pid), thread_cpu(self.program.pid), time.monotonic()
        time.sleep(3.0)
        cpu1, threads1, t1 = harness.process_cpu_seconds(self.program.pid), thread_cpu(self.program.pid), time.monotonic()
        share = (cpu1 - cpu0) / (t1 - t0)
        program_tid = sorted(threads1, key=int)[1]
        program_share = (threads1[program_tid] - threads0.get(program_tid, 0)) / (t1 - t0)
        print(f"\nprocessor use while INPUT waits: process {share * 100:.1f}%, "
              f"program thread {program_share * 100:.1f}% of one core", file=sys.stderr)
        self.assertLess(program_share, 0.05)
        self.assertLess(share, 0.5)

        # Time from a real key press to its echo in the window: the cell after
        # the prompt (column 13 of row 0, the cursor's cell) changes.
        harness.pixels(self.xvfb, self.window)  # puts the window at 0,0 for xwd
        self.xvfb.run(["xdotool", "windowfocus", "--sync", str(self.window)])
        latencies = []
        for i, key in enumerate("12345"):
            col = 13 + i
            before = cell_bytes(self.xvfb, self.window, col, 0)
            start = time.monotonic()
            self.xvfb.run(["xdotool", "key", key])
            sent = time.monotonic()
            while cell_bytes(self.xvfb, self.window, col, 0) == before:
                self.assertLess(time.monotonic() - start, harness.WAIT, "no echo")
            seen = time.monotonic()
            latencies.append((seen - start, seen - sent))
        print("key press to echo: median {:.0f} ms from the start of the key press command, "
              "{:.0f} ms from its end (worst {:.0f} ms)".format(
                  statistics.median(l[0] for l in latencies) * 1000,
                  statistics.median(l[1] for l in latencies) * 1000,
                  max(l[0] for l in latencies) * 1000), file=sys.stderr)
        self.wait_for_rows(["Sample rate: 12345"])


if __name__ == "__main__":
    unittest.main()
