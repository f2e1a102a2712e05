"""The Debian packages, made by CPack from the finished build: what they hold,
what they depend on, what lintian says of them, and whether the program the
first installs starts and ends on a close request."""
import glob
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import harness

SOURCE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

EXPECTED_FILES = {
    "./usr/bin/quintaro",
    "./usr/share/applications/quintaro.desktop",
    "./usr/share/icons/hicolor/scalable/apps/quintaro.svg",
    "./usr/share/metainfo/invalid.quintaro.quintaro.metainfo.xml",
    "./usr/share/man/man1/quintaro.1.gz",
    "./usr/share/doc/quintaro/README.md",
    "./usr/share/doc/quintaro/copyright",
    "./usr/share/doc/quintaro/changelog.gz",
}

# The development package: the one header, the entry library, the CMake package
# and the pkg-config file (the libraries' folder is the multiarch one).
EXPECTED_DEV_FILES = (
    r"\./usr/include/quintaro/quintaro\.h",
    r"\./usr/include/quintaro/runtime/host/host\.h",
    r"\./usr/lib/[^/]+/libquintaro_entry\.a",
    r"\./usr/lib/[^/]+/libquintaro_platform\.a",
    r"\./usr/lib/[^/]+/cmake/Quintaro/QuintaroConfig\.cmake",
    r"\./usr/lib/[^/]+/cmake/Quintaro/QuintaroConfigVersion\.cmake",
    r"\./usr/lib/[^/]+/pkgconfig/quintaro\.pc",
    r"\./usr/share/doc/libquintaro-dev/copyright",
)


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="quintaro-package-")
        made = run(["cpack", "--config", os.path.join(harness.BUILD_DIR, "CPackConfig.cmake"),
                    "-B", cls.scratch], cwd=harness.BUILD_DIR, timeout=240)
        debs = glob.glob(os.path.join(cls.scratch, "quintaro_*_amd64.deb"))
        cls.deb = debs[0] if made.returncode == 0 and len(debs) == 1 else None
        dev_debs = glob.glob(os.path.join(cls.scratch, "libquintaro-dev_*_amd64.deb"))
        cls.dev_deb = dev_debs[0] if made.returncode == 0 and len(dev_debs) == 1 else None
        cls.cpack_output = made.stdout + made.stderr

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def setUp(self):
        self.assertIsNotNone(self.deb, self.cpack_output)
        self.assertIsNotNone(self.dev_deb, self.cpack_output)

    def test_name_files_modes_and_dependencies(self):
        version = run(["dpkg-deb", "-f", self.deb, "Version"]).stdout.strip()
        self.assertEqual(os.path.basename(self.deb), f"quintaro_{version}_amd64.deb")
        listing = run(["dpkg-deb", "-c", self.deb]).stdout.splitlines()
        entries = {line.split()[-1]: (line.split()[0], line.split()[1]) for line in listing}
        self.assertLessEqual(EXPECTED_FILES, set(entries), listing)
        self.assertEqual(entries["./usr/bin/quintaro"][0], "-rwxr-xr-x")
        for path, (mode, owner) in entries.items():
            self.assertEqual(owner, "root/root", path)
            if path.endswith("/"):
                self.assertEqual(mode, "drwxr-xr-x", path)
        # The installed README's pictures are installed beside it.
        with open(os.path.join(SOURCE_DIR, "README.md")) as f:
            pictures = re.findall(r"\]\((docs/[^)]+)\)", f.read())
        self.assertTrue(pictures)
        for picture in pictures:
            self.assertIn("./usr/share/doc/quintaro/" + picture, entries)
        # dpkg-shlibdeps worked these out from the libraries the program is linked against.
        depends = run(["dpkg-deb", "-f", self.deb, "Depends"]).stdout
        for library in ("libc6", "libglut3", "libglew", "libx11-6", "libxi6", "libstdc++6"):
            self.assertIn(library, depends)

    def test_the_program_and_the_development_files_are_split(self):
        listing = [line.split()[-1] for line in run(["dpkg-deb", "-c", self.dev_deb]).stdout.splitlines()]
        for pattern in EXPECTED_DEV_FILES:
            self.assertTrue([p for p in listing if re.fullmatch(pattern, p)], pattern)
        program = run(["dpkg-deb", "-c", self.deb]).stdout
        self.assertNotIn("/usr/include/", program)
        self.assertNotIn(".a\n", program)
        self.assertEqual(run(["dpkg-deb", "-f", self.dev_deb, "Section"]).stdout.strip(), "libdevel")
        depends = run(["dpkg-deb", "-f", self.dev_deb, "Depends"]).stdout
        for package in ("libglut-dev", "libglew-dev", "libgl-dev", "libxi-dev", "libfreetype-dev"):
            self.assertIn(package, depends)

    def test_lintian_reports_no_errors(self):
        for deb in (self.deb, self.dev_deb):
            result = run(["lintian", "--info", "--tag-display-limit", "0", deb], timeout=240)
            errors = [line for line in result.stdout.splitlines() if line.startswith(("E:", "W:"))]
            self.assertEqual(errors, [], result.stdout)
            # Built with dpkg-buildflags' hardening: relro, bind now, fortified functions.
            self.assertNotIn("hardening-no-", result.stdout)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_installed_program_starts_and_ends_on_a_close_request(self):
        root = os.path.join(self.scratch, "root")
        run(["dpkg-deb", "-x", self.deb, root], check=True)
        entry = os.path.join(root, "usr/share/applications/quintaro.desktop")
        validated = run(["desktop-file-validate", entry])
        self.assertNotIn(": error:", validated.stdout + validated.stderr)
        with open(entry) as f:
            self.assertIn("StartupWMClass=Quintaro\n", f.read())

        with harness.Xvfb() as xvfb:
            program = subprocess.Popen([os.path.join(root, "usr/bin/quintaro")], env=xvfb.env,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE)
            try:
                window = harness.program_window(xvfb)
                self.assertIsNone(program.poll())
                harness.send_close(xvfb, window)
                self.assertEqual(program.wait(harness.WAIT), 0)
            finally:
                if program.poll() is None:
                    program.kill()
                    program.wait()
                program.stderr.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
