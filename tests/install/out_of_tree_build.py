#!/usr/bin/env python3
"""Installs the runtime's development files from a finished build into a
scratch prefix and builds an example program against them outside the tree,
once with CMake (find_package(Quintaro)) and once with pkg-config --static.
The example is copied out first, so only the staged headers are reachable.

  out_of_tree_build.py BUILD_DIR SOURCE_DIR
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD_DIR = SOURCE_DIR = None

CONSUMER = """cmake_minimum_required(VERSION 3.25)
project(consumer CXX)
find_package(Quintaro 1 REQUIRED)
add_executable(draw_demo draw_demo.cpp)
target_link_libraries(draw_demo PRIVATE Quintaro::runtime)
"""


def run(args, **kwargs):
    result = subprocess.run(args, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise AssertionError("%s failed:\n%s%s" % (" ".join(args), result.stdout, result.stderr))
    return result.stdout


def defined_symbols(binary):
    return {line.split()[-1] for line in run(["nm", binary]).splitlines()
            if len(line.split()) == 3 and line.split()[1] in "TtWw"}


class OutOfTreeBuildTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="quintaro-install-")
        cls.stage = os.path.join(cls.scratch, "stage")
        run(["cmake", "--install", BUILD_DIR, "--prefix", cls.stage, "--component", "dev"])
        cls.project = os.path.join(cls.scratch, "project")
        os.makedirs(cls.project)
        for name in ("draw_demo.cpp", "example_statements.h"):
            shutil.copy(os.path.join(SOURCE_DIR, "examples", name), cls.project)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def check_program(self, binary):
        # The program's main routine, and main() from the entry library that starts the runtime.
        symbols = defined_symbols(binary)
        for name in ("main", "_Z12program_mainv", "_Z12runtime_mainiPPcPFvvE"):
            self.assertIn(name, symbols, binary)

    def test_staged_files_name_no_build_or_source_path(self):
        for folder, _, files in os.walk(self.stage):
            for name in files:
                if name.endswith((".cmake", ".pc", ".h")):
                    with open(os.path.join(folder, name)) as f:
                        text = f.read()
                    for path in (os.path.realpath(SOURCE_DIR), os.path.realpath(BUILD_DIR)):
                        self.assertNotIn(path, text, name)

    def test_cmake_package(self):
        with open(os.path.join(self.project, "CMakeLists.txt"), "w") as f:
            f.write(CONSUMER)
        build = os.path.join(self.scratch, "cmake-build")
        run(["cmake", "-S", self.project, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
             "-DCMAKE_PREFIX_PATH=" + self.stage])
        run(["cmake", "--build", build])
        self.check_program(os.path.join(build, "draw_demo"))

    def test_pkg_config_static(self):
        found = glob.glob(os.path.join(self.stage, "**", "pkgconfig", "quintaro.pc"), recursive=True)
        self.assertEqual(len(found), 1, found)
        env = dict(os.environ, PKG_CONFIG_PATH=os.path.dirname(found[0]))
        flags = run(["pkg-config", "--static", "--cflags", "--libs", "quintaro"], env=env).split()
        binary = os.path.join(self.scratch, "draw_demo_pc")
        run(["c++", "-std=c++20", "-O1", os.path.join(self.project, "draw_demo.cpp"), "-o", binary]
            + flags)
        self.check_program(binary)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    BUILD_DIR, SOURCE_DIR = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
