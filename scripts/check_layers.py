#!/usr/bin/env python3
"""Fails when a platform manager includes a header of a manager its library
does not link (src/platform/CMakeLists.txt), or when the managers' links form
a cycle. Run by scripts/check."""
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
platform = root / "src" / "platform"
cmake = (platform / "CMakeLists.txt").read_text()
links = {}
for name, deps in re.findall(r"^korvane_manager\((\w+)([^)]*)\)", cmake, re.M):
    links[name] = set(deps.split())

problems = []
for folder in sorted(p for p in platform.iterdir() if p.is_dir()):
    if folder.name not in links:
        problems.append(f"src/platform/{folder.name}/ has no korvane_manager() line")
        continue
    for source in sorted(folder.iterdir()):
        if source.suffix not in (".h", ".cc"):
            continue
        for number, line in enumerate(source.read_text().splitlines(), 1):
            m = re.match(r'\s*#include "platform/(\w+)/', line)
            if m and m.group(1) != folder.name and m.group(1) not in links[folder.name]:
                problems.append(f"{source.relative_to(root)}:{number}: includes a header of "
                                f"'{m.group(1)}', which korvane_{folder.name} does not link")

def visit(name, path):
    if name in path:
        problems.append("cycle between managers: " + " -> ".join(path[path.index(name):] + [name]))
        return
    for dep in links.get(name, ()):
        visit(dep, path + [name])

for name in links:
    visit(name, [])

for p in dict.fromkeys(problems):
    print(p)
sys.exit(1 if problems else 0)
