#!/usr/bin/env python3
"""Checks the include order of the runtime's layers (docs/architecture.md).

Reads every #include "runtime/..." and #include "program/..." in runtime/ and
program/ and reports, as file:line, each include that goes to a higher layer,
to a sibling folder of the same layer, to another folder's detail/ headers, or
from runtime/ to program/. Files in a runtime folder the table does not know
are reported too. Exits 1 when anything is reported.

  check_layers.py [source root]    check the tree (default: this script's ../)
  check_layers.py --self-test      check that the rules catch what they should
"""
import os
import re
import sys
import tempfile

# The layer order is the one the build links by: QUINTARO_LAYERS in the
# top-level CMakeLists.txt, lowest first, siblings of one layer joined by a
# comma (they may not include each other).
LAYER_LIST = re.compile(r'set\(QUINTARO_LAYERS\s+([^)]*)\)')


def read_layers(root):
    """{folder: layer number} from root/CMakeLists.txt; None when it has no list."""
    try:
        with open(os.path.join(root, 'CMakeLists.txt'), encoding='utf-8') as f:
            match = LAYER_LIST.search(f.read())
    except OSError:
        return None
    if not match:
        return None
    layers = {}
    for number, entry in enumerate(match.group(1).split()):
        for folder in entry.split(','):
            layers[folder] = number
    return layers


INCLUDE = re.compile(r'^\s*#\s*include\s+"((?:runtime|program)/[^"]+)"')
SOURCE_SUFFIXES = ('.h', '.hpp', '.cpp', '.cc', '.inc')


def folder_of(path):
    """('runtime', 'screen') for runtime/screen/x.h, ('program', None) for program/..."""
    parts = path.split('/')
    if parts[0] == 'runtime':
        return 'runtime', parts[1] if len(parts) > 2 else None
    return parts[0], None


def is_detail(path):
    return '/detail/' in path


def check_include(source, target, LAYERS):
    """The rule an include from source to target breaks, or None."""
    src_top, src_folder = folder_of(source)
    dst_top, dst_folder = folder_of(target)
    if dst_top == 'program':
        return 'the runtime includes program/' if src_top == 'runtime' else None
    if src_top == 'program':
        if is_detail(target):
            return 'a program includes a detail/ header'
        return None
    if dst_folder is None or dst_folder not in LAYERS:
        return 'include of an unknown runtime folder'
    if src_folder == dst_folder:
        return None
    if is_detail(target):
        return 'include of another folder\'s detail/ header'
    if LAYERS[dst_folder] > LAYERS[src_folder]:
        return 'include of a higher layer (%s above %s)' % (dst_folder, src_folder)
    if LAYERS[dst_folder] == LAYERS[src_folder]:
        return 'include of a sibling of the same layer (%s beside %s)' % (dst_folder, src_folder)
    return None


def source_files(root):
    for top in ('runtime', 'program'):
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
            dirnames.sort()
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES):
                    full = os.path.join(dirpath, name)
                    yield os.path.relpath(full, root).replace(os.sep, '/')


def check_tree(root):
    """Every broken rule as 'file:line: message'."""
    LAYERS = read_layers(root)
    if LAYERS is None:
        return ['CMakeLists.txt:1: no QUINTARO_LAYERS list to check against']
    problems = []
    for rel in source_files(root):
        top, folder = folder_of(rel)
        if top == 'runtime' and (folder is None or folder not in LAYERS):
            problems.append('%s:1: file in a runtime folder without a layer' % rel)
            continue
        with open(os.path.join(root, rel), encoding='utf-8', errors='replace') as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                broken = check_include(rel, match.group(1), LAYERS)
                if broken:
                    problems.append('%s:%d: %s: "%s"' % (rel, number, broken, match.group(1)))
    return problems


def self_test():
    """Builds a small tree with one file per rule and checks each is reported."""
    files = {
        'CMakeLists.txt': 'set(QUINTARO_LAYERS\n  platform\n  core\n  screen\n  input,os\n  host)\n',
        'runtime/core/good.h': '#include "runtime/platform/platform.h"\n',
        'runtime/core/up.cpp': '#include "runtime/screen/screen.h"\n',
        'runtime/input/sibling.cpp': '#include "runtime/os/os.h"\n',
        'runtime/host/detail_peek.cpp': '#include "runtime/screen/detail/internals.h"\n',
        'runtime/host/own_detail.cpp': '#include "runtime/host/detail/window_thread.h"\n',
        'runtime/screen/program.cpp': '#include "program/calculator.h"\n',
        'runtime/widgets/stray.cpp': '\n',
        'program/calculator.cpp': '#include "runtime/host/host.h"\n#include "runtime/input/detail/keys.h"\n',
    }
    expected = {
        ('runtime/core/up.cpp', 1, 'higher layer'),
        ('runtime/input/sibling.cpp', 1, 'sibling'),
        ('runtime/host/detail_peek.cpp', 1, 'detail/'),
        ('runtime/screen/program.cpp', 1, 'includes program/'),
        ('runtime/widgets/stray.cpp', 1, 'without a layer'),
        ('program/calculator.cpp', 2, 'detail/'),
    }
    with tempfile.TemporaryDirectory() as root:
        for rel, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
            with open(os.path.join(root, rel), 'w') as f:
                f.write(text)
        problems = check_tree(root)
    found = set()
    for p in problems:
        rel, number, message = p.split(':', 2)
        for e in expected:
            if e[0] == rel and e[1] == int(number) and e[2] in message:
                found.add(e)
    missing = expected - found
    extra = len(problems) - len(found)
    for e in sorted(missing):
        print('self-test: not reported: %s:%d (%s)' % e)
    if extra:
        print('self-test: %d unexpected reports:\n  %s' % (extra, '\n  '.join(problems)))
    if missing or extra:
        return 1
    print('self-test: all %d broken rules reported, nothing else' % len(expected))
    return 0


def main(argv):
    if len(argv) > 1 and argv[1] == '--self-test':
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    problems = check_tree(root)
    for p in problems:
        print(p)
    if problems:
        print('%d include(s) break the layer order of QUINTARO_LAYERS (CMakeLists.txt)' % len(problems))
        return 1
    print('layers: every include of runtime/ and program/ follows the layer order')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
