#!/usr/bin/python3
"""Installs the build into a scratch prefix, as a package would, and checks what lands there: the
two programs, a valid menu entry naming them and the icon, an icon that is well-formed SVG, the
AppStream metainfo under the same id, the MIME type of voice sets (which the menu entry opens), both
manual pages, and an installed render tool that runs. tests/package/package_check.py runs the same
checks on the unpacked Debian package, and checks its copyright file too.

usage: install_test.py CMAKE BUILD_DIR VERSION
Exit status 0 when every check passes, 1 on a failure, 77 when a validator is missing."""

import configparser
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

APP_ID = "io.github.pulselattice.PulseLattice"
VALIDATORS = ("desktop-file-validate", "appstreamcli", "man")

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from checks import check, failures  # noqa: E402

SKIP = 77


def check_programs(prefix):
    for name in ("pulselattice", "pulselattice-render"):
        path = os.path.join(prefix, "bin", name)
        check(os.path.isfile(path) and os.access(path, os.X_OK), f"bin/{name} is not installed as an executable")


def check_desktop_entry(prefix):
    entry = os.path.join(prefix, "share", "applications", APP_ID + ".desktop")
    if not check(os.path.isfile(entry), f"share/applications/{APP_ID}.desktop is not installed"):
        return
    result = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True, timeout=30)
    # It prints hints and errors alike; any output means the entry is not clean.
    check(result.returncode == 0 and not result.stdout.strip(),
          "desktop-file-validate rejects the entry: " + result.stdout + result.stderr)
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read(entry, encoding="utf-8")
    fields = parser["Desktop Entry"] if parser.has_section("Desktop Entry") else {}
    command = fields.get("Exec", "").split()
    check(command == ["pulselattice", "%f"] and os.access(os.path.join(prefix, "bin", command[0]), os.X_OK),
          f"Exec={fields.get('Exec')!r} does not start the installed bin/pulselattice with one file")
    check(fields.get("MimeType") == "application/x-pulselattice-voice-set;",
          f"MimeType={fields.get('MimeType')!r} does not declare the voice-set type")
    icon = fields.get("Icon", "")
    check(icon == APP_ID, f"Icon={icon!r} is not the application id {APP_ID}")
    check(os.path.isfile(os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps", icon + ".svg")),
          f"Icon={icon!r} names no installed icon")


def check_icon(prefix):
    icon = os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps", APP_ID + ".svg")
    if not check(os.path.isfile(icon), f"share/icons/hicolor/scalable/apps/{APP_ID}.svg is not installed"):
        return
    try:
        root = ElementTree.parse(icon).getroot()
    except ElementTree.ParseError as error:
        check(False, f"the icon is not well-formed XML: {error}")
        return
    check(root.tag == "{http://www.w3.org/2000/svg}svg", f"the icon's root element is {root.tag}, not an SVG <svg>")


def check_metainfo(prefix, version):
    path = os.path.join(prefix, "share", "metainfo", APP_ID + ".metainfo.xml")
    if not check(os.path.isfile(path), f"share/metainfo/{APP_ID}.metainfo.xml is not installed"):
        return
    result = subprocess.run(["appstreamcli", "validate", "--no-net", path], capture_output=True, text=True,
                            timeout=60)
    check(result.returncode == 0, "appstreamcli rejects the metainfo: " + result.stdout + result.stderr)
    root = ElementTree.parse(path).getroot()
    check(root.findtext("id") == APP_ID, f"the metainfo id is {root.findtext('id')!r}, not {APP_ID}")
    check(root.findtext("launchable") == APP_ID + ".desktop", "the metainfo launches another desktop file")
    check(root.findtext("icon") == APP_ID, "the metainfo names another icon")
    check(root.findtext("project_license") == "GPL-3.0-or-later", "the metainfo's licence is not GPL-3.0-or-later")
    releases = [release.get("version") for release in root.iter("release")]
    check(releases[:1] == [version], f"the metainfo's newest release is {releases[:1]}, not {version}")
    check(root.find("content_rating") is not None and root.findtext("summary") and root.find("description") is not None,
          "the metainfo lacks a content rating, summary or description")


def check_mime_type(prefix):
    path = os.path.join(prefix, "share", "mime", "packages", APP_ID + ".xml")
    if not check(os.path.isfile(path), f"share/mime/packages/{APP_ID}.xml is not installed"):
        return
    namespace = "{http://www.freedesktop.org/standards/shared-mime-info}"
    types = ElementTree.parse(path).getroot().findall(namespace + "mime-type")
    found = [(t.findtext(namespace + "comment"), [g.get("pattern") for g in t.findall(namespace + "glob")])
             for t in types]
    check(found == [("pulseLattice voice set", ["*.gms"])], f"the MIME type is {found}")


def check_manual_pages(prefix, version):
    for name in ("pulselattice", "pulselattice-render"):
        path = os.path.join(prefix, "share", "man", "man1", name + ".1.gz")
        if not check(os.path.isfile(path), f"share/man/man1/{name}.1.gz is not installed"):
            continue
        result = subprocess.run(["man", "--warnings", "-l", path], capture_output=True, text=True, timeout=60,
                                env=dict(os.environ, MANWIDTH="80", MAN_KEEP_FORMATTING="", LC_ALL="C.UTF-8"))
        check(result.returncode == 0 and not result.stderr.strip(),
              f"man --warnings -l {name}.1.gz: exit {result.returncode}, warnings {result.stderr.strip()}")
        text = re.sub(r".\x08", "", result.stdout)
        for wanted in ("NAME", "SYNOPSIS", "OPTIONS", "FILES", "ENVIRONMENT", "EXIT STATUS", "EXAMPLES",
                       "--help", "--version", "pulseLattice.par", ".gms", "pulseLattice.lattice",
                       "PULSELATTICE_SOUNDFONT", "XDG_CONFIG_HOME", "pulseLattice " + version):
            check(wanted in text, f"{name}(1) does not mention {wanted!r}")


def check_copyright(prefix):
    """The Debian package's copyright file (debian/copyright); cmake --install leaves it out."""
    path = os.path.join(prefix, "share", "doc", "pulselattice", "copyright")
    if not check(os.path.isfile(path), "share/doc/pulselattice/copyright is not installed"):
        return
    with open(path, encoding="utf-8") as file:
        text = file.read()
    check(text.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"),
          "the copyright file is not in the machine-readable format")
    for wanted in ("License: GPL-3+", "/usr/share/common-licenses/GPL-3", "Qt", "RtMidi", "FluidSynth", "JACK",
                   "PulseAudio", "Ableton Link", "GPL-2.0-or-later"):
        check(wanted in text, f"the copyright file does not name {wanted!r}")


def check_installed_tree(prefix, version):
    check_programs(prefix)
    check_desktop_entry(prefix)
    check_icon(prefix)
    check_metainfo(prefix, version)
    check_mime_type(prefix)
    check_manual_pages(prefix, version)
    check_render_tool(prefix)


def missing_validator():
    return next((tool for tool in VALIDATORS if not shutil.which(tool)), None)


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
    if len(sys.argv) != 4:
        print(__doc__)
        return 1
    cmake, build, version = sys.argv[1:]
    if missing_validator():
        print(f"SKIP: {missing_validator()} is not installed (scripts/setup installs it)")
        return SKIP
    with tempfile.TemporaryDirectory(prefix="pulselattice-install-") as scratch:
        prefix = os.path.join(scratch, "usr")
        result = subprocess.run([cmake, "--install", build, "--prefix", prefix], capture_output=True, text=True,
                                timeout=120)
        if not check(result.returncode == 0, "cmake --install fails: " + result.stdout + result.stderr):
            return 1
        check_installed_tree(prefix, version)
    print("FAIL" if failures else "PASS", f"({len(failures)} failed)" if failures else "")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
