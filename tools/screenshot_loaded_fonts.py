#!/usr/bin/env python3
"""Takes the README's loaded-fonts picture: tools/loaded_fonts_picture (a text
screen in DejaVu Sans Mono) under a private Xvfb, written to docs/loaded-fonts.png."""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "docs", "loaded-fonts.png"))
    args = parser.parse_args()
    os.environ["QUINTARO_BUILD_DIR"] = os.path.abspath(args.build_dir)
    import harness

    program_path = os.path.join(os.path.abspath(args.build_dir), "tools", "loaded_fonts_picture")
    with harness.Xvfb() as xvfb:
        program = harness.subprocess.Popen([program_path], env=xvfb.env)
        try:
            window = harness.find_window(xvfb, "Untitled")
            # The text screen in the loaded font is wider than the first window.
            harness.wait_until(lambda: harness.window_geometry(xvfb, window)[0] > 400, timeout=10)
            time.sleep(1.0)
            harness.screenshot(xvfb, window, args.out)
        finally:
            program.kill()
            program.wait()
    print(f"wrote {os.path.abspath(args.out)}")


if __name__ == "__main__":
    main()
