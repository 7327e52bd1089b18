#!/usr/bin/python3
"""A voice set opened from outside the window: the program started with a .gms restores it, and
the desktop entry's command run while that copy runs (as a file manager runs it) hands its .gms to
the running copy and ends with status 0. Save shows, byte for byte, what each restore set.

usage: voice_set_e2e_test.py PULSELATTICE DESKTOP_ENTRY
Exit status 0 when every check passes, 1 on a failure, 77 when a component cannot start."""

import configparser
import os
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import checks  # noqa: E402
from checks import check, failures  # noqa: E402
from desktop_session import run_in_session, wait_for  # noqa: E402


def voice_set(first_tone):
    """192 bytes: 16 tones from first_tone, then 16 notes and 16 velocities after them."""
    return struct.pack("<48i", *range(first_tone, first_tone + 48))


def saved_voices(session, main, path):
    """Save (Ctrl+S) to `path`; the bytes written, or None."""
    session.keys(main, "ctrl+s")
    chooser = session.wait_window(r"^save file as \.\.\.$", 15)
    if not check(chooser, "Ctrl+S opened no save dialog"):
        return None
    time.sleep(0.5)  # the name field takes the focus once the dialog is shown
    session.type_text(chooser, path)
    session.keys(chooser, "Return")
    session.wait_window_gone(chooser, 10)
    if not wait_for(lambda: os.path.exists(path), 15):
        return None
    with open(path, "rb") as file:
        return file.read()


def desktop_command(entry, program, path):
    """The entry's Exec line as a file manager runs it for `path`, with our build as the program."""
    parser = configparser.ConfigParser(interpolation=None)
    parser.read(entry, encoding="utf-8")
    fields = parser["Desktop Entry"]
    check("application/x-pulselattice-voice-set;" in fields.get("MimeType", ""),
          f"the desktop entry declares MimeType={fields.get('MimeType')!r}")
    words = shlex.split(fields.get("Exec", ""))
    check(words == ["pulselattice", "%f"], f"the desktop entry runs {words}, not 'pulselattice %f'")
    return [program if w == "pulselattice" else path if w == "%f" else w for w in words]


def drive(session, program, entry):
    copy = os.path.join(session.directory, "app", "pulselattice")
    os.makedirs(os.path.dirname(copy))
    shutil.copy2(program, copy)
    files = os.path.join(session.directory, "files")
    os.makedirs(files)
    first, second = os.path.join(files, "first.gms"), os.path.join(files, "second voices.gms")
    with open(first, "wb") as f:
        f.write(voice_set(40))
    with open(second, "wb") as f:
        f.write(voice_set(70))

    app = session.spawn([copy, first], "program.log", cwd=files)
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, "the main window did not appear: " + session.log("program.log")):
        return 1
    check(saved_voices(session, main, os.path.join(files, "at-start.gms")) == voice_set(40),
          "started with first.gms, Save does not write its voice set")

    started = time.monotonic()
    handing = subprocess.run(desktop_command(entry, copy, second), env=session.env, cwd="/", capture_output=True,
                             text=True, timeout=60)
    print(f"the second start ended with status {handing.returncode} after {time.monotonic() - started:.2f} s")
    check(handing.returncode == 0 and not handing.stderr, f"the second start: {handing.returncode} {handing.stderr}")
    check(session.visible_windows("^pulseLattice$") == [main], "the second start showed a window of its own")
    # The running copy restores it when the datagram arrives; Save until it shows (or 5 tries).
    restored = None
    for attempt in range(5):
        restored = saved_voices(session, main, os.path.join(files, f"handed-{attempt}.gms"))
        if restored == voice_set(70):
            break
    check(restored == voice_set(70), "the running copy did not restore the voice set handed to it")
    check(app.poll() is None, "the running copy ended")

    app.send_signal(signal.SIGTERM)
    started = time.monotonic()
    try:
        code = app.wait(60)
    except subprocess.TimeoutExpired:
        code = None
    print(f"SIGTERM closed the program after {time.monotonic() - started:.1f} s with status {code}")
    check(code == 0, "SIGTERM did not close the program with status 0: " + session.log("program.log"))
    check(not os.path.exists(os.path.join(session.directory, "run", "pulseLattice.sock")),
          "the closed copy left its hand-over socket")
    return 1 if failures else 0


def run(program, entry):
    return run_in_session(drive, program, entry)


if __name__ == "__main__":
    checks.main(run, 2, __doc__)
