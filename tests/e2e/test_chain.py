"""CHAIN end to end: one program draws on SCREEN 12 with a changed palette entry,
changes directory and chains to another, which must show the same picture, have
the directory and the user's arguments back, and go on printing at the cursor
the first one left."""
import os
import unittest

import harness

CYAN, GREEN = (85, 255, 255), (32, 192, 64)
# "Handed over" is 11 characters: the next one goes in column 12 of row 1.
MARK_CELL = (11 * 8, 0, 8, 16)


class ChainTest(harness.ProgramTest):
    program_name = "chain_sender_program"
    stepped = True

    def window_picture(self, window, expected):
        """The window's picture once it is 640 x 480, settled and expected(rows) holds."""
        ok = lambda w, h, rows: (w, h) == (640, 480) and expected(rows)
        w, h, rows = harness.settled_pixels(self.xvfb, window, ok)
        self.assertEqual((w, h), (640, 480))
        return rows

    def chain_files(self):
        folder = harness.E2E_BIN
        return [n for n in os.listdir(folder) if n.startswith("chain") and n.endswith(".tmp")]

    def test_picture_directory_and_arguments_survive_the_chain(self):
        leftovers = self.chain_files()
        self.step(1)
        before = self.window_picture(self.window, lambda rows: rows[100][100] == GREEN)
        self.assertEqual(before[100][100], GREEN)  # the box in the changed colour 1

        elsewhere = os.path.join(self.steps.name, "elsewhere")
        os.mkdir(elsewhere)
        self.release_step(2)
        out = self.wait_for(lambda out: "step 2\n" in out or "chain error" in out)
        self.assertNotIn("chain error", out)
        received = [line for line in out.splitlines() if line.startswith("received ")][0]
        self.assertEqual(received, f"received dir={os.path.realpath(elsewhere)} args={self.steps.name} "
                                   "mode=12 error=0")
        self.assertEqual(self.chain_files(), leftovers)  # the file was deleted

        # The same process now runs the second program in a window of its own
        # (it said "step 2" once the window was there; X may give it the old id).
        self.window = harness.find_window(self.xvfb, "Untitled")
        after = self.window_picture(self.window, lambda rows: harness.cell_text(rows, 11, 0) == "!")
        x0, y0, cw, ch = MARK_CELL
        in_cell = lambda x, y: x0 <= x < x0 + cw and y0 <= y < y0 + ch
        differing = [(x, y) for y in range(480) for x in range(640)
                     if not in_cell(x, y) and after[y][x] != before[y][x]]
        self.assertEqual(differing[:5], [], f"{len(differing)} pixels differ after the chain")
        cell = {after[y][x] for y in range(y0, y0 + ch) for x in range(x0, x0 + cw)}
        self.assertEqual(cell, {CYAN, GREEN})  # "!" in the colours the first program left
        self.assertEqual(harness.cell_text(after, 11, 0), "!")

        self.release_step(3)
        self.assertEqual(self.end_at_prompt(), 0, self.program.stderr())


class ChainThroughLinkTest(ChainTest):
    """The receiver reached through a symbolic link in another folder: both
    sides must agree on the folder of the chain file."""

    def test_picture_directory_and_arguments_survive_the_chain(self):
        links = os.path.join(self.steps.name, "links")
        os.mkdir(links)
        link = os.path.join(links, "chain_receiver_program")
        os.symlink(os.path.join(harness.E2E_BIN, "chain_receiver_program"), link)
        with open(os.path.join(self.steps.name, "chain_target"), "w") as f:
            f.write(link)
        super().test_picture_directory_and_arguments_survive_the_chain()
        self.assertEqual([n for n in os.listdir(links) if n.startswith("chain") and n.endswith(".tmp")], [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
