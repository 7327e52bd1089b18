#!/usr/bin/python3
"""The real program in a Link session, driven by keys on a private X display: an independent peer
(harness/link_peer) in its own process sees it join with Ctrl+K, takes its tempo from an accepted
concept, and sees its Play and Stop; the two switches are kept beside the parameter file and
restored at the next start.

usage: link_e2e_test.py PULSELATTICE LINK_PEER
Exit status 0 when every check passes, 1 on a failure, 77 when a component cannot start."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import checks  # noqa: E402
from checks import check, failures  # noqa: E402
from desktop_session import run_in_session, wait_for  # noqa: E402
from program_e2e_test import confirm_dialog  # noqa: E402


def peer_saw(session, log, what):
    """The values the peer printed for `what` ("peers", "tempo", "playing"), in order."""
    values = []
    for line in session.log(log).splitlines():
        words = line.split()
        if len(words) == 3 and words[1] == what:
            values.append(words[2])
    return values


def last_seen(session, log, what, value, timeout):
    return wait_for(lambda: peer_saw(session, log, what)[-1:] == [value], timeout)


def close_program(session, main, app):
    session.keys(main, "ctrl+x")
    confirm_dialog(session, "confirmation", ["Return"], "exit confirmation")
    try:
        return app.wait(20)
    except subprocess.TimeoutExpired:
        return None


def drive(session, program, peer_program):
    copy = session.install_program(program)
    switches = os.path.join(os.path.dirname(copy), "pulseLattice.link")

    peer = session.spawn([peer_program, "--tempo", "100", "--for", "60"], "peer.log")
    app = session.spawn([copy], "program.log", cwd=session.directory)
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, "the main window did not appear: " + session.log("program.log")):
        return 1
    check(not os.path.exists(switches), "the switch file exists before a switch was used")

    # Ctrl+K joins the session; an accepted concept sends our tempo: 60000 / 240 ms = 250 BPM.
    session.keys(main, "ctrl+k")
    check(last_seen(session, "peer.log", "peers", "1", 5), "the peer did not see the program join: " +
          session.log("peer.log"))
    session.keys(main, "ctrl+c")
    confirm_dialog(session, "new concept", ["Return"], "concept dialog")
    check(last_seen(session, "peer.log", "tempo", "250.00", 5),
          "the peer did not get the program's tempo: " + session.log("peer.log"))

    # Play starts the session's transport, Stop stops it.
    session.keys(main, "ctrl+p")
    check(last_seen(session, "peer.log", "playing", "1", 5), "Play did not start the session: " + session.log("peer.log"))
    session.keys(main, "ctrl+o")
    check(last_seen(session, "peer.log", "playing", "0", 5), "Stop did not stop the session: " + session.log("peer.log"))

    session.keys(main, "ctrl+shift+k")
    check(wait_for(lambda: os.path.exists(switches) and open(switches).read() == "link 1\nclock 1\n", 5),
          "the switch file should read link 1, clock 1")
    code = close_program(session, main, app)
    check(code == 0, f"the program should end with status 0, got {code}: " + session.log("program.log"))
    check(last_seen(session, "peer.log", "peers", "0", 10), "the peer still sees the closed program")

    # The next start restores Link on: the peer sees it join without a key.
    app = session.spawn([copy], "program2.log", cwd=session.directory)
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, "the main window did not appear again: " + session.log("program2.log")):
        return 1
    check(last_seen(session, "peer.log", "peers", "1", 5), "Link was not restored at start: " + session.log("peer.log"))
    session.keys(main, "ctrl+k")
    check(last_seen(session, "peer.log", "peers", "0", 10), "Ctrl+K did not leave the session")
    check(wait_for(lambda: open(switches).read() == "link 0\nclock 1\n", 5), "the switch file should read link 0")
    close_program(session, main, app)
    session.stop(peer)
    return 0 if not failures else 1


def run(program, peer_program):
    return run_in_session(drive, program, peer_program)


if __name__ == "__main__":
    checks.main(run, 2, __doc__)
