#!/usr/bin/python3
"""The real program on a private X display with no audio server reachable: it shows its window with
one box that says what is missing; an hour of .wav exported and cancelled 1.5 s in leaves nothing
and no busy core; SIGTERM closes it as Exit does and saves the parameter file.

usage: no_output_e2e_test.py PULSELATTICE
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

PARAMETER_FILE_SIZE = 388


def cpu_seconds(pid):
    """User plus system CPU time the process has used, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def dismiss_error_box(session, what):
    box = session.wait_window("^error$", 15)
    if check(box, f"{what}: no box with caption 'error' appeared"):
        time.sleep(0.3)
        session.keys(box, "Return")
        check(session.wait_window_gone(box, 10), f"{what}: the box did not close on Enter")


def cancel_an_hour_of_wav(session, app, main, directory):
    session.keys(main, "ctrl+e")
    length = session.wait_window("^export$", 15)
    if not check(length, "Ctrl+E opened no export dialog"):
        return
    time.sleep(0.3)
    session.keys(length, "ctrl+a")
    session.type_text(length, "60:00")
    session.keys(length, "Return")
    check(session.wait_window_gone(length, 10), "the export length dialog did not close")
    chooser = session.wait_window("^export$", 15)
    if not check(chooser, "export: no file dialog appeared"):
        return
    time.sleep(0.5)
    session.type_text(chooser, os.path.join(directory, "hour.wav"))
    session.keys(chooser, "Return")
    session.wait_window_gone(chooser, 10)
    progress = session.wait_window("^export$", 5)
    if not check(progress, "no progress box for an hour of audio"):
        return
    time.sleep(1.0)  # 1.5 s after the render started
    session.keys(progress, "Escape")
    check(session.wait_window_gone(progress, 5), "Escape did not close the progress box")
    time.sleep(2.0)
    left = os.listdir(directory)
    check(not left, f"the cancelled export left {left}")
    before = cpu_seconds(app.pid)
    time.sleep(1.0)
    busy = cpu_seconds(app.pid) - before
    print(f"after the cancelled export: {busy * 100:.1f}% of a core over 1 s, files left {left}")
    check(busy < 0.2, f"the program still uses {busy * 100:.0f}% of a core 2 s after Cancel")


def drive(session, program):
    copy = session.install_program(program)
    par = os.path.join(os.path.dirname(copy), "pulseLattice.par")
    exports = os.path.join(session.directory, "exports")
    os.makedirs(exports)

    app = session.spawn([copy], "program.log", cwd=session.directory)
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, "without an audio server the main window did not appear: " + session.log("program.log")):
        return 1
    dismiss_error_box(session, "start without an audio server")
    check(app.poll() is None, f"the program ended (status {app.poll()}) instead of running without sound")

    # The concept dialog tries the output again: it still cannot open, and says so.
    session.keys(main, "ctrl+c")
    concept = session.wait_window("^new concept$", 15)
    if check(concept, "Ctrl+C opened no concept dialog"):
        time.sleep(0.3)
        session.keys(concept, "Return")
        session.wait_window_gone(concept, 10)
        dismiss_error_box(session, "the concept dialog without an audio server")

    cancel_an_hour_of_wav(session, app, main, exports)

    session.xdotool("windowmove", main, "150", "90")
    time.sleep(0.5)
    app.send_signal(signal.SIGTERM)
    try:
        code = app.wait(10)
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, f"SIGTERM should close the program with status 0, got {code}: " + session.log("program.log"))
    size = os.path.getsize(par) if os.path.exists(par) else 0
    check(size == PARAMETER_FILE_SIZE, f"the parameter file was not saved at SIGTERM ({size} bytes)")
    return 1 if failures else 0


def run(program):
    return run_in_session(drive, program, audio=False)


if __name__ == "__main__":
    checks.main(run, 1, __doc__)
