#!/usr/bin/python3
"""The real program's control input on a private JACK server: "pulseLattice:control" (and its
feedback output) is there while the program runs and gone after Exit, after SIGTERM, and after
SIGINT; when the server goes away and another starts, the input comes back, once.

usage: control_ports_e2e_test.py PULSELATTICE
Exit status 0 when every check passes, 1 on a failure, 77 when a component cannot start."""

import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import checks  # noqa: E402
from checks import check, failures  # noqa: E402
from desktop_session import SKIP, run_in_session, wait_for  # noqa: E402

CONTROL = "pulseLattice:control"


def jack_ports(session):
    result = subprocess.run(["jack_lsp"], env=session.env, capture_output=True, text=True, timeout=10)
    return result.stdout.split("\n") if result.returncode == 0 else []


def ours(session):
    return [p for p in jack_ports(session) if p.startswith("pulseLattice")]


def start_server(session):
    server = session.spawn(["jackd", "-n", session.env["JACK_DEFAULT_SERVER"], "-d", "dummy", "-r", "48000",
                            "-p", "256"], "jackd.log")
    answered = wait_for(lambda: subprocess.run(["jack_lsp"], env=session.env, capture_output=True,
                                               timeout=10).returncode == 0, 15)
    return server if answered else None


def start_program(session, copy, what):
    log = what.replace(" ", "-") + ".log"
    app = session.spawn([copy], log, cwd=session.directory)
    app.log_name = log
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, f"{what}: the main window did not appear: " + session.log("program.log")):
        return app, None
    check(wait_for(lambda: ours(session).count(CONTROL) == 1, 10), f"{what}: no {CONTROL}: {ours(session)}")
    check(CONTROL + " out" in ours(session), f"{what}: no feedback output: {ours(session)}")
    return app, main


def ended(session, app, how):
    # Closing waits for the synthesiser's soundfont to finish loading in the background, which on
    # a busy machine takes tens of seconds.
    try:
        code = app.wait(90)
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, f"{how} should end the program with status 0, got {code}: " + session.log(app.log_name))


def drive(session, program):
    if not shutil.which("jackd") or not shutil.which("jack_lsp"):
        print("SKIP: jackd2 is not installed (scripts/setup installs it)")
        return SKIP
    copy = os.path.join(session.directory, "app", "pulselattice")
    os.makedirs(os.path.dirname(copy))
    shutil.copy2(program, copy)
    session.env["JACK_DEFAULT_SERVER"] = f"pulselattice-control-e2e-{os.getpid()}"
    server = start_server(session)
    if not server:
        print("SKIP: the JACK dummy server does not start: " + session.log("jackd.log"))
        return SKIP

    app, main = start_program(session, copy, "first start")
    if main:
        session.keys(main, "ctrl+x")
        confirmation = session.wait_window("^confirmation$", 15)
        if check(confirmation, "Ctrl+X asked nothing"):
            time.sleep(0.3)
            session.keys(confirmation, "Return")
            ended(session, app, "Exit")
    check(not ours(session), f"ports left after Exit: {ours(session)}")

    for sig in (signal.SIGTERM, signal.SIGINT):
        app, main = start_program(session, copy, f"start before {sig.name}")
        app.send_signal(sig)
        ended(session, app, sig.name)
        check(not ours(session), f"ports left after {sig.name}: {ours(session)}")

    # The server goes away under the running program, and another starts.
    app, main = start_program(session, copy, "start before the server goes")
    session.stop(server)
    server = start_server(session)
    if check(server, "the second JACK server does not start"):
        check(wait_for(lambda: ours(session).count(CONTROL) == 1, 10),
              f"the control input did not come back with the server: {ours(session)}")
        time.sleep(1.5)  # a second look of the program's: still one, not two
        check(ours(session).count(CONTROL) == 1, f"the control input twice: {ours(session)}")
    check(app.poll() is None, "the program ended when its JACK server went away")
    app.send_signal(signal.SIGTERM)
    ended(session, app, "SIGTERM after the server came back")
    check(not ours(session), f"ports left at the end: {ours(session)}")
    if not os.path.exists("/dev/snd/seq"):
        print("note: no ALSA sequencer on this machine (/dev/snd/seq): only the JACK ports were checked")
    return 1 if failures else 0


def run(program):
    return run_in_session(drive, program)


if __name__ == "__main__":
    checks.main(run, 1, __doc__)
