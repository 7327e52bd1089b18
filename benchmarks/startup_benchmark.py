#!/usr/bin/python3
"""Start-up time of pulselattice beside a bare Qt window, measured in the same run.

usage: startup_benchmark.py PULSELATTICE BARE_QT_WINDOW [--runs N] [--no-audio-server]

On a private Xvfb display and a private PulseAudio server (null sink; with --no-audio-server none
at all, nor JACK, as on a machine without sound), the programs are launched
alternately, N times each (the first round is a warm-up and is not counted):
  - pulselattice from a fresh scratch directory: the first-start path, no parameter file;
  - pulselattice from a fresh scratch directory holding a parameter file from an earlier start;
  - bare_qt_window: a QMainWindow of the same size, nothing else.
Each run is timed from just before the launch until the X server maps the window with the
program's caption, then the program is killed. The map is seen as a MapNotify event on the root
window, read as it arrives (no polling): the same criterion as `xdotool search --onlyvisible`,
without xdotool's own start-up in the figure. Launch and watching cost the same for every program.

Prints median, p90 and min in ms per program; the last line is
  RESULT startup ours_median_ms=... ours_with_par_median_ms=... bare_median_ms=... ratio=... target=1.5 PASS|FAIL
where ratio is the first start's median over the bare window's median.
Exit status 0 when measured (whether PASS or FAIL), 1 when a program did not show its window,
77 when Xvfb, PulseAudio or libX11 is missing."""

import argparse
import ctypes
import ctypes.util
import math
import os
import select
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop_session import SKIP, DesktopSession, Unavailable  # noqa: E402

TARGET_RATIO = 1.5
WINDOW_TIMEOUT_S = 30.0
OURS_CAPTION = b"pulseLattice"
BARE_CAPTION = b"bare Qt window"
PARAMETER_FILE = "pulseLattice.par"

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
XA_WM_NAME = 39


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


X_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


class MapWatcher:
    """A connection to the X server that hears every top-level window being mapped."""

    def __init__(self, display_name):
        path = ctypes.util.find_library("X11")
        if not path:
            raise Unavailable("libX11 is not installed")
        x = self.x = ctypes.CDLL(path)
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XFlush.argtypes = [ctypes.c_void_p]
        x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        x.XPending.argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long, ctypes.c_int,
            ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        x.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 7
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # A window may be gone before its name is read: ignore BadWindow instead of exiting.
        self._ignore_errors = X_ERROR_HANDLER(lambda _display, _event: 0)
        x.XSetErrorHandler(self._ignore_errors)
        self.display = x.XOpenDisplay(display_name.encode())
        if not self.display:
            raise Unavailable(f"cannot connect to X display {display_name}")
        x.XSelectInput(self.display, x.XDefaultRootWindow(self.display), SUBSTRUCTURE_NOTIFY_MASK)
        x.XFlush(self.display)
        self.fd = x.XConnectionNumber(self.display)
        self.net_wm_name = x.XInternAtom(self.display, b"_NET_WM_NAME", 0)

    def close(self):
        self.x.XCloseDisplay(self.display)

    def name(self, window):
        for atom in (self.net_wm_name, XA_WM_NAME):
            actual_type, actual_format = ctypes.c_ulong(), ctypes.c_int()
            items, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
            status = self.x.XGetWindowProperty(self.display, window, atom, 0, 1024, 0, 0, ctypes.byref(actual_type),
                                               ctypes.byref(actual_format), ctypes.byref(items), ctypes.byref(after),
                                               ctypes.byref(data))
            if status == 0 and data.value:
                text = ctypes.string_at(data.value, items.value) if actual_format.value == 8 else b""
                self.x.XFree(data)
                if text:
                    return text
        return b""

    def size(self, window):
        root, x, y = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_int()
        width, height, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        self.x.XGetGeometry(self.display, window, *[ctypes.byref(v) for v in (root, x, y, width, height, border, depth)])
        return width.value, height.value

    def drain(self):
        """Forgets the events that arrived so far (the windows of earlier runs)."""
        event = XEvent()
        while self.x.XPending(self.display):
            self.x.XNextEvent(self.display, ctypes.byref(event))

    def wait_mapped(self, caption, process, timeout):
        """Waits until a window named `caption` is mapped; returns (monotonic time, window) or None
        when the process ends or `timeout` s pass first."""
        end = time.monotonic() + timeout
        event = XEvent()
        unnamed = []  # mapped before its caption was readable: looked at again
        while time.monotonic() < end:
            while self.x.XPending(self.display):
                self.x.XNextEvent(self.display, ctypes.byref(event))
                if event.type == MAP_NOTIFY and not event.xmap.override_redirect:
                    seen = time.monotonic()
                    if self.name(event.xmap.window) == caption:
                        return seen, event.xmap.window
                    unnamed.append(event.xmap.window)
            for window in unnamed:
                if self.name(window) == caption:
                    return time.monotonic(), window
            if process.poll() is not None:
                return None
            select.select([self.fd], [], [], 0.005 if unnamed else 0.05)
        return None


