#!/usr/bin/env python3
"""Processor use of a runtime executable that waits with its window open: starts
a private Xvfb, lets the program settle, then reads /proc/PID/stat over 10 s."""
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
    args = parser.parse_args()
    os.environ["QUINTARO_BUILD_DIR"] = os.path.abspath(args.build_dir)
    os.environ["QUINTARO_E2E_BIN"] = os.path.join(os.path.abspath(args.build_dir), "tests", "e2e")
    import harness

    with harness.Xvfb() as xvfb, harness.Program(xvfb, args.program) as program:
        harness.find_window(xvfb, "Untitled")
        time.sleep(2.0)
        cpu0, t0 = harness.process_cpu_seconds(program.pid), time.monotonic()
        time.sleep(args.seconds)
        cpu1, t1 = harness.process_cpu_seconds(program.pid), time.monotonic()
    share = 100.0 * (cpu1 - cpu0) / (t1 - t0)
    print(f"idle processor use of {args.program}: {cpu1 - cpu0:.2f} s over {t1 - t0:.1f} s "
          f"= {share:.1f}% of one core")


if __name__ == "__main__":
    main()
