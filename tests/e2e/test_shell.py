"""SHELL, FILES and KILL with real processes and folders: exit statuses, hidden
and shown output, a non-waiting command that leaves no zombie and inherits no
descriptor, a document handed to the opener (a stub on PATH), FILES read back
from the window, KILL of *.tmp, and full screen left for a shown command."""
import os
import re
import signal
import tempfile
import unittest

import harness


def children(pid):
    """(pid, state, name) of every process whose parent is pid."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                head, tail = f.read().rsplit(")", 1)
        except OSError:
            continue
        fields = tail.split()
        if int(fields[1]) == pid:
            found.append((int(entry), fields[0], head.split("(", 1)[1]))
    return found


wait_until = harness.wait_until


def end_if_sleeping(pid):
    """Ends the program's "sleep" child if a failed test left it running."""
    try:
        with open(f"/proc/{pid}/comm") as f:
            if f.read().strip() == "sleep":
                os.kill(pid, signal.SIGKILL)
    except OSError:
        pass


class ShellTest(harness.ProgramTest):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)
        work = tempfile.TemporaryDirectory()
        self.addCleanup(work.cleanup)
        self.steps = work
        self.folder = work.name
        for sub in ("listing/sub", "scratch/dir.tmp", "docs", "bin"):
            os.makedirs(os.path.join(self.folder, sub))
        for name in ("listing/README", "listing/alpha.txt", "listing/beta.tmp", "listing/zeta",
                     "scratch/one.tmp", "scratch/two.tmp", "scratch/keep.txt", "docs/my report.txt"):
            open(os.path.join(self.folder, name), "w").close()
        self.opened = os.path.join(self.folder, "opened")
        opener = os.path.join(self.folder, "bin", "xdg-open")
        with open(opener, "w") as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$#" "$@" > "{self.opened}"\nexit 5\n')
        os.chmod(opener, 0o755)
        path = os.path.join(self.folder, "bin") + ":" + os.environ.get("PATH", "/usr/bin:/bin")
        self.program = harness.Program(self.xvfb, "shell_program", args=[self.folder], env={"PATH": path})
        self.addCleanup(self.program.stop)
        self.window = harness.program_window(self.xvfb)

    def test_commands_documents_listing_and_kill(self):
        out = self.step(1)
        self.assertIn("exit=7 signal=143\n", out)
        self.assertIn("shown-output", out)
        self.assertIn("shown-error", self.program.stderr())
        self.assertNotIn("hidden-output", out)
        self.assertNotIn("hidden-error", self.program.stderr())

        self.assertIn("launched=1\n", self.step(2))
        sleeper = wait_until(lambda: [c for c in children(self.program.pid) if c[2] == "sleep"])
        self.assertTrue(sleeper, children(self.program.pid))
        self.addCleanup(end_if_sleeping, sleeper[0][0])
        fd_folder = f"/proc/{sleeper[0][0]}/fd"
        descriptors = {fd: os.readlink(os.path.join(fd_folder, fd)) for fd in os.listdir(fd_folder)}
        self.assertEqual(descriptors, {"0": "/dev/null", "1": "/dev/null", "2": "/dev/null"})
        # Once it has ended, the runtime has collected it: no zombie is left.
        os.kill(sleeper[0][0], signal.SIGTERM)
        self.assertTrue(wait_until(lambda: not children(self.program.pid)), children(self.program.pid))

        self.assertIn("opener=5\n", self.step(3))
        with open(self.opened) as f:
            self.assertEqual(f.read().splitlines(), ["1", os.path.join(self.folder, "docs", "my report.txt")])

        self.step(4)
        read = lambda: harness.screen_text(self.xvfb, self.window, rows_count=6)
        wait_until(lambda: read()[3].endswith("Bytes free"))  # the listing's last line
        rows = read()
        self.assertEqual(rows[0], os.path.join(self.folder, "listing"))
        self.assertEqual(rows[1], ".           <DIR> ..          <DIR> README            alpha   .txt")
        self.assertEqual(rows[2], "beta    .tmp      sub         <DIR> zeta")
        free = re.fullmatch(r" (\d+) Bytes free", rows[3])
        self.assertIsNotNone(free, rows)
        fs = os.statvfs(os.path.join(self.folder, "listing"))
        self.assertAlmostEqual(int(free.group(1)), fs.f_bavail * fs.f_frsize, delta=fs.f_bavail * fs.f_frsize // 20)

        self.assertIn("killed=2\n", self.step(5))
        self.assertEqual(sorted(os.listdir(os.path.join(self.folder, "scratch"))), ["dir.tmp", "keep.txt"])

        self.step(6)
        geometry = lambda: harness.window_geometry(self.xvfb, self.window)
        self.assertTrue(wait_until(lambda: geometry() == (1024, 768)), geometry())
        self.release_step(7)
        self.assertTrue(wait_until(lambda: geometry() == (640, 400)), geometry())
        open(os.path.join(self.folder, "shown"), "w").close()  # the shown command ends
        self.step(7, release=False)
        self.assertTrue(wait_until(lambda: geometry() == (1024, 768)), geometry())
        self.assertEqual(self.end_at_prompt(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
