#!/usr/bin/env python3
"""Processor use of a runtime executable that waits with its window open: starts
a private Xvfb, lets the program settle, then reads /proc/PID/task/*/stat over
10 s and reports the whole process and each thread (by the name it gave itself).
With --keys, those lines are typed first (each followed by Enter), e.g. to
measure the calculator at its "BPM: " prompt (--keys 44100) or in its final key
loop (--keys 44100 120); --press then presses single keys without Enter (the
calculator's "Press any key to continue": --keys 44100 120 --press space)."""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))


def thread_seconds(pid):
    """{(tid, name): user + system seconds} for every thread of the process."""
    ticks = os.sysconf("SC_CLK_TCK")
    result = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                text = f.read()
        except OSError:
            continue  # the thread ended meanwhile
        name = text[text.index("(") + 1:text.rindex(")")]
        fields = text.rsplit(")", 1)[1].split()
        result[(tid, name)] = (int(fields[11]) + int(fields[12])) / ticks
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--program", default="idle_program")
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--keys", nargs="*", default=[])
    parser.add_argument("--press", nargs="*", default=[])
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
        for key in args.press:
            harness.press_keys(xvfb, window, key)
            time.sleep(0.5)
        time.sleep(1.0)
        before, t0 = thread_seconds(program.pid), time.monotonic()
        time.sleep(args.seconds)
        after, t1 = thread_seconds(program.pid), time.monotonic()
        if not program.alive():
            sys.exit(f"{args.program} ended during the measurement")
    span = t1 - t0
    used = {key: seconds - before.get(key, 0.0) for key, seconds in after.items()}
    total = sum(used.values())
    waiting = " after typing " + " / ".join(args.keys + args.press) if args.keys or args.press else ""
    print(f"processor use of {args.program}{waiting}: {total:.2f} s over {span:.1f} s "
          f"= {100.0 * total / span:.1f}% of one core")
    # Threads in the order they were made; the first is the window thread.
    for (tid, name), seconds in sorted(used.items(), key=lambda item: int(item[0][0])):
        first = " (first thread)" if int(tid) == program.pid else ""
        print(f"  {name:<16} {100.0 * seconds / span:5.1f}%{first}")

if __name__ == "__main__":
    main()
