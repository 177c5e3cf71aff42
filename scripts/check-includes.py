#!/usr/bin/env python3
"""Checks the project's #include lines: no two modules include each other,
directly or through others, and no file includes one from a folder above it.

A module is a header and its source (Foo.h and Foo.cpp); a cycle among
modules is one however its files are arranged. The folders stand in layers,
from the bottom: tools, definitions, trends, texts (words several front ends
share), then forms and cli side by side,
then forms/qt and forms/win32 above forms. A layered file may include files
of its own folder and of the folders below it. samples, tests, bench and fuzz
may include anything, and nothing layered may include them.

  check-includes.py [ROOT]    check the tree at ROOT (default: the checkout)
  check-includes.py --plant   check a small tree with a planted cycle and a
                              planted upward include: both must be found
"""

import os
import re
import sys
import tempfile

BELOW = {
    "tools": set(),
    "definitions": {"tools"},
    "trends": {"tools", "definitions"},
    "texts": {"tools", "definitions", "trends"},
    "forms": {"tools", "definitions", "trends", "texts"},
    "cli": {"tools", "definitions", "trends", "texts"},
    "forms/qt": {"tools", "definitions", "trends", "texts", "forms"},
    "forms/win32": {"tools", "definitions", "trends", "texts", "forms"},
}
FREE = ("samples", "tests", "bench", "fuzz")
SOURCES = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def folder_of(path):
    return os.path.dirname(path).replace(os.sep, "/")


def source_files(root):
    for top in list(BELOW) + list(FREE):
        base = os.path.join(root, top)
        if top in BELOW and "/" in top or not os.path.isdir(base):
            continue
        for folder, _, names in os.walk(base):
            for name in sorted(names):
                if name.endswith(SOURCES):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def resolve(root, including, target):
    """The included file, relative to ROOT, or None for one outside the tree
    (a generated header, a system header named with quotes)."""
    for candidate in (target, folder_of(including) + "/" + target):
        candidate = os.path.normpath(candidate).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def module_of(path):
    return os.path.splitext(path)[0]


def cycles(graph):
    """The strongly connected groups of more than one module (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph.get(node, ())):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    sys.setrecursionlimit(10000)
    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def layer_of(path):
    folder = folder_of(path)
    best = None
    for layer in BELOW:
        if folder == layer or folder.startswith(layer + "/"):
            if best is None or len(layer) > len(best):
                best = layer
    return best


def check(root):
    problems = []
    graph = {}
    for path in source_files(root):
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as file:
            text = file.read()
        mine = layer_of(path)
        for target in INCLUDE.findall(text):
            included = resolve(root, path, target)
            if included is None:
                continue
            theirs = layer_of(included)
            if mine is not None and theirs != mine and theirs not in BELOW[mine]:
                problems.append(f"{path}: includes {included}, from a folder above or beside it")
            if module_of(included) != module_of(path):
                graph.setdefault(module_of(path), set()).add(module_of(included))
    for group in cycles(graph):
        problems.append("these include each other: " + ", ".join(group))
    return problems


def plant():
    """A tree with one planted cycle (through a third module) and one
    upward include: the check must report both, and nothing else."""
    files = {
        "tools/A.h": '#include "tools/B.h"\n',
        "tools/B.h": "",
        "tools/B.cpp": '#include "tools/B.h"\n#include "tools/C.h"\n',
        "tools/C.cpp": '#include "tools/A.h"\n',
        "tools/C.h": "",
        "trends/D.cpp": '#include "cli/E.h"\n',
        "cli/E.h": '#include "trends/D.h"\n',
        "trends/D.h": "",
        "tests/F.cpp": '#include "cli/E.h"\n#include "tools/A.h"\n',
    }
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(root, name), "w", encoding="utf-8") as file:
                file.write(text)
        problems = check(root)
    expected = [
        "trends/D.cpp: includes cli/E.h, from a folder above or beside it",
        "these include each other: cli/E, trends/D",
        "these include each other: tools/A, tools/B, tools/C",
    ]
    if sorted(problems) != sorted(expected):
        print("the planted faults were not reported as planted:", *problems, sep="\n  ")
        return 1
    print("planted cycle and upward include found")
    return 0


def main(arguments):
    if arguments[1:2] == ["--plant"]:
        return plant()
    root = arguments[1] if len(arguments) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems = check(os.path.abspath(root))
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print("includes: no cycles, none from a folder above")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
