#!/usr/bin/python3
"""The real program with --osc-port on a private X display: it answers /pulselattice/state on
127.0.0.1 only, a mute from liblo's oscsend reaches it, a Play before any concept is refused with
one line in its log and no box, and SIGTERM closes it and frees the port.

usage: osc_e2e_test.py PULSELATTICE
Exit status 0 when every check passes, 1 on a failure, 77 when a component cannot start."""

import os
import shutil
import signal
import socket
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import checks  # noqa: E402
from checks import check, failures  # noqa: E402
from desktop_session import SKIP, run_in_session, wait_for  # noqa: E402


def padded(text):
    data = text.encode() + b"\0"
    return data + b"\0" * (-len(data) % 4)


def read_string(data, at):
    end = data.index(b"\0", at)
    return data[at:end].decode(), (end + 4) & ~3


def decode(data):
    """An OSC message with i, f and s arguments as (address, [values])."""
    address, at = read_string(data, 0)
    types, at = read_string(data, at)
    values = []
    for tag in types[1:]:
        if tag == "i":
            values.append(struct.unpack(">i", data[at:at + 4])[0])
            at += 4
        elif tag == "f":
            values.append(round(struct.unpack(">f", data[at:at + 4])[0], 2))
            at += 4
        elif tag == "s":
            value, at = read_string(data, at)
            values.append(value)
    return address, values


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def bound_address(port):
    """The local address /proc/net/udp lists for the port, as 'a.b.c.d'; None when none."""
    with open("/proc/net/udp") as table:
        for line in table.readlines()[1:]:
            local = line.split()[1]
            address, number = local.split(":")
            if int(number, 16) == port:
                return socket.inet_ntoa(struct.pack("<I", int(address, 16)))
    return None


def ask_state(port):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.settimeout(0.5)
        s.sendto(padded("/pulselattice/state") + padded(","), ("127.0.0.1", port))
        try:
            return decode(s.recv(1024))
        except socket.timeout:
            return None


def drive(session, program):
    if not shutil.which("oscsend"):
        print("SKIP: oscsend is not installed (liblo-tools; scripts/setup installs it)")
        return SKIP
    copy = os.path.join(session.directory, "app", "pulselattice")
    os.makedirs(os.path.dirname(copy))
    shutil.copy2(program, copy)
    port = free_udp_port()
    app = session.spawn([copy, "--osc-port", str(port)], "program.log", cwd=session.directory)
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, "the main window did not appear: " + session.log("program.log")):
        return 1

    state = wait_for(lambda: ask_state(port), 10)
    check(state and state[0] == "/pulselattice/state" and state[1][:3] == ["idle", 0, 0],
          f"/pulselattice/state before any concept: {state}")
    check(bound_address(port) == "127.0.0.1", f"the OSC port is bound to {bound_address(port)}, not 127.0.0.1")

    subprocess.run(["oscsend", "127.0.0.1", str(port), "/pulselattice/mute", "ii", "3", "1"], check=False, timeout=10)
    state = wait_for(lambda: (lambda s: s if s and s[1][1] == 4 else None)(ask_state(port)), 10)
    check(state, f"oscsend's mute of layer 3 did not arrive: {ask_state(port)}")

    subprocess.run(["oscsend", "127.0.0.1", str(port), "/pulselattice/play"], check=False, timeout=10)
    refused = wait_for(lambda: "OSC: refused /pulselattice/play" in session.log("program.log"), 10)
    check(refused, "a Play before any concept was not refused in the log: " + session.log("program.log"))
    check(not session.visible_windows("^new concept$"), "a Play from OSC opened the concept dialog")

    app.send_signal(signal.SIGTERM)
    try:
        code = app.wait(60)  # closing with an audio server takes up to 30 s on a loaded machine
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, f"SIGTERM should close the program with status 0, got {code}")
    check(bound_address(port) is None, "the OSC port is still bound after the program ended")
    return 1 if failures else 0


def run(program):
    return run_in_session(drive, program)


if __name__ == "__main__":
    checks.main(run, 1, __doc__)
