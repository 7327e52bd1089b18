"""What the render tool's tests share: the tool named on their command line, one run of it,
python3-mido or a skip, and the lines every one of them ends with."""
import subprocess
import sys

RENDER = sys.argv[1]


def render(args, out, timeout=120, **run):
    """The tool with `args`, writing to `out` ("-" for standard output), its output captured;
    `run` goes to subprocess.run (text=True, check=True)."""
    return subprocess.run([RENDER, *args, "-o", out], capture_output=True, timeout=timeout, **run)


def import_mido():
    """The mido module, or a skip (exit 77) where python3-mido is missing."""
    try:
        import mido
    except ImportError:
        print("SKIP: python3-mido is not installed (scripts/setup installs it)")
        sys.exit(77)
    return mido


def report(title, failures, skips=()):
    """Prints each skip and failure and the verdict; returns the exit status, 0 or 1."""
    for skip in skips:
        print("SKIP:", skip)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{title}:", "FAILED" if failures else "passed")
    return 1 if failures else 0
