#!/usr/bin/env python3
"""Checks the runtime's layers on the object code (docs/architecture.md).

Each runtime folder is a static library. A symbol a folder's objects use and do
not define must come from a lower layer or from outside the runtime; this
reports every one that only a higher layer or a sibling of the same layer
defines. The linker alone misses such a call whenever the higher library is on
the link line anyway (every program links the whole runtime). It also reports
calls into the window toolkit from outside the folders that own it: freeglut
and GLX from host/ only, OpenGL, GLU and GLEW from gpu/ and host/ only.

  check_link_layers.py [--nm NM] LAYER...
      each LAYER one argument, lowest first: folder=library[,folder=library...]
      (folders of one argument are siblings)
  check_link_layers.py --self-test [--nm NM] [--cxx CXX] [--ar AR]
      builds tiny libraries with a deliberate upward call, a sibling call and a
      toolkit call in the wrong folder, and checks that exactly those are reported

Exits 1 when anything is reported.
"""
import os
import re
import subprocess
import sys
import tempfile

# Window-toolkit symbols and the folders that may call them. GLEW's function
# pointers are named __glew<Function>.
TOOLKIT = [
    (re.compile(r'^(glut|glX)'), {'host'}, 'freeglut or GLX'),
    (re.compile(r'^(gl[A-Z]|glu[A-Z]|__glew|glew)'), {'gpu', 'host'}, 'OpenGL, GLU or GLEW'),
]

UNDEFINED_TYPES = set('Uwv')
# Definitions other objects can link against (lower-case t, d, b, r are file-local).
EXPORTED_TYPES = set('TDBRCWVGSiu')


def read_symbols(nm, library):
    """{object: (defined set, undefined set)} of one static library."""
    out = subprocess.run([nm, '-A', '-P', library], check=True, capture_output=True, text=True).stdout
    objects = {}
    for line in out.splitlines():
        # "lib.a[obj.o]: symbol T value size"
        head, _, rest = line.partition(': ')
        fields = rest.split()
        if len(fields) < 2:
            continue
        match = re.search(r'\[([^\]]+)\]$', head)
        obj = match.group(1) if match else os.path.basename(head)
        defined, undefined = objects.setdefault(obj, (set(), set()))
        symbol, kind = fields[0], fields[1]
        if kind in UNDEFINED_TYPES:
            undefined.add(symbol)
        elif kind in EXPORTED_TYPES:
            defined.add(symbol)
    return objects


def demangle(symbols):
    try:
        out = subprocess.run(['c++filt'], input='\n'.join(symbols), check=True, capture_output=True,
                             text=True).stdout.splitlines()
        return dict(zip(symbols, out)) if len(out) == len(symbols) else {s: s for s in symbols}
    except (OSError, subprocess.CalledProcessError):
        return {s: s for s in symbols}


def check(layers, nm):
    """layers: [[(folder, library), ...], ...] lowest first. Every problem as one line."""
    layer_of = {}
    symbols = {}
    for index, layer in enumerate(layers):
        for folder, library in layer:
            layer_of[folder] = index
            symbols[folder] = read_symbols(nm, library)
    defined_in = {}
    for folder, objects in symbols.items():
        for defined, _ in objects.values():
            for s in defined:
                defined_in.setdefault(s, set()).add(folder)
    found = []
    for folder, objects in symbols.items():
        own = set().union(*(d for d, _ in objects.values())) if objects else set()
        for obj, (_, undefined) in sorted(objects.items()):
            for s in sorted(undefined - own):
                owners = defined_in.get(s, set())
                if not owners:
                    for pattern, allowed, what in TOOLKIT:
                        if pattern.match(s) and folder not in allowed:
                            found.append((folder, obj, s, '%s outside %s/' % (what, '/, '.join(sorted(allowed)))))
                            break
                    continue
                if any(layer_of[o] < layer_of[folder] for o in owners):
                    continue
                kinds = ['%s (%s)' % (o, 'sibling' if layer_of[o] == layer_of[folder] else 'higher')
                         for o in sorted(owners)]
                found.append((folder, obj, s, 'defined only in ' + ', '.join(kinds)))
    names = demangle([s for _, _, s, _ in found])
    return ['%s/%s: %s: %s' % (folder, obj, names[s], why) for folder, obj, s, why in found]


