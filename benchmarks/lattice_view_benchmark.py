#!/usr/bin/python3
"""What the lattice window costs: the program's CPU time with the window open beside the same
program with it closed, stopped and playing, at several window sizes, all in one run.

usage: lattice_view_benchmark.py PULSELATTICE [--seconds N] [--sizes 760x440,1280x1000,...] [--repeat N]

On a private Xvfb display (2600x1700) and a private PulseAudio server (null sink), for each size:
the program starts from a scratch directory whose parameter file plays 8 layers at tempo 32 and
whose lattice file holds the size; the concept is accepted (Ctrl+C, Enter), then four phases of N
seconds each are measured from /proc/PID/stat (user + system time of every thread):
  stopped, view closed -> playing, view closed -> (Ctrl+L) playing, view open -> (Stop) stopped,
  view open.
Prints one line per size with the four figures in % of one core, the view's share (open minus
closed) stopped and playing, and Xvfb's CPU in the same phases (drawing the window costs the X
server too). Each size is measured --repeat times (3), and the medians of the view's shares decide.
The last line is
  RESULT lattice_view worst_stopped_extra=...% worst_playing_extra=...% target_stopped=1 target_extra=5 PASS|FAIL
Exit status 0 when measured, 1 when the program did not show its windows, 77 when Xvfb or
PulseAudio is missing."""

import argparse
import os
import shutil
import statistics
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop_session import SKIP, DesktopSession, Unavailable, wait_for  # noqa: E402

HEADER_SIZE = 12
TEMPO_OFFSET = HEADER_SIZE + 140
LAYER_INDEX_OFFSET = HEADER_SIZE + 144
TARGET_STOPPED = 1.0  # % of a core with the view open while stopped
TARGET_EXTRA = 5.0    # points of a core the open view adds while playing
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User plus system time of the process, every thread included, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def measure(pids, seconds):
    """% of one core that each pid used over `seconds` of wall time."""
    start = [cpu_seconds(p) for p in pids]
    began = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - began
    return [100.0 * (cpu_seconds(p) - s) / elapsed for p, s in zip(pids, start)]


def first_parameter_file(session, copy):
    """Starts the program once so it writes its parameter file, then ends it."""
    app = session.spawn([copy], "first.log", cwd=session.directory)
    main = session.wait_window("^pulseLattice$", 30)
    par = os.path.join(os.path.dirname(copy), "pulseLattice.par")
    ok = main and wait_for(lambda: os.path.exists(par), 10)
    session.stop(app)
    return par if ok else None


def run_size(session, copy, par, size, seconds, xvfb_pid):
    width, height = size
    with open(os.path.join(os.path.dirname(copy), "pulseLattice.lattice"), "w") as f:
        f.write(f"10 10 {width} {height}\n")
    app = session.spawn([copy], f"program-{width}x{height}.log", cwd=session.directory)
    try:
        main = session.wait_window("^pulseLattice$", 30)
        if not main:
            print("the main window did not appear: " + session.log(f"program-{width}x{height}.log"))
            return None
        session.keys(main, "ctrl+c")
        dialog = session.wait_window("^new concept$", 15)
        if not dialog:
            print("the concept dialog did not appear")
            return None
        time.sleep(0.3)
        session.keys(dialog, "Return")
        session.wait_window_gone(dialog, 10)
        time.sleep(1.0)
        pids = [app.pid, xvfb_pid]
        figures = {}
        figures["stopped closed"] = measure(pids, seconds)
        session.keys(main, "ctrl+p")
        time.sleep(1.0)
        figures["playing closed"] = measure(pids, seconds)
        session.keys(main, "ctrl+l")
        lattice = session.wait_window("^lattice$", 10)
        if not lattice:
            print("Ctrl+L did not open the lattice window")
            return None
        shown = session.geometry(lattice)
        time.sleep(1.0)
        figures["playing open"] = measure(pids, seconds)
        session.keys(main, "ctrl+o")
        time.sleep(2.0)  # the stopped pass drains
        figures["stopped open"] = measure(pids, seconds)
        return figures, (shown.get("WIDTH"), shown.get("HEIGHT"))
    finally:
        session.stop(app)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--seconds", type=float, default=5.0)
    parser.add_argument("--sizes", default="760x440,1280x1000,1920x1200,2560x1600")
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    sizes = [tuple(int(v) for v in s.split("x")) for s in args.sizes.split(",")]
    try:
        session = DesktopSession(screen="2600x1700x24")
    except Unavailable as reason:
        print(f"SKIP: {reason}")
        return SKIP
    try:
        copy = os.path.join(session.directory, "app", "pulselattice")
        os.makedirs(os.path.dirname(copy))
        shutil.copy2(args.program, copy)
        par = first_parameter_file(session, copy)
        if not par:
            print("the program did not start: " + session.log("first.log"))
            return 1
        with open(par, "r+b") as f:
            f.seek(TEMPO_OFFSET)
            f.write(struct.pack("<ii", 32, 7))  # tempo 32, top layer index 7: 8 layers
        xvfb_pid = session.processes[0].pid
        print(f"{args.seconds:.0f} s per phase; % of one core: program (Xvfb)")
        print(f"{'size':>10} {'stopped closed':>16} {'stopped open':>16} {'playing closed':>16} "
              f"{'playing open':>16} {'view stopped':>13} {'view playing':>13}")
        worst_stopped = worst_extra = 0.0
        for size in sizes:
            # Each size is measured `repeat` times; the verdict takes the median of the view's
            # shares, since one phase of a few seconds on a shared machine can be off by a point.
            shares_stopped, shares_playing = [], []
            for _ in range(args.repeat):
                result = run_size(session, copy, par, size, args.seconds, xvfb_pid)
                if result is None:
                    return 1
                f, shown = result
                cell = lambda k: f"{f[k][0]:6.1f} ({f[k][1]:5.1f})"
                shares_stopped.append(f["stopped open"][0] - f["stopped closed"][0])
                shares_playing.append(f["playing open"][0] - f["playing closed"][0])
                label = f"{shown[0]}x{shown[1]}"
                print(f"{label:>10} {cell('stopped closed'):>16} {cell('stopped open'):>16} "
                      f"{cell('playing closed'):>16} {cell('playing open'):>16} {shares_stopped[-1]:13.1f} "
                      f"{shares_playing[-1]:13.1f}", flush=True)
            if args.repeat > 1:
                print(f"{'median':>10} {'':>67} {statistics.median(shares_stopped):13.1f} "
                      f"{statistics.median(shares_playing):13.1f}", flush=True)
            worst_stopped = max(worst_stopped, statistics.median(shares_stopped))
            worst_extra = max(worst_extra, statistics.median(shares_playing))
        verdict = "PASS" if worst_stopped < TARGET_STOPPED and worst_extra <= TARGET_EXTRA else "FAIL"
        print(f"RESULT lattice_view worst_stopped_extra={worst_stopped:.1f}% worst_playing_extra={worst_extra:.1f}% "
              f"target_stopped={TARGET_STOPPED:g} target_extra={TARGET_EXTRA:g} {verdict}")
        return 0
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(main())
