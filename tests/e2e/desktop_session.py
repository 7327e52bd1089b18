"""A private desktop for driving the real program: an Xvfb display, a PulseAudio server with a null
sink, and xdotool helpers. Every process started here is stopped by close(), also on failure."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

SKIP = 77  # CTest's skip code: a component this machine cannot start
PACKAGE_SOUNDFONT = "/usr/share/sounds/sf2/TimGM6mb.sf2"


class Unavailable(Exception):
    """A component the session needs is not installed or does not start."""


def run_in_session(drive, *arguments, **session_options):
    """drive(session, *arguments) in a new DesktopSession(**session_options), closed afterwards;
    SKIP, with the reason printed, when the session cannot start."""
    try:
        session = DesktopSession(**session_options)
    except Unavailable as reason:
        print("SKIP:", reason)
        return SKIP
    try:
        return drive(session, *arguments)
    finally:
        session.close()


def wait_for(condition, timeout, interval=0.02):
    """Polls `condition` until it returns something true or `timeout` seconds pass; returns it."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= end:
            return value
        time.sleep(interval)


class DesktopSession:
    """Owns a scratch directory, an X display and an audio server until close()."""

    def __init__(self, screen="1024x768x24", keep=False, audio=True):
        """`audio` False: no audio server is reachable at all (none runs, none may be autospawned,
        no JACK server answers)."""
        for program in ("Xvfb", "xdotool", "pulseaudio", "parec"):
            if not shutil.which(program):
                raise Unavailable(f"{program} is not installed (scripts/setup installs it)")
        # What these tests hear and time is the program's, not a soundfont's: the package's own
        # General MIDI soundfont, for the program and for the render tool they compare it with,
        # whichever one the machine's FluidSynth prefers (a 40 MB .sf3 loads for seconds and is
        # louder).
        if os.path.exists(PACKAGE_SOUNDFONT):
            os.environ.setdefault("PULSELATTICE_SOUNDFONT", PACKAGE_SOUNDFONT)
        self.keep = keep or bool(os.environ.get("PULSELATTICE_KEEP_TEST_FILES"))
        self.directory = tempfile.mkdtemp(prefix="pulselattice-e2e-")
        self.processes = []
        self.env = dict(os.environ)
        try:
            self._start_display(screen)
            if audio:
                self._start_audio()
            else:
                self._no_audio()
        except BaseException:
            self.close()
            raise

    # -- processes -------------------------------------------------------------------------------

    def spawn(self, argv, log_name, **kwargs):
        """Starts argv in a process group of its own, output to a log file in the scratch dir."""
        log = open(os.path.join(self.directory, log_name), "wb")
        process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                   env=kwargs.pop("env", self.env), start_new_session=True, **kwargs)
        log.close()
        self.processes.append(process)
        return process

    def install_program(self, program):
        """A copy of `program` in a folder of its own below the scratch dir, where its parameter
        file and side files will be written beside it; the copy's path."""
        copy = os.path.join(self.directory, "app", "pulselattice")
        os.makedirs(os.path.dirname(copy))
        shutil.copy2(program, copy)
        return copy

    def log(self, log_name):
        try:
            with open(os.path.join(self.directory, log_name), "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    @staticmethod
    def stop(process, sig=signal.SIGTERM, timeout=3.0):
        """Ends a process group: `sig`, then SIGKILL when it has not gone after `timeout` s."""
        if process.poll() is not None:
            return process.returncode
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            pass
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            return process.wait()

    def close(self):
        for process in reversed(self.processes):
            self.stop(process)
        self.processes.clear()
        if not self.keep:
            shutil.rmtree(self.directory, ignore_errors=True)

    # -- display and audio -----------------------------------------------------------------------

    def _start_display(self, screen):
        # -displayfd picks a free display number and reports it once the server accepts clients.
        read_end, write_end = os.pipe()
        # -noreset: the server would otherwise reset when its last client leaves, and refuse
        # clients for a moment, such as the program started again after the first one closed.
        xvfb = self.spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp", "-ac",
                           "-noreset"],
                          "xvfb.log", pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        end = time.monotonic() + 20
        os.set_blocking(read_end, False)
        while not number.endswith(b"\n") and time.monotonic() < end and xvfb.poll() is None:
            try:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
            except BlockingIOError:
                time.sleep(0.02)
        os.close(read_end)
        if not number.strip().isdigit():
            raise Unavailable("Xvfb does not start: " + self.log("xvfb.log"))
        self.env["DISPLAY"] = ":" + number.decode().strip()
        # Clients can still be refused for a moment on a busy machine: wait until one is served.
        answered = wait_for(lambda: subprocess.run(["xdpyinfo"], env=self.env, capture_output=True,
                                                   timeout=10).returncode == 0, 20)
        if not answered:
            raise Unavailable("Xvfb does not answer clients: " + self.log("xvfb.log"))
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["QT_QPA_PLATFORM"] = "xcb"

    def _start_audio(self):
        # A private server: its socket lives in the scratch dir, so a user's server is never touched.
        runtime = os.path.join(self.directory, "run")
        os.makedirs(runtime, mode=0o700)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self.env["PULSE_RUNTIME_PATH"] = os.path.join(runtime, "pulse")
        self.env["PULSE_STATE_PATH"] = os.path.join(self.directory, "pulse-state")
        self.env.pop("PULSE_SERVER", None)
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.directory, "config")
        server = self.spawn(["pulseaudio", "--daemonize=no", "--use-pid-file=no", "--realtime=yes", "--high-priority=yes",
                             "--exit-idle-time=-1", "-n",
                             "--load=module-null-sink sink_name=null", "--load=module-native-protocol-unix"],
                            "pulseaudio.log")
        socket = os.path.join(runtime, "pulse", "native")
        if not wait_for(lambda: os.path.exists(socket) or server.poll() is not None, 15) or server.poll() is not None:
            raise Unavailable("PulseAudio does not start: " + self.log("pulseaudio.log"))

    def _no_audio(self):
        runtime = os.path.join(self.directory, "run")
        os.makedirs(runtime, mode=0o700)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.directory, "config")
        # A server named explicitly is never autospawned; this one does not exist.
        self.env["PULSE_SERVER"] = "unix:" + os.path.join(runtime, "no-pulse-server")
        self.env["JACK_DEFAULT_SERVER"] = "pulselattice-no-server"
        self.env["JACK_NO_START_SERVER"] = "1"

    # -- windows ---------------------------------------------------------------------------------

    def xdotool(self, *args, timeout=10):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=timeout)
        return result.stdout.strip() if result.returncode == 0 else ""

    def visible_windows(self, name_regex):
        """Ids of the mapped windows whose title matches `name_regex`."""
        out = self.xdotool("search", "--onlyvisible", "--name", name_regex)
        return [w for w in out.split() if w.isdigit()]

    def wait_window(self, name_regex, timeout=20):
        windows = wait_for(lambda: self.visible_windows(name_regex), timeout)
        return windows[0] if windows else None

    def wait_window_gone(self, window, timeout=10):
        return wait_for(lambda: window not in self.visible_windows("."), timeout)

    def title(self, window):
        return self.xdotool("getwindowname", window)

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(re.findall(r"^(\w+)=(\d+)$", out, re.M))
        return {k: int(v) for k, v in values.items()}

    def focus(self, window):
        # There is no window manager: give the window the keyboard focus explicitly.
        self.xdotool("windowfocus", "--sync", window)

    def keys(self, window, *keys):
        self.focus(window)
        self.xdotool("key", "--clearmodifiers", "--delay", "60", *keys)

    def type_text(self, window, text):
        self.focus(window)
        self.xdotool("type", "--delay", "60", text)

    def screenshot(self, window, path):
        geometry = self.geometry(window)
        whole = os.path.join(self.directory, "screen.png")
        subprocess.run(["import", "-window", "root", whole], env=self.env, check=True, timeout=30)
        crop = f"{geometry['WIDTH']}x{geometry['HEIGHT']}+{geometry['X']}+{geometry['Y']}"
        subprocess.run(["/usr/bin/convert", whole, "-crop", crop, "+repage", path], check=True, timeout=30)
