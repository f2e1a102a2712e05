#!/usr/bin/env python3
"""Takes the README's screenshot: the calculator under a private Xvfb with the
worked example (44100 and 120) typed in, written to docs/worked-example.png."""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "docs", "worked-example.png"))
    args = parser.parse_args()
    os.environ["QUINTARO_BUILD_DIR"] = os.path.abspath(args.build_dir)
    import harness

    with harness.Xvfb() as xvfb, harness.Program(xvfb, "quintaro") as program:
        window = harness.find_window(xvfb, "Untitled")
        time.sleep(1.0)
        harness.type_text(xvfb, window, "44100")
        harness.press_keys(xvfb, window, "Return")
        time.sleep(0.5)
        harness.type_text(xvfb, window, "120")
        harness.press_keys(xvfb, window, "Return")
        time.sleep(1.0)
        harness.screenshot(xvfb, window, args.out)
        print(f"wrote {os.path.abspath(args.out)} (program {'running' if program.alive() else 'ended'})")


if __name__ == "__main__":
    main()
