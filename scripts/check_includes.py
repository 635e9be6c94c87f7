#!/usr/bin/env python3
"""Fails when the project's includes run in a circle: a header that includes, directly or through
others, a header that includes it back, or two source units (a .cpp with its .h) that depend on
each other. Also fails on an include that names no file of the project under its roots, and on
one against the application server's layers: appserver/ holds main.cpp, CMakeLists.txt and one
folder per layer, and a layer includes only the layers below it.

Checks the checkout it lies in, or the one --root names."""

import argparse
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The include roots, as the build gives them: the top, platform/ and src/.
INCLUDE_ROOTS = ["", "platform", "src"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# The server's layers and what each may include besides itself: none above it.
LAYERS = {
    "storage": set(),
    "object": {"storage"},
    "rpc": {"object", "storage"},
    "net": {"rpc", "object", "storage"},
    "commands": {"net", "rpc", "object", "storage"},
}
SERVER_TOP_FILES = {"main.cpp", "CMakeLists.txt"}


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


def server_layer(path):
    parts = path.split("/")
    return parts[1] if len(parts) > 2 and parts[0] == "appserver" else None


def layer_problems(includes):
    problems = []
    top = os.path.join(ROOT, "appserver")
    if os.path.isdir(top):
        for entry in sorted(os.listdir(top)):
            if os.path.isdir(os.path.join(top, entry)):
                if entry not in LAYERS:
                    problems.append(f"appserver/{entry}/ is no layer of the server ({', '.join(LAYERS)})")
            elif entry not in SERVER_TOP_FILES:
                problems.append(f"appserver/{entry} belongs in one of the layers' folders")
    for path, targets in sorted(includes.items()):
        layer = server_layer(path)
        if layer not in LAYERS:
            continue
        for target in sorted(targets):
            other = server_layer(target)
            if other is not None and other != layer and other not in LAYERS[layer]:
                problems.append(f"{path} includes {target}: {layer} may not include {other}")
    return problems


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
    global ROOT
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", default=ROOT, help="the checkout to check (default: this one)")
    ROOT = os.path.abspath(parser.parse_args().root)
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
    problems += layer_problems(includes)
    for problem in problems:
        print(problem, file=sys.stderr)
    print(f"check_includes: {len(includes)} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
