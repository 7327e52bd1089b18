#!/usr/bin/python3
"""Checks the Debian package that scripts/package built, without installing it system-wide: its
name and control fields (the dependencies dpkg-shlibdeps computed, the soundfont and the audio
server), the file list, lintian (no error; warnings are printed), then, unpacked into a scratch
directory, what the install test checks (menu entry, metainfo, MIME type, manual pages, copyright,
the render tool running) and the command-line conventions of both programs.

usage: package_check.py BUILD_DIR    (the Release build directory of scripts/package)
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
# Libraries the programs link, which dpkg-shlibdeps must have found (each with a version bound).
LIBRARIES = ("libc6", "libstdc++6", "libqt6core6", "libqt6widgets6", "librtmidi6", "libfluidsynth3",
             "libjack-jackd2-0", "libpulse0")


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=600)


def project_version(build):
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as cache:
        found = re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.+)$", cache.read(), re.M)
    return found.group(1) if found else None


def check_control(deb, version, architecture):
    fields = {}
    for name in ("Package", "Version", "Architecture", "Depends", "Recommends", "Section", "Maintainer"):
        fields[name] = run("dpkg-deb", "-f", deb, name).stdout.strip()
    print("Depends:", fields["Depends"])
    print("Recommends:", fields["Recommends"])
    check(fields["Package"] == "pulselattice" and fields["Version"] == version and
          fields["Architecture"] == architecture, f"control fields {fields}")
    depends = [alternative.strip() for alternative in fields["Depends"].split(",")]
    check("timgm6mb-soundfont | sf2-soundfont-gm" in depends, "no dependency on a General MIDI soundfont")
    check("fonts-liberation | fonts-liberation2" in depends, "no dependency on the dialogs' fallback font")
    for library in LIBRARIES:
        check(any(re.match(re.escape(library) + r" \(>= [^)]+\)", d) for d in depends),
              f"Depends has no computed {library} (>= version)")
    check(fields["Recommends"] == "pulseaudio | pipewire-pulse", "Recommends is not a PulseAudio-compatible server")


def check_contents(deb):
    listed = run("dpkg-deb", "--contents", deb).stdout.splitlines()
    files = {}
    for line in listed:
        mode, owner, _size, _date, _time, path = line.split(None, 5)
        path = path.removeprefix("./")
        check(owner == "root/root", f"{path} is owned by {owner}")
        check(path.startswith("usr/"), f"{path} lies outside /usr")
        if mode.startswith("-"):
            files[path] = mode
    check(sorted(files) == sorted(FILES), f"the package holds {sorted(files)}, expected {sorted(FILES)}")
    for path, mode in FILES.items():
        wanted = "-rwxr-xr-x" if mode == 0o755 else "-rw-r--r--"
        check(files.get(path, wanted) == wanted, f"{path} has mode {files.get(path)}")


def check_lintian(deb):
    result = run("lintian", "--pedantic", deb)
    lines = [line for line in result.stdout.splitlines() if re.match(r"[EWIPX]: ", line)]
    for line in lines:
        print("lintian:", line)
    check(not any(line.startswith("E: ") for line in lines) and result.returncode == 0,
          f"lintian reports errors (exit {result.returncode}): {result.stderr.strip()}")


def check_unpacked(deb, version):
    with tempfile.TemporaryDirectory(prefix="pulselattice-deb-") as root:
        if not check(run("dpkg-deb", "-x", deb, root).returncode == 0, "dpkg-deb -x fails"):
            return
        install_test.check_installed_tree(os.path.join(root, "usr"), version)
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
    build = sys.argv[1]
    version = project_version(build)
    architecture = run("dpkg", "--print-architecture").stdout.strip()
    deb = os.path.join(build, f"pulselattice_{version}_{architecture}.deb")
    if not check(version and os.path.isfile(deb), f"{deb} was not built"):
        return 1
    if install_test.missing_validator():
        check(False, f"{install_test.missing_validator()} is not installed (scripts/setup installs it)")
        return 1
    check_control(deb, version, architecture)
    check_contents(deb)
    check_lintian(deb)
    check_unpacked(deb, version)
    print("FAIL" if failures else "PASS", f"({len(failures)} failed)" if failures else "")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
