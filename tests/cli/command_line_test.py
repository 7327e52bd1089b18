#!/usr/bin/python3
"""--help, --version and an unknown option for both programs: the exit status, what goes to standard
output and what to standard error. The window program runs with no display at all (Qt would abort
if it tried to open a window) from a copy in a scratch directory, with its home, configuration and
runtime directories there too, so any file it wrote would show.

usage: command_line_test.py PULSELATTICE PULSELATTICE_RENDER VERSION
Exit status 0 when every check passes, 1 on a failure."""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from checks import check, failures  # noqa: E402


def listing(root):
    found = []
    for directory, subdirectories, files in os.walk(root):
        found += [os.path.relpath(os.path.join(directory, name), root) for name in subdirectories + files]
    return sorted(found)


class Sandbox:
    """A scratch directory holding a copy of the program, and an environment that points every
    place it could write into the directory and offers no display."""

    def __init__(self, program, scratch):
        self.root = scratch
        bin_directory = os.path.join(scratch, "bin")
        os.makedirs(bin_directory)
        self.program = shutil.copy(program, bin_directory)
        self.env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        for name in ("HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR"):
            path = os.path.join(scratch, name.lower())
            os.makedirs(path, mode=0o700)
            self.env[name] = path
        self.before = listing(scratch)

    def run(self, *args, stdout=subprocess.PIPE):
        try:
            return subprocess.run([self.program, *args], stdout=stdout, stderr=subprocess.PIPE, text=True,
                                  env=self.env, cwd=self.root, timeout=20)
        except subprocess.TimeoutExpired as expired:  # it started instead of answering
            return subprocess.CompletedProcess(expired.cmd, "still running after 20 s", "", str(expired.stderr))

    def untouched(self):
        return listing(self.root) == self.before


def check_conventions(sandbox, name, version):
    shown = name
    for option in ("--help", "-h"):
        result = sandbox.run(option)
        check(result.returncode == 0 and result.stdout.startswith(f"usage: {name} ") and not result.stderr,
              f"{shown} {option}: exit {result.returncode}, stdout {result.stdout[:80]!r}, stderr {result.stderr!r}")
        check(f"{name}({1})" in result.stdout, f"{shown} {option} does not point to the manual page")

    result = sandbox.run("--version")
    check(result.returncode == 0 and result.stdout == f"{name} {version}\n" and not result.stderr,
          f"{shown} --version: exit {result.returncode}, stdout {result.stdout!r}, stderr {result.stderr!r}")

    # Unknown options, also as the last argument and after good ones: one line naming it, then
    # the hint, on standard error, and status 2.
    good = ["--passes", "1"] if name.endswith("render") else ["-platform", "offscreen"]
    for args in (["--bogus"], ["-x"], [*good, "--bogus"], ["--bogus", "--help"]):
        result = sandbox.run(*args)
        lines = result.stderr.splitlines()
        check(result.returncode == 2 and not result.stdout and len(lines) == 2 and args[-1 if args[-1] == "--bogus" else 0]
              in lines[0] and "unknown option" in lines[0] and lines[1] == f"Try '{name} --help' for more information.",
              f"{shown} {' '.join(args)}: exit {result.returncode}, stdout {result.stdout!r}, stderr {lines}")

    # Help and version that cannot be written are a failure, not a success.
    with open("/dev/full", "w") as full:
        for option in ("--help", "--version"):
            result = sandbox.run(option, stdout=full)
            check(result.returncode == 1, f"{shown} {option} > /dev/full: exit {result.returncode}, expected 1")

    check(sandbox.untouched(), f"{shown}: files appeared: {sorted(set(listing(sandbox.root)) - set(sandbox.before))}")


def check_qt_options_reach_qt(sandbox):
    # Qt's options pass our check and reach Qt: an unknown platform plugin is Qt's error, not ours.
    result = sandbox.run("-platform", "nosuchplatform")
    check(result.returncode not in (0, 2) and "nosuchplatform" in result.stderr and "unknown option" not in result.stderr,
          f"-platform nosuchplatform: exit {result.returncode}, stderr {result.stderr[:300]!r}")
    # ... and a value that looks like one of ours is theirs.
    result = sandbox.run("-style", "Fusion", "--platform", "offscreen", "-reverse", "--version")
    check(result.returncode == 0 and result.stdout.startswith("pulselattice "),
          f"Qt options before --version: exit {result.returncode}, stderr {result.stderr!r}")


def check_osc_port_option(sandbox):
    # A bad --osc-port is refused before any window: one line naming it, the hint, status 2.
    for args in (["--osc-port", "0"], ["--osc-port=osc"], ["-platform", "offscreen", "--osc-port"]):
        result = sandbox.run(*args)
        lines = result.stderr.splitlines()
        check(result.returncode == 2 and not result.stdout and len(lines) == 2 and "--osc-port" in lines[0]
              and lines[1] == "Try 'pulselattice --help' for more information.",
              f"{' '.join(args)}: exit {result.returncode}, stderr {lines}")
    check(sandbox.untouched(), "a bad --osc-port wrote files")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 1
    window, render, version = sys.argv[1:]
    for program, name in ((window, "pulselattice"), (render, "pulselattice-render")):
        with tempfile.TemporaryDirectory(prefix="pulselattice-cli-") as scratch:
            sandbox = Sandbox(program, scratch)
            check_conventions(sandbox, name, version)
            if name == "pulselattice":
                check_qt_options_reach_qt(sandbox)
                check_osc_port_option(sandbox)
    print("FAIL" if failures else "PASS", f"({len(failures)} failed)" if failures else "")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
