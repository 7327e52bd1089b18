"""The check the Python tests share: it records a failure, prints it and lets the test go on."""

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, flush=True)
    return condition


def main(run, arguments, usage):
    """Runs `run` with the command line's `arguments` paths made absolute, says how it went and
    exits with its status (0 passed, 1 failed, 77 skipped); the wrong number of arguments prints
    `usage` and exits 2."""
    import os
    import sys
    if len(sys.argv) != arguments + 1:
        print(usage)
        sys.exit(2)
    status = run(*(os.path.abspath(a) for a in sys.argv[1:]))
    if status == 0:
        print("all checks passed")
    elif status == 1:
        print(f"{len(failures)} check(s) failed")
    sys.exit(status)