def parse_layers(args):
    layers = []
    for arg in args:
        layer = []
        for item in arg.split(','):
            folder, _, library = item.partition('=')
            if not folder or not library:
                raise SystemExit('check_link_layers.py: not folder=library: %r' % item)
            layer.append((folder, library))
        layers.append(layer)
    return layers


def self_test(nm, cxx, ar):
    """Three folders low < (left | right) < top, each a library of one or two objects."""
    sources = {
        'low': {
            'base.cpp': 'int low_value() { return 1; }\n'
                        'void top_hook();\n'
                        'void low_calls_up() { top_hook(); }\n'  # upward
                        'extern "C" void glutPostRedisplay();\n'
                        'void low_redisplay() { glutPostRedisplay(); }\n',  # toolkit outside host
            'inline_use.cpp': 'inline int shared_inline() { return 7; }\n'
                              'int low_inline() { return shared_inline(); }\n',
        },
        'left': {
            'left.cpp': 'int low_value();\nint right_value();\n'
                        'int left_value() { return low_value() + right_value(); }\n',  # sibling
        },
        'right': {
            'right.cpp': 'int low_value();\nint right_value() { return low_value(); }\n'
                         'inline int shared_inline() { return 7; }\n'
                         'int right_inline() { return shared_inline(); }\n',
        },
        'host': {
            'top.cpp': 'int left_value();\nint right_value();\n'
                       'extern "C" void glutPostRedisplay();\n'
                       'void top_hook() { glutPostRedisplay(); left_value(); right_value(); }\n',
        },
    }
    expected = [
        ('low/base.cpp.o', 'top_hook()', 'host (higher)'),
        ('low/base.cpp.o', 'glutPostRedisplay', 'outside host/'),
        ('left/left.cpp.o', 'right_value()', 'right (sibling)'),
    ]
    with tempfile.TemporaryDirectory() as root:
        libraries = {}
        for folder, files in sources.items():
            objects = []
            for name, text in files.items():
                src = os.path.join(root, folder + '_' + name)
                with open(src, 'w') as f:
                    f.write(text)
                obj = os.path.join(root, name + '.o')
                subprocess.run([cxx, '-c', '-O0', src, '-o', obj], check=True)
                objects.append(obj)
            libraries[folder] = os.path.join(root, 'lib%s.a' % folder)
            subprocess.run([ar, 'qc', libraries[folder]] + objects, check=True)
            for obj in objects:
                os.remove(obj)
        layers = [[('low', libraries['low'])], [('left', libraries['left']), ('right', libraries['right'])],
                  [('host', libraries['host'])]]
        problems = check(layers, nm)
    missing = [e for e in expected if not any(p.startswith(e[0] + ': ' + e[1] + ':') and e[2] in p
                                              for p in problems)]
    extra = len(problems) - (len(expected) - len(missing))
    for e in missing:
        print('self-test: not reported: %s: %s (%s)' % e)
    if extra:
        print('self-test: unexpected reports among:\n  ' + '\n  '.join(problems))
    if missing or extra:
        return 1
    print('self-test: the upward call, the sibling call and the toolkit call reported, nothing else')
    return 0


def main(argv):
    args = argv[1:]
    tools = {'--nm': 'nm', '--cxx': 'c++', '--ar': 'ar'}
    testing = False
    rest = []
    i = 0
    while i < len(args):
        if args[i] in tools and i + 1 < len(args):
            tools[args[i]] = args[i + 1]
            i += 2
            continue
        if args[i] == '--self-test':
            testing = True
        else:
            rest.append(args[i])
        i += 1
    if testing:
        return self_test(tools['--nm'], tools['--cxx'], tools['--ar'])
    if not rest:
        print(__doc__)
        return 2
    problems = check(parse_layers(rest), tools['--nm'])
    for p in problems:
        print(p)
    if problems:
        print('%d symbol use(s) break the layer order of docs/architecture.md' % len(problems))
        return 1
    print('link layers: every folder uses only lower folders and its own toolkit calls')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
