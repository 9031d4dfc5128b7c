#!/usr/bin/env python3
"""Checks the import tables of the shipped programs against docs/platform.md.

    check-imports.py PLATFORM_MD OBJDUMP PROGRAM.exe...

Every function a program imports must have a row in the document's table
whose column "98 SE, ME" says "yes" (implemented there) or "stub" (exported
but not implemented; the row names the fallback). A function that is not
listed, or listed as anything else, fails the check; so does a row that no
program imports any more, so that the list stays the list of what is
imported. Exit status 0 when all is well, 1 otherwise, 2 on bad arguments.
"""
import re
import subprocess
import sys

ALLOWED = {"yes", "stub"}


def read_table(path):
    """{(dll, function): verdict} from the rows of the document's tables."""
    rows = {}
    header = None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line.startswith("|"):
                header = None
                continue
            cells = [c.strip() for c in line.strip("|").split("|")]
            if header is None:
                header = [c.lower() for c in cells]
                continue
            if set(line) <= set("|-: "):
                continue
            if "dll" not in header or "function" not in header or "98 se, me" not in header:
                continue
            record = dict(zip(header, cells))
            dll = record["dll"].strip("`").lower()
            function = record["function"].strip("`")
            verdict = record["98 se, me"].split()[0].lower() if record["98 se, me"] else ""
            key = (dll, function)
            if key in rows:
                raise SystemExit(f"{path}:{number}: {dll} {function} is listed twice")
            rows[key] = verdict
    return rows


def imports_of(objdump, program):
    """[(dll, function)] of the program's import table."""
    out = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    found = []
    dll = None
    for line in out.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).lower()
            continue
        m = re.match(r"\s*[0-9a-f]+\s+(\d+)\s+(\S+)\s*$", line)
        if dll and m:
            found.append((dll, m.group(2)))
        elif dll and re.match(r"\s*[0-9a-f]+\s+<none>\s+[0-9a-f]+", line):
            found.append((dll, "ordinal " + line.split()[-1]))
        elif not line.strip():
            continue
    return found


def main(argv):
    if len(argv) < 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    table_path, objdump, programs = argv[1], argv[2], argv[3:]
    table = read_table(table_path)
    used = set()
    failures = []
    for program in programs:
        name = program.replace("\\", "/").rsplit("/", 1)[-1]
        try:
            imports = imports_of(objdump, program)
        except (OSError, subprocess.CalledProcessError) as e:
            failures.append(f"{name}: cannot read its import table ({e})")
            continue
        if not imports:
            failures.append(f"{name}: no import table found")
        for key in imports:
            used.add(key)
            verdict = table.get(key)
            if verdict is None:
                failures.append(f"{name}: imports {key[0]} {key[1]}, which {table_path} does not list")
            elif verdict not in ALLOWED:
                failures.append(f"{name}: imports {key[0]} {key[1]}, which Windows 98 SE and ME do not have "
                                f"(listed as \"{verdict}\")")
        print(f"{name}: {len(imports)} imported functions")
    for key in sorted(set(table) - used):
        if table[key] in ALLOWED:
            failures.append(f"{table_path} lists {key[0]} {key[1]}, which no shipped program imports")
    for line in failures:
        print(line)
    if failures:
        print(f"{len(failures)} problem(s) with the import tables")
        return 1
    print(f"all {len(programs)} programs import only what {table_path} lists for Windows 98 SE and ME")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
