#!/usr/bin/python3
"""Checks the Debian packages that scripts/package built from debian/, without installing them
system-wide: the control fields (the dependencies dpkg-shlibdeps computed, the soundfont, the audio
server, Built-Using for the header-only libraries compiled in), the file list, the debug symbols
package holding both programs' symbols, stripped programs without .comment sections, lintian on
the .changes (no error, no warning), then, unpacked into a scratch directory, what the install
test checks (menu entry, metainfo, MIME type, manual pages, the render tool running), the
copyright file and changelog, and the command-line conventions of both programs.

usage: package_check.py OUT_DIR    (build-deb, where scripts/package leaves the packages)
Exit status 0 when every check passes, 1 on a failure."""

import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "install"))
from checks import check, failures  # noqa: E402
import install_test  # noqa: E402

ID = install_test.APP_ID
FILES = {
    "usr/bin/pulselattice": 0o755,
    "usr/bin/pulselattice-render": 0o755,
    f"usr/share/applications/{ID}.desktop": 0o644,
    f"usr/share/icons/hicolor/scalable/apps/{ID}.svg": 0o644,
    f"usr/share/metainfo/{ID}.metainfo.xml": 0o644,
    f"usr/share/mime/packages/{ID}.xml": 0o644,
    "usr/share/man/man1/pulselattice.1.gz": 0o644,
    "usr/share/man/man1/pulselattice-render.1.gz": 0o644,
    "usr/share/doc/pulselattice/copyright": 0o644,
    "usr/share/doc/pulselattice/changelog.gz": 0o644,
}
# Libraries the programs link, which dpkg-shlibdeps must have found, or open when first used, which
# debian/loaded-depends names (each with a version bound);
# the names are those of the release built on (librtmidi6 on Debian 12, librtmidi7 on 13, the
# t64 names of Qt on 13).
LIBRARIES = ("libc6", r"libstdc\+\+6", r"libqt6core6(t64)?", r"libqt6widgets6(t64)?", r"librtmidi\d+",
             r"libfluidsynth3", "libjack-jackd2-0", "libpulse0")


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=600)


def changelog_version():
    return run("dpkg-parsechangelog", "-l", os.path.join(HERE, "..", "..", "debian", "changelog"),
               "-S", "Version").stdout.strip()


def project_version():
    """The version of project() in CMakeLists.txt, which --version and the metainfo give."""
    with open(os.path.join(HERE, "..", "..", "CMakeLists.txt"), encoding="utf-8") as lists:
        found = re.search(r"^project\(\S+ VERSION (\S+)", lists.read(), re.M)
    return found.group(1) if found else None


def check_control(deb, version, architecture):
    fields = {}
    for name in ("Package", "Version", "Architecture", "Depends", "Recommends", "Section", "Maintainer",
                 "Built-Using"):
        fields[name] = run("dpkg-deb", "-f", deb, name).stdout.strip()
    print("Depends:", fields["Depends"])
    print("Recommends:", fields["Recommends"])
    check(fields["Package"] == "pulselattice" and fields["Version"] == version and
          fields["Architecture"] == architecture, f"control fields {fields}")
    depends = [alternative.strip() for alternative in fields["Depends"].split(",")]
    check("timgm6mb-soundfont | sf2-soundfont-gm" in depends, "no dependency on a General MIDI soundfont")
    check("fonts-liberation | fonts-liberation2" in depends, "no dependency on the dialogs' fallback font")
    check("qt6-qpa-plugins" in depends, "no dependency on Qt's platform plugins")
    for library in LIBRARIES:
        check(any(re.match(library + r" \(>= [^)]+\)", d) for d in depends),
              f"Depends has no computed {library} (>= version)")
    check(fields["Recommends"] == "pulseaudio | pipewire-pulse", "Recommends is not a PulseAudio-compatible server")
    built_using = [b.strip() for b in fields["Built-Using"].split(",")]
    check([b.split()[0] for b in built_using] == ["ableton-link", "asio"] and
          all(re.fullmatch(r"\S+ \(= \S+\)", b) for b in built_using),
          f"Built-Using does not name the header-only sources compiled in: {fields['Built-Using']!r}")


