#!/usr/bin/python3
"""The real program playing when its X server dies: Qt ends the process with status 1, and the
program still ends its playback thread and writes its parameter file instead of aborting.

usage: display_lost_e2e_test.py PULSELATTICE
Exit status 0 when every check passes, 1 on a failure, 77 when a component cannot start."""

import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import checks  # noqa: E402
from checks import check, failures  # noqa: E402
from desktop_session import run_in_session  # noqa: E402


def drive(session, program):
    copy = session.install_program(program)
    par = os.path.join(os.path.dirname(copy), "pulseLattice.par")

    app = session.spawn([copy], "program.log", cwd=session.directory)
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, "the main window did not appear: " + session.log("program.log")):
        return 1
    session.keys(main, "ctrl+c")
    concept = session.wait_window("^new concept$", 15)
    if not check(concept, "Ctrl+C opened no concept dialog"):
        return 1
    time.sleep(0.3)
    session.keys(concept, "Return")
    session.wait_window_gone(concept, 10)
    session.keys(main, "ctrl+p")
    time.sleep(1.0)
    written_at_start = os.stat(par).st_mtime_ns

    xvfb = session.processes[0]
    xvfb.send_signal(signal.SIGKILL)
    try:
        code = app.wait(15)
    except subprocess.TimeoutExpired:
        code = None
    print(f"after the X server died: exit status {code}")
    check(code == 1, f"the program should end with Qt's status 1, got {code}: " + session.log("program.log"))
    check(os.stat(par).st_mtime_ns != written_at_start, "the parameter file was not written as the program ended")
    return 1 if failures else 0


def run(program):
    return run_in_session(drive, program)


if __name__ == "__main__":
    checks.main(run, 1, __doc__)
