#!/usr/bin/python3
"""The render tool interrupted: SIGINT or SIGTERM while it writes an hour of .wav ends it with
130 or 143, leaves no temporary file, and leaves the file it would have replaced as it was.

Usage: render_signal_test.py PATH/TO/pulselattice-render. Exit 0 pass, 1 fail, 77 skip.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from render_support import RENDER, render, report


def interrupted(directory, sig):
    """Starts an hour of .wav over an existing file, sends `sig` once the temporary file grows,
    and returns a failure text or None."""
    target = os.path.join(directory, "hour.wav")
    with open(target, "wb") as f:
        f.write(b"the old file")
    tool = subprocess.Popen([RENDER, "--stop-at", "3600000", "-o", target], stderr=subprocess.PIPE)
    end = time.monotonic() + 30
    while time.monotonic() < end and tool.poll() is None:
        if any(name.endswith(".part") and os.path.getsize(os.path.join(directory, name)) > 1 << 20
               for name in os.listdir(directory)):
            break
        time.sleep(0.02)
    else:
        tool.kill()
        return f"{sig.name}: the tool wrote no audio within 30 s: {tool.communicate()[1].decode()}"
    tool.send_signal(sig)
    try:
        code = tool.wait(10)
    except subprocess.TimeoutExpired:
        tool.kill()
        return f"{sig.name}: the tool runs on 10 s after the signal"
    left = sorted(os.listdir(directory))
    with open(target, "rb") as f:
        kept = f.read() == b"the old file"
    if code != 128 + sig.value or left != ["hour.wav"] or not kept:
        return f"{sig.name}: exit {code}, files {left}, old file kept: {kept}"
    return None


def main():
    scratch = tempfile.mkdtemp(prefix="pulselattice-signal-")
    probe = render(["--passes", "1"], os.path.join(scratch, "probe.wav"), timeout=None)
    shutil.rmtree(scratch, ignore_errors=True)
    if b"soundfont" in probe.stderr or b"no synthesiser" in probe.stderr:
        print("SKIP: no .wav in this build or no soundfont:", probe.stderr.decode().strip())
        return 77
    failures = []
    for sig in (signal.SIGINT, signal.SIGTERM):
        directory = tempfile.mkdtemp(prefix="pulselattice-signal-")
        try:
            failure = interrupted(directory, sig)
        finally:
            shutil.rmtree(directory, ignore_errors=True)
        if failure:
            failures.append(failure)
    return report("render signals", failures)


if __name__ == "__main__":
    sys.exit(main())