def check_contents(deb):
    listed = run("dpkg-deb", "--contents", deb).stdout.splitlines()
    files = {}
    for line in listed:
        mode, owner, _size, _date, _time, path = line.split(None, 5)
        path = path.removeprefix("./")
        if not path:
            continue  # the root directory itself
        check(owner == "root/root", f"{path} is owned by {owner}")
        check(path.startswith("usr/"), f"{path} lies outside /usr")
        if mode.startswith("-"):
            files[path] = mode
    check(sorted(files) == sorted(FILES), f"the package holds {sorted(files)}, expected {sorted(FILES)}")
    for path, mode in FILES.items():
        wanted = "-rwxr-xr-x" if mode == 0o755 else "-rw-r--r--"
        check(files.get(path, wanted) == wanted, f"{path} has mode {files.get(path)}")


def check_lintian(changes):
    result = run("lintian", "--pedantic", "--info", changes)
    lines = [line for line in result.stdout.splitlines() if re.match(r"[EWIPX]: ", line)]
    for line in lines:
        print("lintian:", line)
    check(not any(line[0] in "EW" for line in lines) and result.returncode == 0,
          f"lintian reports errors or warnings (exit {result.returncode}): {result.stderr.strip()}")


def check_debug_symbols(deb, dbgsym):
    """The programs are stripped, without .comment sections; their symbols are in the -dbgsym
    package, found by build id."""
    with tempfile.TemporaryDirectory(prefix="pulselattice-dbg-") as root:
        if not check(run("dpkg-deb", "-x", deb, root).returncode == 0 and
                     run("dpkg-deb", "-x", dbgsym, root).returncode == 0, "dpkg-deb -x fails"):
            return
        for program in ("pulselattice", "pulselattice-render"):
            path = os.path.join(root, "usr", "bin", program)
            sections = run("readelf", "-S", "-W", path).stdout
            check(".comment" not in sections and ".symtab" not in sections,
                  f"{program} keeps a .comment or .symtab section")
            note = run("readelf", "-n", path).stdout
            found = re.search(r"Build ID: ([0-9a-f]{2})([0-9a-f]+)", note)
            debug = found and os.path.join(root, "usr/lib/debug/.build-id", found.group(1), found.group(2) + ".debug")
            check(debug and os.path.isfile(debug) and ".debug_info" in run("readelf", "-S", "-W", debug).stdout,
                  f"the -dbgsym package holds no debug symbols for {program}")


def check_unpacked(deb, version):
    with tempfile.TemporaryDirectory(prefix="pulselattice-deb-") as root:
        if not check(run("dpkg-deb", "-x", deb, root).returncode == 0, "dpkg-deb -x fails"):
            return
        install_test.check_installed_tree(os.path.join(root, "usr"), version)
        install_test.check_copyright(os.path.join(root, "usr"))
        changelog = run("zcat", os.path.join(root, "usr/share/doc/pulselattice/changelog.gz")).stdout
        check(changelog.startswith(f"pulselattice ({version}) "), f"the changelog starts {changelog[:40]!r}")
        cli = subprocess.run(["/usr/bin/python3", os.path.join(os.path.dirname(HERE), "cli", "command_line_test.py"),
                              os.path.join(root, "usr/bin/pulselattice"),
                              os.path.join(root, "usr/bin/pulselattice-render"), version],
                             capture_output=True, text=True, timeout=600)
        check(cli.returncode == 0, "the packaged programs break the command-line conventions:\n" + cli.stdout)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 1
    out = sys.argv[1]
    version = changelog_version()
    check(version == project_version(), f"debian/changelog's {version} is not project()'s {project_version()}")
    architecture = run("dpkg", "--print-architecture").stdout.strip()
    deb = os.path.join(out, f"pulselattice_{version}_{architecture}.deb")
    dbgsym = os.path.join(out, f"pulselattice-dbgsym_{version}_{architecture}.deb")
    changes = os.path.join(out, f"pulselattice_{version}_{architecture}.changes")
    if not check(version and all(map(os.path.isfile, (deb, dbgsym, changes))), f"{deb}, -dbgsym or .changes missing"):
        return 1
    if install_test.missing_validator():
        check(False, f"{install_test.missing_validator()} is not installed (scripts/setup installs it)")
        return 1
    check_control(deb, version, architecture)
    check_contents(deb)
    check_debug_symbols(deb, dbgsym)
    check_lintian(changes)
    check_unpacked(deb, version)
    print("FAIL" if failures else "PASS", f"({len(failures)} failed)" if failures else "")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
