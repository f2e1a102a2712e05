#!/usr/bin/env python3
"""Start-up time under a private Xvfb: the time to a mapped window of a bare
freeglut program and of the calculator, alternately in the same run, and the
time the calculator takes to give up without a display."""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--program", default=None, help="executable to time (default: the calculator)")
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    program = os.path.abspath(args.program) if args.program else os.path.join(build, "quintaro")
    timer = os.path.join(build, "tools", "startup_time")
    bare = os.path.join(build, "tools", "bare_window")
    import harness

    with harness.Xvfb() as xvfb:
        for command in ([timer, str(args.runs), bare, program], [timer, "--no-display", str(args.runs), program]):
            result = subprocess.run(command, env=xvfb.env, capture_output=True, text=True, timeout=600)
            sys.stdout.write(result.stdout)
            if result.returncode != 0:
                sys.exit(result.stderr.strip() or f"{command[0]} failed")


if __name__ == "__main__":
    main()
