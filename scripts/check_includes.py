#!/usr/bin/env python3
"""Fails when the project's includes run in a circle: a header that includes, directly or through
others, a header that includes it back, or two source units (a .cpp with its .h) that depend on
each other. Also fails on an include that names no file of the project under its roots."""

import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The include roots, as the build gives them: the top, platform/ and src/.
INCLUDE_ROOTS = ["", "platform", "src"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def project_files():
    out = subprocess.run(["git", "-C", ROOT, "ls-files", "--cached", "--others", "--exclude-standard",
                          "*.h", "*.cpp"], check=True, capture_output=True, text=True).stdout
    return [f for f in out.split() if os.path.exists(os.path.join(ROOT, f))]


def resolve(name):
    for root in INCLUDE_ROOTS:
        path = os.path.normpath(os.path.join(root, name))
        if os.path.exists(os.path.join(ROOT, path)):
            return path
    return None


def strongly_connected(graph):
    """Tarjan's algorithm, iteratively: the components with more than one node."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = 0
    for start in graph:
        if start in index:
            continue
        work = [(start, iter(graph.get(start, ())))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(graph.get(child, ()))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))
    return found


def main():
    includes, unresolved = {}, []
    for path in project_files():
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as source:
            names = INCLUDE.findall(source.read())
        includes[path] = set()
        for name in names:
            target = resolve(name)
            if target is None:
                unresolved.append(f"{path}: \"{name}\"")
            else:
                includes[path].add(target)

    headers = {path: {t for t in targets if t.endswith(".h")} for path, targets in includes.items()
               if path.endswith(".h")}
    units = {}
    for path, targets in includes.items():
        unit = os.path.splitext(path)[0]
        units.setdefault(unit, set()).update(os.path.splitext(t)[0] for t in targets
                                             if os.path.splitext(t)[0] != unit)

    problems = [f"unresolved include {u}" for u in unresolved]
    problems += [f"headers include each other: {' -> '.join(c)}" for c in strongly_connected(headers)]
    problems += [f"units depend on each other: {' -> '.join(c)}" for c in strongly_connected(units)]
    for problem in problems:
        print(problem, file=sys.stderr)
    print(f"check_includes: {len(includes)} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
