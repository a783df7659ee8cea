#!/usr/bin/env python3
"""Lists the circles of includes among the launcher's modules (a source and its
header count as one module) and the includes that run up the rooms
(data < platform < panel). Exits 1 when there is either.

    scripts/include-cycles.py [launcher-dir]
"""
import os
import re
import sys

ROOMS = {"data": 0, "platform": 1, "panel": 2}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def modules(root):
    found = {}
    for folder, _, files in os.walk(root):
        for name in files:
            if name.endswith((".cpp", ".h")):
                path = os.path.join(folder, name)
                module = os.path.splitext(os.path.relpath(path, root))[0].replace(os.sep, "/")
                found.setdefault(module, []).append(path)
    return found


def edges(root, found):
    graph = {m: set() for m in found}
    for module, paths in found.items():
        for path in paths:
            with open(path, encoding="utf-8", errors="replace") as text:
                for target in INCLUDE.findall(text.read()):
                    other = os.path.splitext(target)[0]
                    if other in found and other != module:
                        graph[module].add(other)
    return graph


def cycles(graph):
    # Tarjan's strongly connected components; any of more than one module is a circle.
    index, low, stack, on, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in sorted(graph[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                out.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return out


def room(module):
    head = module.split("/")[0]
    return ROOMS.get(head)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "launcher")
    found = modules(root)
    graph = edges(root, found)
    bad = 0
    for component in cycles(graph):
        print("circle: " + " ".join(component))
        bad += 1
    for module in sorted(graph):
        for other in sorted(graph[module]):
            if room(module) is not None and room(other) is not None and room(other) > room(module):
                print("upward: %s -> %s" % (module, other))
                bad += 1
    print("%d modules, %d problems" % (len(found), bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
