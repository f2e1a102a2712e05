#!/usr/bin/env python3
"""Processor use of a runtime executable that waits with its window open: starts
a private Xvfb, lets the program settle, then reads /proc/PID/stat over 10 s.
With --keys, those lines are typed first (each followed by Enter), e.g. to
measure the calculator at its "BPM: " prompt (--keys 44100) or in its final key
loop (--keys 44100 120)."""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--program", default="idle_program")
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--keys", nargs="*", default=[])
    args = parser.parse_args()
    os.environ["QUINTARO_BUILD_DIR"] = os.path.abspath(args.build_dir)
    os.environ["QUINTARO_E2E_BIN"] = os.path.join(os.path.abspath(args.build_dir), "tests", "e2e")
    import harness

    with harness.Xvfb() as xvfb, harness.Program(xvfb, args.program) as program:
        window = harness.find_window(xvfb, "Untitled")
        time.sleep(1.5)
        for line in args.keys:
            harness.type_text(xvfb, window, line)
            harness.press_keys(xvfb, window, "Return")
            time.sleep(0.5)
        time.sleep(1.0)
        cpu0, t0 = harness.process_cpu_seconds(program.pid), time.monotonic()
        time.sleep(args.seconds)
        cpu1, t1 = harness.process_cpu_seconds(program.pid), time.monotonic()
    share = 100.0 * (cpu1 - cpu0) / (t1 - t0)
    waiting = f" after typing {' / '.join(args.keys)}" if args.keys else ""
    print(f"processor use of {args.program}{waiting}: {cpu1 - cpu0:.2f} s over {t1 - t0:.1f} s "
          f"= {share:.1f}% of one core")


if __name__ == "__main__":
    main()
