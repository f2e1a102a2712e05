#!/usr/bin/env python3
"""The C++ samples of docs/guide.md as sources to compile, and a check that the
one public header reaches no detail/ header.

Every fenced block whose info string starts with "cpp" must say what it is:
"cpp program" (a whole program, built and linked) or "cpp fragment"
(statements, compiled inside `void fragment(uint32_t mark)`). A bare "cpp"
block, or another word, is an error, so no sample escapes the compiler.

  guide_samples.py extract GUIDE OUTDIR    writes program_N.cpp and fragment_N.cpp
                                           (only files whose text changed), and
                                           prints the names written, one a line
  guide_samples.py header COMPILER ROOT    lists what <quintaro.h> includes and
                                           fails if a detail/ header is among them
  guide_samples.py --self-test             checks the extraction rules
"""
import os
import re
import subprocess
import sys
import tempfile

FENCE = re.compile(r'^```(\S*)\s*(\S*)\s*$')
FRAGMENT_HEAD = '#include <quintaro.h>\n\n#include <string>\n\nvoid fragment(uint32_t mark) {\n'


def samples(text):
    """[(kind, first line number, code)] of the guide's C++ blocks; raises ValueError
    for a C++ block without a known kind or a block left open."""
    found = []
    lines = text.splitlines()
    i = 0
    while i < len(lines):
        fence = FENCE.match(lines[i])
        if not fence or not fence.group(1):
            i += 1
            continue
        language, kind = fence.group(1), fence.group(2)
        start = i + 1
        i = start
        while i < len(lines) and lines[i].strip() != '```':
            i += 1
        if i == len(lines):
            raise ValueError('line %d: the block is never closed' % start)
        if language == 'cpp':
            if kind not in ('program', 'fragment'):
                raise ValueError('line %d: a cpp block must be "cpp program" or "cpp fragment"' % start)
            found.append((kind, start + 1, '\n'.join(lines[start:i]) + '\n'))
        i += 1
    return found


def source_of(kind, line, code, guide):
    origin = '// From %s, line %d.\n' % (os.path.basename(guide), line)
    if kind == 'program':
        return origin + code
    body = ''.join('  ' + l + '\n' if l else '\n' for l in code.splitlines())
    return origin + FRAGMENT_HEAD + body + '  (void)mark;\n}\n'


def extract(guide, outdir):
    with open(guide) as f:
        found = samples(f.read())
    os.makedirs(outdir, exist_ok=True)
    counts = {'program': 0, 'fragment': 0}
    names = []
    for kind, line, code in found:
        counts[kind] += 1
        name = '%s_%d.cpp' % (kind, counts[kind])
        text = source_of(kind, line, code, guide)
        path = os.path.join(outdir, name)
        if not os.path.exists(path) or open(path).read() != text:
            with open(path, 'w') as f:
                f.write(text)
        names.append(name)
    for stale in set(os.listdir(outdir)) - set(names):
        if re.fullmatch(r'(program|fragment)_\d+\.cpp', stale):
            os.remove(os.path.join(outdir, stale))
    return names


def header(compiler, root):
    root = os.path.abspath(root)
    result = subprocess.run([compiler, '-std=c++20', '-I', root, '-I', os.path.join(root, 'include'), '-M',
                             '-x', 'c++', os.path.join(root, 'include', 'quintaro.h')],
                            capture_output=True, text=True)
    if result.returncode != 0:
        print(result.stderr)
        return 1
    reached = [p for p in result.stdout.replace('\\\n', ' ').split() if '/runtime/' in p]
    detail = [p for p in reached if '/detail/' in p]
    for p in detail:
        print('quintaro.h reaches %s' % p)
    folders = sorted({p.split('/runtime/')[1].split('/')[0] for p in reached})
    print('quintaro.h reaches %d runtime headers in %s; %d of detail/' % (len(reached), ', '.join(folders),
                                                                         len(detail)))
    return 1 if detail or not reached else 0


def self_test():
    good = 'x\n```cpp program\nint a;\n```\n```sh\nls\n```\n```cpp fragment\nf();\n```\n```\nplain\n```\n'
    problems = []
    got = [(k, n) for k, n, _ in samples(good)]
    if got != [('program', 3), ('fragment', 9)]:
        problems.append('found %s' % got)
    for bad in ('```cpp\nint a;\n```\n', '```cpp sample\nint a;\n```\n', '```cpp fragment\nf();\n'):
        try:
            samples(bad)
            problems.append('not refused: %r' % bad)
        except ValueError:
            pass
    wrapped = source_of('fragment', 3, 'f();\n', 'guide.md')
    if 'void fragment(uint32_t mark) {\n  f();\n' not in wrapped:
        problems.append('fragment not wrapped: %r' % wrapped)
    with tempfile.TemporaryDirectory() as outdir:
        guide = os.path.join(outdir, 'guide.md')
        with open(guide, 'w') as f:
            f.write(good)
        open(os.path.join(outdir, 'fragment_7.cpp'), 'w').close()
        extract(guide, os.path.join(outdir))
        left = sorted(n for n in os.listdir(outdir) if n.endswith('.cpp'))
        if left != ['fragment_1.cpp', 'program_1.cpp']:
            problems.append('extracted %s' % left)
    for p in problems:
        print('self-test: ' + p)
    if not problems:
        print('self-test: blocks found, bad blocks refused, stale sources removed')
    return 1 if problems else 0


def main(argv):
    if len(argv) == 2 and argv[1] == '--self-test':
        return self_test()
    if len(argv) == 4 and argv[1] == 'extract':
        try:
            print('\n'.join(extract(argv[2], argv[3])))
            return 0
        except ValueError as e:
            print('%s: %s' % (argv[2], e), file=sys.stderr)
            return 1
    if len(argv) == 4 and argv[1] == 'header':
        return header(argv[2], argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
