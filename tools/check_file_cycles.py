#!/usr/bin/env python3
"""Finds files of one runtime folder that call each other in a loop.

Reads the object files of runtime/<folder>/*.cpp in a build tree with nm
(the sources of this script's tree; objects of files since moved are skipped),
maps each strong global symbol to the file that defines it, draws an edge from
a file to every file of its own folder that defines a symbol it leaves
undefined, and reports each strongly connected group of more than one file.
Inline functions, template instances and inline variables (weak and unique
symbols) belong to no file and make no edge. Exits 1 when a folder not named
with --allow has such a group.

  check_file_cycles.py BUILD_DIR [--allow FOLDER ...]
  check_file_cycles.py --self-test
"""
import os
import subprocess
import sys

# nm symbol types of a strong global definition.
STRONG = set('TDBRGSC')


def object_files(build_dir, source_root):
    """{'screen/images.cpp': path of its object}, one object per source that
    still exists (objects of moved or deleted files stay in a build tree)."""
    found = {}
    for dirpath, dirnames, filenames in os.walk(build_dir):
        dirnames.sort()
        for name in sorted(filenames):
            if not name.endswith('.cpp.o'):
                continue
            full = os.path.join(dirpath, name)
            rel = full.replace(os.sep, '/')
            at = rel.rfind('/runtime/')
            if at < 0:
                continue
            source = rel[at + len('/runtime/'):-len('.o')]
            if source.count('/') < 1 or not os.path.isfile(os.path.join(source_root, 'runtime', source)):
                continue
            found.setdefault(source, full)
    return found


def symbols(path):
    """(strong definitions, undefined references) of one object file."""
    out = subprocess.run(['nm', path], capture_output=True, text=True, check=True).stdout
    defined, undefined = set(), set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 2 and parts[0] == 'U':
            undefined.add(parts[1])
        elif len(parts) >= 3 and parts[1] in STRONG:
            defined.add(parts[2])
    return defined, undefined


def folder_of(source):
    return source.split('/')[0]


def call_edges(table):
    """table: {source: (defined, undefined)} -> {source: set of sources in its folder it calls}."""
    owner = {}
    for source, (defined, _) in table.items():
        for name in defined:
            owner.setdefault(name, source)
    edges = {source: set() for source in table}
    for source, (_, undefined) in table.items():
        for name in undefined:
            target = owner.get(name)
            if target and target != source and folder_of(target) == folder_of(source):
                edges[source].add(target)
    return edges


def cycles(edges):
    """Strongly connected groups of more than one node (Tarjan, iterative)."""
    index, low, on_stack, stack, groups = {}, {}, set(), [], []
    counter = 0
    for root in sorted(edges):
        if root in index:
            continue
        work = [(root, iter(sorted(edges[root])))]
        index[root] = low[root] = counter
        counter += 1
        stack.append(root)
        on_stack.add(root)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges.get(child, ())))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    groups.append(sorted(group))
    return sorted(groups)


def self_test():
    edges = {
        'a/x.cpp': {'a/y.cpp'}, 'a/y.cpp': {'a/z.cpp'}, 'a/z.cpp': {'a/x.cpp'},
        'a/w.cpp': {'a/x.cpp'}, 'b/p.cpp': {'b/q.cpp'}, 'b/q.cpp': set(),
    }
    assert cycles(edges) == [['a/x.cpp', 'a/y.cpp', 'a/z.cpp']], cycles(edges)
    edges['b/q.cpp'] = {'b/p.cpp'}
    assert cycles(edges) == [['a/x.cpp', 'a/y.cpp', 'a/z.cpp'], ['b/p.cpp', 'b/q.cpp']]
    table = {
        'a/x.cpp': ({'_Z1fv'}, {'_Z1gv', '_Z1hv'}),
        'a/y.cpp': ({'_Z1gv'}, {'_Z1fv'}),
        'b/z.cpp': ({'_Z1hv'}, {'_Z1fv'}),
    }
    edges = call_edges(table)
    # Calls across folders are no edge of a folder's graph.
    assert edges == {'a/x.cpp': {'a/y.cpp'}, 'a/y.cpp': {'a/x.cpp'}, 'b/z.cpp': set()}, edges
    assert cycles(edges) == [['a/x.cpp', 'a/y.cpp']]
    print('self-test passed')
    return 0


def main(argv):
    if argv[1:] == ['--self-test']:
        return self_test()
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    build_dir = argv[1]
    allowed = set()
    rest = argv[2:]
    while rest:
        if rest[0] != '--allow' or len(rest) < 2:
            print(__doc__, file=sys.stderr)
            return 2
        allowed.add(rest[1])
        rest = rest[2:]
    objects = object_files(build_dir, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
    if not objects:
        print('no runtime objects under %s' % build_dir, file=sys.stderr)
        return 2
    table = {source: symbols(path) for source, path in objects.items()}
    groups = cycles(call_edges(table))
    failed = False
    folders = sorted({folder_of(s) for s in objects})
    for folder in folders:
        mine = [g for g in groups if folder_of(g[0]) == folder]
        files = sum(len(g) for g in mine)
        note = ' (allowed)' if mine and folder in allowed else ''
        print('%-10s %2d files, %d in cycles%s' % (folder + '/', sum(1 for s in objects if folder_of(s) == folder),
                                                  files, note))
        for group in mine:
            print('    cycle: ' + ' '.join(group))
        if mine and folder not in allowed:
            failed = True
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