def scratch_copy(session, program, run_name, parameter_file=None):
    """A fresh directory holding a hard link to (or a copy of) `program`, and maybe a parameter file."""
    directory = os.path.join(session.directory, run_name)
    os.makedirs(directory)
    target = os.path.join(directory, os.path.basename(program))
    try:
        os.link(program, target)
    except OSError:
        shutil.copy2(program, target)
    if parameter_file:
        shutil.copy2(parameter_file, os.path.join(directory, PARAMETER_FILE))
    return target


def launch_once(session, watcher, argv, caption, run_name):
    """Launches argv with a runtime directory of its own; returns (ms to the window, its size)."""
    env = dict(session.env)
    runtime = os.path.join(os.path.dirname(argv[0]), "run")
    os.makedirs(runtime, mode=0o700)
    env["XDG_RUNTIME_DIR"] = runtime  # a lock of its own, so no run sees another's
    if "PULSE_RUNTIME_PATH" in session.env:
        env["PULSE_SERVER"] = "unix:" + os.path.join(session.env["PULSE_RUNTIME_PATH"], "native")
    watcher.drain()
    started = time.monotonic()
    process = session.spawn(argv, run_name + ".log", env=env, cwd=os.path.dirname(argv[0]))
    shown = watcher.wait_mapped(caption, process, WINDOW_TIMEOUT_S)
    size = watcher.size(shown[1]) if shown else None
    session.stop(process)
    session.processes.remove(process)
    if shown is None:
        sys.exit(f"{run_name}: no window {caption.decode()!r} appeared: " + session.log(run_name + ".log"))
    return (shown[0] - started) * 1000.0, size


def summary(values):
    ordered = sorted(values)
    p90 = ordered[max(0, math.ceil(0.9 * len(ordered)) - 1)]
    return statistics.median(ordered), p90, ordered[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("pulselattice")
    parser.add_argument("bare_qt_window")
    parser.add_argument("--runs", type=int, default=15, help="counted runs per program (default 15)")
    parser.add_argument("--no-audio-server", action="store_true", help="start no PulseAudio server")
    args = parser.parse_args()
    programs = [os.path.abspath(p) for p in (args.pulselattice, args.bare_qt_window)]
    for program in programs:
        if not os.access(program, os.X_OK):
            sys.exit(f"not an executable: {program}")

    try:
        session = DesktopSession(audio=not args.no_audio_server)
        watcher = MapWatcher(session.env["DISPLAY"])
    except Unavailable as reason:
        print("SKIP:", reason)
        return SKIP
    try:
        return measure(session, watcher, programs, args.runs)
    finally:
        session.close()


def measure(session, watcher, programs, runs):
    ours, bare = programs
    # Warm-up round: fills the page cache and the font cache, and gives the parameter file the
    # program writes on its first start and the window size the bare window takes.
    copy = scratch_copy(session, ours, "warmup-ours")
    _, (width, height) = launch_once(session, watcher, [copy], OURS_CAPTION, "warmup-ours")
    parameter_file = os.path.join(session.directory, PARAMETER_FILE)
    shutil.copy2(os.path.join(os.path.dirname(copy), PARAMETER_FILE), parameter_file)
    launch_once(session, watcher, [scratch_copy(session, bare, "warmup-bare"), str(width), str(height)],
                BARE_CAPTION, "warmup-bare")

    names = ["pulselattice, first start", "pulselattice, with parameter file", "bare Qt window"]
    times = {name: [] for name in names}
    for round_index in range(runs):
        # Rotate the order, so no program always runs right after the same other one.
        for offset in range(3):
            which = (round_index + offset) % 3
            run_name = f"run{round_index}-{which}"
            if which == 0:
                argv, caption = [scratch_copy(session, ours, run_name)], OURS_CAPTION
            elif which == 1:
                argv, caption = [scratch_copy(session, ours, run_name, parameter_file)], OURS_CAPTION
            else:
                argv, caption = [scratch_copy(session, bare, run_name), str(width), str(height)], BARE_CAPTION
            elapsed, _ = launch_once(session, watcher, argv, caption, run_name)
            times[names[which]].append(elapsed)

    print(f"launch to main window mapped, {runs} runs each after one warm-up, window {width}x{height}")
    medians = {}
    for name in names:
        median, p90, least = summary(times[name])
        medians[name] = median
        print(f"{name:36s} median {median:7.1f} ms   p90 {p90:7.1f} ms   min {least:7.1f} ms")
    ratio = medians[names[0]] / medians[names[2]]
    verdict = "PASS" if ratio <= TARGET_RATIO else "FAIL"
    print(f"RESULT startup ours_median_ms={medians[names[0]]:.1f} ours_with_par_median_ms={medians[names[1]]:.1f} "
          f"bare_median_ms={medians[names[2]]:.1f} ratio={ratio:.2f} target={TARGET_RATIO} {verdict}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
