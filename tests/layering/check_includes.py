#!/usr/bin/env python3
"""Checks that the include arrows of the source tree point down.

Every folder of src/ has a level (given as NAME=LEVEL arguments).  A file
in src/F may include its own folder's headers and those of folders of a
lower level, and nothing else of the project: not a folder of the same or
a higher level, not a folder without a level, and not a bare name.  No file
under src/, tools/, fuzz/ or bench/ may include the tests' helpers.
Prints every offending line and exits 1 when there is one.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def main():
    root = pathlib.Path(sys.argv[1])
    levels = dict((name, int(level)) for name, level in (arg.split("=") for arg in sys.argv[2:]))
    problems = []
    for folder in sorted(p for p in (root / "src").iterdir() if p.is_dir()):
        if folder.name not in levels:
            problems.append(f"src/{folder.name}: a folder without a level")
    for top in ("src", "tools", "fuzz", "bench"):
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            relative = path.relative_to(root)
            own = relative.parts[1] if top == "src" and len(relative.parts) > 2 else None
            for number, line in enumerate(path.read_text().splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = match.group(1)
                where = f"{relative}:{number}: {line.strip()}"
                head = target.split("/")[0] if "/" in target else None
                if head == "support" or target.startswith("tests/"):
                    problems.append(f"{where}: shipped code includes the tests' helpers")
                elif top != "src":
                    continue
                elif own is None or head is None:
                    problems.append(f"{where}: include from a folder of src/, e.g. \"disk/prodos.h\"")
                elif head not in levels:
                    problems.append(f"{where}: '{head}' is not a folder of src/")
                elif head != own and levels[head] >= levels.get(own, -1):
                    problems.append(f"{where}: {own} (level {levels.get(own)}) includes {head} "
                                    f"(level {levels[head]}); includes must point to lower levels")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
