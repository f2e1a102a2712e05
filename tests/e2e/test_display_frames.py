"""The window shows exactly the frames the runtime built: the start-up text
screen with coloured cells, a 32-bit image as the screen, and that image in full
screen keeping its aspect between black bars."""
import os
import unittest

import harness

BLACK = (0, 0, 0)


class DisplayFramesTest(harness.ProgramTest):
    program_name = "display_frames_program"
    stepped = True

    def assert_same_picture(self, n, size):
        frame = self.frame(n, size)
        rows = self.picture(size, lambda rows: rows == frame)
        differing = [(x, y) for y in range(size[1]) for x in range(size[0]) if rows[y][x] != frame[y][x]]
        self.assertEqual(differing[:5], [], f"{len(differing)} pixels differ from the frame")

    def test_windows_show_the_frames(self):
        size = self.frame_step(1)
        self.assertEqual(size, (640, 400))
        self.assert_same_picture(1, size)

        size = self.frame_step(2)
        self.assertEqual(size, (400, 200))
        self.assert_same_picture(2, size)
        frame = self.frame(2, size)

        def near(x, y):
            """Frame pixels a window pixel may show: the one it maps to and its neighbours."""
            fx, fy = x * 400 // 1024, (y - 128) * 200 // 512
            return {frame[r][c] for r in range(max(fy - 1, 0), min(fy + 2, 200))
                    for c in range(max(fx - 1, 0), min(fx + 2, 400))}

        def faults(rows):
            """Where the picture is not the frame in full screen keeping the aspect:
            400 x 200 scaled to 1024 x 512, bars above and below."""
            found = [f"bar row {y}" for y in list(range(0, 128)) + list(range(640, 768))
                     if set(rows[y][x] for x in range(0, 1024, 7)) != {BLACK}]
            # The first and last rows are not under the bars.
            found += [f"at {x},{y}: {rows[y][x]}" for y in list(range(128, 640, 9)) + [128, 639]
                      for x in range(0, 1024, 11) if rows[y][x] not in near(x, y)]
            return found

        self.frame_step(3)
        rows = self.picture((1024, 768), lambda rows: not faults(rows))
        self.assertEqual(faults(rows)[:5], [])

        self.frame_step(4)
        self.assert_same_picture(2, (400, 200))
        open(os.path.join(self.steps.name, "5"), "w").close()
        self.assertEqual(self.end_at_prompt(), 0, self.program.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
