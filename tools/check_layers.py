#!/usr/bin/env python3
"""Fails when an include in src/ points up.

The plain C++ modules form one order, lowest first; the Qt folders (src/<module>/qt/) form a
second order above all of them. A file may include its own module and anything lower in its own
order; Qt code may include any plain module; plain code never includes a Qt folder. A new folder
must be placed here before it can be used, so that the order stays written in one place.
"""
import pathlib
import re
import sys

CORE_ORDER = ["text", "settings", "log", "controls", "engine", "games", "search",
              "localshares", "netutils", "options", "app", "cli"]
QT_ORDER = ["settings", "controls", "log", "games", "search", "localshares", "netutils",
            "options", "app"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/(qt/)?[^"]*"')


def layer(module, is_qt):
    order = QT_ORDER if is_qt else CORE_ORDER
    return (1, order.index(module)) if is_qt else (0, order.index(module))


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        parts = path.relative_to(src).parts
        own_qt = len(parts) > 2 and parts[1] == "qt"
        try:
            own = layer(parts[0], own_qt)
        except ValueError:
            faults.append(f"{path}: folder not in the layer order of {__file__}")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            module, is_qt = match.group(1), match.group(2) is not None
            try:
                target = layer(module, is_qt)
            except ValueError:
                faults.append(f"{path}:{number}: includes unknown folder {module}/")
                continue
            if target > own:
                faults.append(f"{path}:{number}: points up: {line.strip()}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
