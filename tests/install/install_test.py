#!/usr/bin/python3
"""Installs the build into a scratch prefix, as a package would, and checks what lands there: the
two programs, a valid menu entry naming them and the icon, an icon that is well-formed SVG, and an
installed render tool that runs.

usage: install_test.py CMAKE BUILD_DIR
Exit status 0 when every check passes, 1 on a failure, 77 when desktop-file-validate is missing."""

import configparser
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from checks import check, failures  # noqa: E402

SKIP = 77


def check_programs(prefix):
    for name in ("pulselattice", "pulselattice-render"):
        path = os.path.join(prefix, "bin", name)
        check(os.path.isfile(path) and os.access(path, os.X_OK), f"bin/{name} is not installed as an executable")


def check_desktop_entry(prefix):
    entry = os.path.join(prefix, "share", "applications", "pulselattice.desktop")
    if not check(os.path.isfile(entry), "share/applications/pulselattice.desktop is not installed"):
        return
    result = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True, timeout=30)
    # It prints hints and errors alike; any output means the entry is not clean.
    check(result.returncode == 0 and not result.stdout.strip(),
          "desktop-file-validate rejects the entry: " + result.stdout + result.stderr)
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read(entry, encoding="utf-8")
    fields = parser["Desktop Entry"] if parser.has_section("Desktop Entry") else {}
    program = fields.get("Exec", "").split()[0] if fields.get("Exec", "").split() else ""
    check(program == "pulselattice" and os.access(os.path.join(prefix, "bin", program), os.X_OK),
          f"Exec={fields.get('Exec')!r} does not start the installed bin/pulselattice")
    icon = fields.get("Icon", "")
    check(os.path.isfile(os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps", icon + ".svg")),
          f"Icon={icon!r} names no installed icon")


def check_icon(prefix):
    icon = os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps", "pulselattice.svg")
    if not check(os.path.isfile(icon), "share/icons/hicolor/scalable/apps/pulselattice.svg is not installed"):
        return
    try:
        root = ElementTree.parse(icon).getroot()
    except ElementTree.ParseError as error:
        check(False, f"the icon is not well-formed XML: {error}")
        return
    check(root.tag == "{http://www.w3.org/2000/svg}svg", f"the icon's root element is {root.tag}, not an SVG <svg>")


def check_render_tool(prefix):
    render = os.path.join(prefix, "bin", "pulselattice-render")
    if not os.access(render, os.X_OK):
        return
    result = subprocess.run([render, "--stop-at", "1000", "-o", "-"], capture_output=True, text=True, timeout=60)
    lines = result.stdout.splitlines()
    check(result.returncode == 0, f"the installed render tool ends with {result.returncode}: {result.stderr}")
    check(lines and all(re.fullmatch(r"\d+ [0-9a-f]{2} [0-9a-f]{2} [0-9a-f]{2}", line) for line in lines),
          "the installed render tool prints no message list: " + result.stdout[:400] + result.stderr)
    # The run starts with the 16 program changes at time 0 and plays notes within the second.
    check([line.split()[:2] for line in lines[:16]] == [["0", f"c{c:x}"] for c in range(16)],
          "the list does not start with the 16 program changes at time 0")
    check(any(line.split()[1][0] == "9" for line in lines[16:]), "no note-on in the first second")
    bad = subprocess.run([render, "--tempo", "999", "--passes", "1", "-o", "-"], capture_output=True, text=True,
                         timeout=60)
    check(bad.returncode == 2 and "--tempo" in bad.stderr and not bad.stdout,
          f"a bad option should give a one-line error naming it and status 2, got {bad.returncode}: {bad.stderr}")


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 1
    cmake, build = sys.argv[1], sys.argv[2]
    if not shutil.which("desktop-file-validate"):
        print("SKIP: desktop-file-validate is not installed (scripts/setup installs desktop-file-utils)")
        return SKIP
    with tempfile.TemporaryDirectory(prefix="pulselattice-install-") as scratch:
        prefix = os.path.join(scratch, "usr")
        result = subprocess.run([cmake, "--install", build, "--prefix", prefix], capture_output=True, text=True,
                                timeout=120)
        if not check(result.returncode == 0, "cmake --install fails: " + result.stdout + result.stderr):
            return 1
        check_programs(prefix)
        check_desktop_entry(prefix)
        check_icon(prefix)
        check_render_tool(prefix)
    print("FAIL" if failures else "PASS", f"({len(failures)} failed)" if failures else "")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
