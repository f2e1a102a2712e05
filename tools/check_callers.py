#!/usr/bin/env python3
"""Checks that every statement entry point of the runtime has a caller that runs.

Lists the functions declared in the public headers of the runtime (the .h
files at the top of each runtime/ folder, never detail/). A function that the
runtime calls itself (its name used anywhere under runtime/ other than where it
is declared or defined) is plumbing, reached through whatever calls it; the
others are entry points only a program calls. Each entry point whose name
appears in no source under tests/, examples/ or program/ is reported: those
are what `make test` runs (the unit tests, the end-to-end programs and their
suites, the example programs and the calculator). Exits 1 when anything is
reported.

  check_callers.py [source root]    check the tree (default: this script's ../)
  check_callers.py --self-test      check that an uncalled function is caught
"""
import os
import re
import sys
import tempfile

CALLER_FOLDERS = ('tests', 'examples', 'program')

# Public functions that no program is meant to call, each with the reason.
NOT_ENTRY_POINTS = {
    'machine_hooks': 'the hooks the machine-code call gives the interpreter; reached through that call',
}
SOURCE_SUFFIXES = ('.h', '.cpp', '.py')

# A declaration's name: the last identifier before the "(" of a declaration
# that starts at namespace level (not inside a record or a function body).
DECLARATION = re.compile(
    r'^(?!(?:return|else|case|throw|delete|new|goto)\b)'
    r'(?:\[\[[^\]]*\]\]\s*)*'                       # attributes
    r'(?:(?:extern|inline|static|constexpr|template\s*<[^>]*>)\s+)*'
    r'[A-Za-z_][\w:<>,\s\*&]*?[\s\*&]'               # return type
    r'([a-z_][a-z0-9_]*)\s*\(')                      # name
NOT_FUNCTIONS = {'if', 'while', 'for', 'switch', 'return', 'sizeof', 'decltype',
                 'alignas', 'static_assert', 'operator'}


def strip_comments(text):
    text = re.sub(r'/\*.*?\*/', ' ', text, flags=re.S)
    return re.sub(r'//[^\n]*', '', text)


def declared_functions(text):
    """Names of the functions declared at namespace level in one header."""
    names = []
    depth = 0
    statement = ''
    for line in strip_comments(text).splitlines():
        stripped = line.strip()
        if stripped.startswith('#'):
            continue
        if depth == 0:
            statement = (statement + ' ' + stripped).strip()
            if statement.startswith(('using ', 'typedef ', 'struct ', 'enum ', 'union ', 'class ', 'namespace ')):
                statement = ''
            else:
                found = DECLARATION.match(statement)
                if found and found.group(1) not in NOT_FUNCTIONS and '=' not in statement.split('(')[0]:
                    names.append(found.group(1))
                    statement = ''
                elif statement.endswith((';', '{', '}')):
                    statement = ''
        depth += line.count('{') - line.count('}')
        depth = max(depth, 0)
        if depth:
            statement = ''
    return names


def public_headers(root):
    runtime = os.path.join(root, 'runtime')
    for folder in sorted(os.listdir(runtime)):
        path = os.path.join(runtime, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            if name.endswith('.h'):
                yield os.path.join('runtime', folder, name)


def caller_words(root):
    """Every identifier that appears in a caller source."""
    words = set()
    for folder in CALLER_FOLDERS:
        for base, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if name.endswith(SOURCE_SUFFIXES):
                    with open(os.path.join(base, name), errors='replace') as f:
                        words.update(re.findall(r'[A-Za-z_]\w*', strip_comments(f.read())))
    return words


def runtime_uses(root):
    """Every identifier used under runtime/ other than as the name a line declares or defines."""
    words = set()
    for base, _, files in os.walk(os.path.join(root, 'runtime')):
        for name in files:
            if not name.endswith(('.h', '.cpp')):
                continue
            with open(os.path.join(base, name), errors='replace') as f:
                text = strip_comments(f.read())
            for line in text.splitlines():
                found = DECLARATION.match(line.strip())
                own = found.group(1) if found else None
                used = re.findall(r'[A-Za-z_]\w*', line)
                if own in used:
                    used.remove(own)
                words.update(used)
    return words


def uncalled(root):
    """(header, name) of every entry point no caller names."""
    words = caller_words(root) | runtime_uses(root)
    found = []
    for header in public_headers(root):
        with open(os.path.join(root, header), errors='replace') as f:
            for name in dict.fromkeys(declared_functions(f.read())):
                if name not in words and name not in NOT_ENTRY_POINTS:
                    found.append((header, name))
    return found


def self_test():
    """A small tree: a function a test calls, one the runtime calls, one only named
    in comments, one never named, and one in detail/ that is not public."""
    header = '\n'.join([
        '#pragma once',
        '// one_called() is here.',
        'int one_called(int a);',
        'inline void commented() { one_called(1); }',
        '[[noreturn]] void never_named(const char* text,',
        '                              int n);',
        'struct record { int member_function(); };',
        'extern int not_a_function;',
        'int used_inside();',
        'using entry = void (*)(int);',
    ])
    caller = 'void f() { one_called(2); }  // commented() and never_named() only mentioned\n'
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, 'runtime', 'core', 'detail'))
        os.makedirs(os.path.join(root, 'tests'))
        with open(os.path.join(root, 'runtime', 'core', 'core.h'), 'w') as f:
            f.write(header)
        with open(os.path.join(root, 'runtime', 'core', 'detail', 'hidden.h'), 'w') as f:
            f.write('void hidden_uncalled();\n')
        with open(os.path.join(root, 'runtime', 'core', 'core.cpp'), 'w') as f:
            f.write('int used_inside() { return 1; }\nint never_named_size() { return used_inside(); }\n'
                    'void never_named(const char* text, int n) {}  // never_named\n')
        with open(os.path.join(root, 'tests', 'a_test.cpp'), 'w') as f:
            f.write(caller)
        got = [name for _, name in uncalled(root)]
    expected = ['commented', 'never_named']
    if got != expected:
        print('self-test: expected %s reported, got %s' % (expected, got))
        return 1
    print('self-test: the %d uncalled functions reported, nothing else' % len(expected))
    return 0


def main(argv):
    if len(argv) > 1 and argv[1] == '--self-test':
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    total = sum(len(set(declared_functions(open(os.path.join(root, h), errors='replace').read())))
                for h in public_headers(root))
    found = uncalled(root)
    for header, name in found:
        print('%s: %s has no caller in %s' % (header, name, ', '.join(CALLER_FOLDERS)))
    print('%d public functions, %d without a caller' % (total, len(found)))
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
