#!/usr/bin/python3
"""The real program as a user meets it: started from a scratch copy on a private X display with its
own audio server, driven by keys only, its sound recorded from the null sink and its parameter file
read back after it closed.

usage: program_e2e_test.py PULSELATTICE PULSELATTICE_RENDER
Exit status 0 when every check passes, 1 on a failure, 77 when a component cannot start."""

import array
import math
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import checks  # noqa: E402
from checks import check, failures  # noqa: E402
from desktop_session import SKIP, DesktopSession, Unavailable, wait_for  # noqa: E402

# The rhythm chosen through the dialogs: durations 192 and 360 ms (tempo 96 keeps them), three
# layers, the golden ratio. Unequal durations make the onsets spell the alpha/beta sequence.
ALPHA_MS, BETA_MS, LAYERS = 192, 360, 3
PLAY_SECONDS = 6.0

# Onset tolerance: aubioonset's hop (5.8 ms at 256 frames), the synthesiser's period (5.8 ms) and
# scheduling on a loaded 2-core machine. At least MATCH_SHARE of the expected onsets must have a
# detected onset within ONSET_TOLERANCE_MS, and as large a share of the intervals between matched
# neighbours must be within INTERVAL_TOLERANCE_MS of the rhythm's.
ONSET_TOLERANCE_MS = 20.0
INTERVAL_TOLERANCE_MS = 20.0
MATCH_SHARE = 0.85
# Detected onsets that belong to no expected note-on (decays, double triggers): at most this share.
SPURIOUS_SHARE = 0.25

PARAMETER_FILE_SIZE = 388
HEADER_SIZE = 12
SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768



def record_field(data, offset, fmt="<i"):
    """A field of the settings record, by its offset within the record."""
    return struct.unpack_from(fmt, data, HEADER_SIZE + offset)[0]


def expected_note_on_times(render, directory):
    """Every millisecond at which the rhythm sends a note-on, from the render tool on the same
    settings: the times repeat for every layer that starts an event at once, so they are unique'd."""
    out = os.path.join(directory, "expected.txt")
    subprocess.run([render, "--layers", str(LAYERS), "--alpha", str(ALPHA_MS), "--beta", str(BETA_MS),
                    "--stop-at", str(int(PLAY_SECONDS * 1000) + 2000), "-o", out], check=True, timeout=60)
    times = set()
    with open(out) as f:
        for line in f:
            t, status, _d1, velocity = line.split()
            if int(status, 16) & 0xF0 == 0x90 and int(velocity, 16) > 0:
                times.add(int(t))
    return sorted(times)


def onsets_of(wav):
    # With the default voices (piano, vibraphone, marimba) the "hfc" detection function finds exactly
    # the note-ons of an offline render of this rhythm; "complex" misses about half of them.
    result = subprocess.run(["aubioonset", "-O", "hfc", "-i", wav], capture_output=True, text=True, timeout=60)
    return [float(v) * 1000.0 for v in result.stdout.split()]


def compare_onsets(expected, onsets, recorded_ms):
    """Aligns the recording on its first onset (the first note-on at time 0), refines the alignment
    by the median deviation, then matches every expected time that lies inside the recording."""
    if not check(onsets, "the recording has no onsets: nothing was heard"):
        return
    first = onsets[0]
    # Only what was played before Stop: the keys reach the program a little after they are sent.
    window = [t for t in expected if first + t < recorded_ms - 100 and t < PLAY_SECONDS * 1000 - 500]

    def nearest(at):
        return min(onsets, key=lambda o: abs(o - at))

    deviations = sorted(nearest(first + t) - (first + t) for t in window)
    shift = deviations[len(deviations) // 2] if deviations else 0.0
    matched = []
    for t in window:
        at = nearest(first + shift + t)
        matched.append((t, at) if abs(at - (first + shift + t)) <= ONSET_TOLERANCE_MS else (t, None))
    hits = [m for m in matched if m[1] is not None]
    report = ", ".join(f"{t}:{'-' if o is None else round(o - first - shift)}" for t, o in matched)
    print(f"expected {len(window)} onsets in {recorded_ms:.0f} ms of recording, {len(hits)} matched "
          f"within {ONSET_TOLERANCE_MS} ms (alignment shift {shift:.1f} ms)", flush=True)
    check(len(window) >= 10, f"only {len(window)} expected onsets fall into the recording")
    check(len(hits) >= MATCH_SHARE * len(window), f"too few onsets at the rhythm's times: {report}")

    intervals = [(b[0] - a[0], b[1] - a[1]) for a, b in zip(matched, matched[1:]) if a[1] is not None and b[1] is not None]
    good = [1 for want, got in intervals if abs(got - want) <= INTERVAL_TOLERANCE_MS]
    check(intervals and len(good) >= MATCH_SHARE * len(intervals),
          f"intervals off the rhythm: {[(w, round(g)) for w, g in intervals]}")
    # Both durations must be heard: a metronome at one of them would otherwise pass the onset check.
    lengths = {want for want, _ in intervals}
    check(ALPHA_MS in lengths and BETA_MS in lengths, f"the intervals heard do not include both durations: {sorted(lengths)}")

    played = [o for o in onsets if o >= first - ONSET_TOLERANCE_MS and o <= first + shift + window[-1] + ONSET_TOLERANCE_MS] if window else []
    spurious = [o for o in played if min(abs(o - (first + shift + t)) for t in window) > ONSET_TOLERANCE_MS]
    check(len(spurious) <= SPURIOUS_SHARE * max(len(played), 1),
          f"{len(spurious)} of {len(played)} onsets belong to no note-on: {[round(o - first) for o in spurious]}")


def file_state(path):
    try:
        info = os.stat(path)
        with open(path, "rb") as f:
            return (info.st_ino, info.st_mtime_ns, f.read())
    except OSError:
        return None


def notes_among(wav, onsets_ms, factor=1.3, floor=300.0):
    """The onsets where the level rises as a new note makes it: the 30 ms after it `factor` times
    louder than the 25 ms before, and above `floor` (of 32767). An onset the detector finds in a
    long decay does not rise."""
    with wave.open(wav, "rb") as w:
        rate, channels = w.getframerate(), w.getnchannels()
        samples = array.array("h", w.readframes(w.getnframes()))

    def level(from_ms, to_ms):
        chunk = samples[int(rate * from_ms / 1000.0) * channels:int(rate * to_ms / 1000.0) * channels]
        return math.sqrt(sum(x * x for x in chunk) / len(chunk)) if chunk else 0.0

    return [t for t in onsets_ms if level(t, t + 30.0) > max(floor, factor * level(t - 30.0, t - 5.0))]


def wav_seconds(path):
    try:
        return max(os.path.getsize(path) - 44, 0) / (44100 * 4)
    except OSError:
        return 0.0


def start_recording(session, name):
    """Records the null sink into NAME.wav in the session's directory, once the recorder is really
    writing. Returns (recorder, path), or None after a failed check."""
    wav = os.path.join(session.directory, name + ".wav")
    recorder = session.spawn(["parec", "--latency-msec=20", "-d", "null.monitor", "--file-format=wav", wav],
                             name + ".log")
    if not check(wait_for(lambda: wav_seconds(wav) > 0.4, 15), "parec records nothing: " + session.log(name + ".log")):
        return None
    return recorder, wav


def confirm_dialog(session, caption, keys, what):
    """Opens nothing itself: waits for the dialog, gives it `keys`, and waits until it has closed.
    An "error" box in between means the dialog refused the values."""
    dialog = session.wait_window(f"^{caption}$", 15)
    if not check(dialog, f"{what}: no window titled {caption!r} appeared"):
        return False
    time.sleep(0.3)  # Qt gives the first tab stop its focus when the dialog is shown
    for step in keys:
        if step.startswith("type:"):
            session.type_text(dialog, step[5:])
        else:
            session.keys(dialog, step)
    closed = session.wait_window_gone(dialog, 10)
    boxes = session.visible_windows("^error$")
    texts = [session.title(b) for b in boxes]
    check(not boxes, f"{what}: an error box appeared {texts}")
    return check(closed, f"{what}: the dialog did not close after Enter")


def raw_pixels(session, png):
    raw = png + ".rgb"
    subprocess.run(["/usr/bin/convert", png, "rgb:" + raw], check=True, timeout=30)
    with open(raw, "rb") as f:
        return f.read()


def check_lattice_view(session, main):
    """Played again, Ctrl+L opens the lattice window; two pictures of it 0.5 s apart must differ
    (the cells move under the playhead). A second Ctrl+L raises it instead of opening another."""
    session.keys(main, "ctrl+p")
    time.sleep(0.5)
    session.keys(main, "ctrl+l")
    lattice = session.wait_window("^lattice$", 10)
    if not check(lattice, "Ctrl+L while playing did not open the lattice window"):
        session.keys(main, "ctrl+o")
        return
    time.sleep(1.0)
    first, second = (os.path.join(session.directory, f"lattice{i}.png") for i in (1, 2))
    session.screenshot(lattice, first)
    time.sleep(0.5)
    session.screenshot(lattice, second)
    a, b = raw_pixels(session, first), raw_pixels(session, second)
    changed = sum(1 for i in range(0, min(len(a), len(b)), 3) if a[i:i + 3] != b[i:i + 3])
    print(f"lattice view: {changed} of {len(a) // 3} pixels changed in 0.5 s")
    check(len(a) == len(b) and changed > 100, "the lattice view did not change while playing")
    session.keys(main, "ctrl+l")
    time.sleep(0.5)
    check(len(session.visible_windows("^lattice$")) == 1, "a second Ctrl+L opened another lattice window")
    session.keys(main, "ctrl+o")
    time.sleep(1.0)


def level(wav, from_ms, to_ms):
    """The RMS level of the recording between two times, of 32767."""
    with wave.open(wav, "rb") as w:
        rate, channels = w.getframerate(), w.getnchannels()
        w.setpos(min(int(rate * max(from_ms, 0) / 1000.0), w.getnframes()))
        samples = array.array("h", w.readframes(max(int(rate * (to_ms - from_ms) / 1000.0), 0)))
    return math.sqrt(sum(x * x for x in samples) / len(samples)) if samples else 0.0


def check_mute_by_key(session, main, expected, directory):
    """Rewind (Ctrl+W), Play, and while it plays the key 2 in the lattice window mutes layer 2, which
    carries about half the level here: the level must drop, and the onsets must go on at the rhythm's
    times (layer 1 sounds at every time layer 2 does). The side file keeps the mute; 0 clears it."""
    lattice = session.wait_window("^lattice$", 5)
    if not check(lattice, "the lattice window is not open for the mute keys"):
        return
    session.keys(main, "ctrl+w")
    recording = start_recording(session, "muted")
    if not recording:
        return
    recorder, wav = recording
    played = time.monotonic()
    session.keys(main, "ctrl+p")
    time.sleep(3.5)
    before_ms = (time.monotonic() - played) * 1000.0
    session.keys(lattice, "2")
    muted_ms = (time.monotonic() - played) * 1000.0
    time.sleep(3.5)
    unmuted_ms = (time.monotonic() - played) * 1000.0
    side = os.path.join(directory, "pulseLattice.lattice")
    with open(side) as f:
        kept = f.read()
    session.keys(lattice, "0")
    session.keys(main, "ctrl+o")
    time.sleep(1.0)
    session.stop(recorder, signal.SIGINT)
    check("mutes 2 solo -1" in kept, f"the mute of layer 2 was not kept beside the parameter file: {kept!r}")

    onsets = onsets_of(wav)
    if not check(onsets, "nothing was heard before the mute key"):
        return
    # Play after Rewind starts the rhythm from its beginning: the onset of its time 0 is the one
    # among the first few that lines the onsets before the mute up with the rhythm best (a click
    # as the stream starts may come first), refined by the median deviation.
    ahead = [t for t in expected if t <= before_ms - 200]

    def deviations(zero):
        near = [min(onsets, key=lambda o: abs(o - zero - t)) - zero - t for t in ahead]
        return sorted(d for d in near if abs(d) <= ONSET_TOLERANCE_MS * 2)

    first = max(onsets[:5], key=lambda zero: len(deviations(zero)))
    lined_up = deviations(first)
    first += lined_up[len(lined_up) // 2] if lined_up else 0.0
    heard = level(wav, first + 500, first + before_ms - 100)
    after = level(wav, first + muted_ms + 600, first + unmuted_ms - 100)
    print(f"mute by key: level {heard:.0f} before, {after:.0f} after muting layer 2 "
          f"(key at {before_ms:.0f}..{muted_ms:.0f} ms)")
    check(heard > 300 and after < 0.75 * heard, f"the level did not drop after muting layer 2: {heard:.0f} -> {after:.0f}")

    check(len(ahead) >= 8 and len(lined_up) >= MATCH_SHARE * len(ahead),
          f"after Rewind, Play did not start the rhythm from its beginning: {len(lined_up)} of {len(ahead)} times")
    window = [t for t in expected if muted_ms + 600 <= t <= unmuted_ms - 200]
    found = [t for t in window if any(abs(o - first - t) <= ONSET_TOLERANCE_MS for o in onsets)]
    print(f"mute by key: {len(lined_up)} of {len(ahead)} note-on times heard before the mute, "
          f"{len(found)} of {len(window)} after it")
    check(len(window) >= 8 and len(found) >= MATCH_SHARE * len(window),
          f"the rhythm did not go on after the mute: heard {found} of {window}; onsets "
          f"{[round(o - first) for o in onsets]}")


def export_and_compare(session, main, render, typed, written):
    """File > Export (Ctrl+E) of ten seconds to the name `typed`; the file `written` must equal,
    byte for byte, what the render tool writes for the same settings and length."""
    session.keys(main, "ctrl+e")
    if not confirm_dialog(session, "export", ["ctrl+a", "type:0:10", "Return"], "export length dialog"):
        return
    chooser = session.wait_window("^export$", 15)  # the file dialog, its name field focused
    if not check(chooser, "export: no file dialog appeared"):
        return
    time.sleep(0.5)
    session.type_text(chooser, typed)
    session.keys(chooser, "Return")
    if not check(wait_for(lambda: os.path.exists(written), 30), f"export: {written} was not written"):
        return
    session.wait_window_gone(chooser, 10)
    tool = written + ".tool" + written[-4:]
    subprocess.run([render, "--layers", str(LAYERS), "--alpha", str(ALPHA_MS), "--beta", str(BETA_MS),
                    "--stop-at", "10000", "-o", tool], check=True, timeout=60, capture_output=True)
    with open(written, "rb") as ours, open(tool, "rb") as theirs:
        check(ours.read() == theirs.read(), f"export: {written} differs from the render tool's file")


def run(program, render):
    try:
        session = DesktopSession(screen=f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24")
    except Unavailable as reason:
        print("SKIP:", reason)
        return SKIP
    try:
        if not shutil.which("aubioonset"):
            print("SKIP: aubioonset is not installed (scripts/setup installs aubio-tools)")
            return SKIP
        return drive(session, program, render)
    finally:
        session.close()


def drive(session, program, render):
    # A scratch copy: the parameter file lives beside the executable and starts fresh.
    copy = session.install_program(program)
    par = os.path.join(os.path.dirname(copy), "pulseLattice.par")
    expected = expected_note_on_times(render, session.directory)

    app = session.spawn([copy], "program.log", cwd=session.directory)
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, "the main window did not appear: " + session.log("program.log")):
        return 1
    check(app.poll() is None, "the program ended after showing its window")
    started = file_state(par)
    check(started and len(started[2]) == PARAMETER_FILE_SIZE, "the first start did not write a 388-byte parameter file")
    if started:
        check(started[2][:HEADER_SIZE] == bytes(HEADER_SIZE), "a first start must write a zero header")

    # A second copy while the first runs: ends at once with 0, no window, the file untouched.
    second = session.spawn([copy], "second.log", cwd=session.directory)
    try:
        code = second.wait(15)
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, f"a second copy should end at once with status 0, got {code}: " + session.log("second.log"))
    check(len(session.visible_windows("^pulseLattice")) == 1, "a second main window is shown")
    check(file_state(par) == started, "the second copy changed the parameter file")
    check(app.poll() is None, "the first copy ended when the second started")

    # Play is greyed until a concept was accepted, so Ctrl+P in Idle is not delivered at all (a
    # delivered Play in Idle would open the concept dialog).
    session.keys(main, "ctrl+p")
    time.sleep(1.5)
    opened = session.visible_windows("^new concept$")
    if not check(not opened, "Ctrl+P right after start-up opened the concept dialog"):
        session.keys(opened[0], "Escape")
        session.wait_window_gone(opened[0])
    # Durations through Ctrl+Shift+D: the focus starts on "Okay"; two tabs reach the alpha edit.
    session.keys(main, "ctrl+shift+d")
    confirm_dialog(session, "hidden commands dialog",
                   ["Tab", "Tab", "ctrl+a", f"type:{ALPHA_MS}", "Tab", "ctrl+a", f"type:{BETA_MS}", "Return"],
                   "durations dialog")
    # Concept: Okay, Cancel, the concept list, (the disabled numeral edit), tempo, then layers.
    session.keys(main, "ctrl+c")
    confirm_dialog(session, "new concept", ["Tab", "Tab", "Tab", "Tab", "ctrl+a", f"type:{LAYERS}", "Return"],
                   "concept dialog")
    caption = wait_for(lambda: re.match(r"^pulseLattice -- +1\.618033988749\d+$", session.title(main)), 5)
    check(caption, f"the caption should show the golden ratio after the concept, it reads {session.title(main)!r}")

    # Record the null sink from before Play, once the recorder is really writing.
    recording = start_recording(session, "played")
    if not recording:
        return 1
    recorder, wav = recording
    session.keys(main, "ctrl+p")
    time.sleep(PLAY_SECONDS)
    session.keys(main, "ctrl+o")
    time.sleep(1.0)  # the decay of the last notes
    session.stop(recorder, signal.SIGINT)
    recorded_ms = wav_seconds(wav) * 1000.0
    compare_onsets(expected, onsets_of(wav), recorded_ms)

    # Export what was just played: the .mid filter adds its ending; a typed .wav ending is kept.
    exported = os.path.join(session.directory, "exported")
    export_and_compare(session, main, render, exported, exported + ".mid")
    export_and_compare(session, main, render, exported + ".wav", exported + ".wav")

    check_lattice_view(session, main)
    check_mute_by_key(session, main, expected, os.path.dirname(copy))

    # Close through File > Exit (Ctrl+X) and its confirmation, "okay" being the default button.
    geometry = session.geometry(main)
    session.keys(main, "ctrl+x")
    confirm_dialog(session, "confirmation", ["Return"], "exit confirmation")
    try:
        code = app.wait(20)
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, f"the program should end with status 0 after Exit, got {code}: " + session.log("program.log"))

    closed = file_state(par)
    if not check(closed and len(closed[2]) == PARAMETER_FILE_SIZE, "no 388-byte parameter file after closing"):
        return 1
    data = closed[2]
    check(data[:HEADER_SIZE] == bytes(HEADER_SIZE), "the header must stay zero")
    left, top, right, bottom = struct.unpack_from("<4i", data, 48)
    width, height = record_field(data, 68), record_field(data, 72)
    print(f"stored rectangle {left},{top},{right},{bottom}, size {width}x{height}; "
          f"window seen at {geometry.get('X')},{geometry.get('Y')} size {geometry.get('WIDTH')}x{geometry.get('HEIGHT')}")
    check(width > 0 and height > 0, "the placement's width and height must be stored")
    check((right - left, bottom - top) == (width, height), "the stored rectangle must have the stored size")
    check(geometry and (geometry["WIDTH"], geometry["HEIGHT"]) == (width, height),
          "the stored size must be the window's size on screen")
    # A first start centres the window and stores the screen it was centred on.
    check((left, top) == ((SCREEN_WIDTH - width) // 2, (SCREEN_HEIGHT - height) // 2),
          "a first start must leave the window centred")
    check((record_field(data, 12), record_field(data, 16)) == (SCREEN_WIDTH, SCREEN_HEIGHT),
          "the screen size must be stored when the window was centred")
    # Nothing was ticked "save as default": the defaults keep 8 layers and 240 ms durations.
    check((record_field(data, 144), record_field(data, 148), record_field(data, 152)) == (7, 240, 240),
          "settings not saved as default reached the parameter file")
    placement = os.path.join(os.path.dirname(copy), "pulseLattice.lattice")
    check(os.path.exists(placement), "the lattice window's placement was not kept beside the parameter file")
    config = os.path.join(session.directory, "config")
    check(not os.path.exists(os.path.join(config, "pulseLattice")),
          "a copy in a writable directory must not use the per-user configuration directory")
    check_prompt_stop_and_exit(session, copy, par)
    return 1 if failures else 0


def check_prompt_stop_and_exit(session, copy, par):
    """Numeral 1.000001, whose lowest layer plays about a million events per cycle: after Stop the
    sound must end within 1.6 s, and after Exit the program within 2 s."""
    with open(par, "r+b") as f:
        f.seek(HEADER_SIZE + 128)
        f.write(struct.pack("<di", 1.000001, 0))  # a typed numeral, no preset
    app = session.spawn([copy], "program2.log", cwd=session.directory)
    main = session.wait_window("^pulseLattice$", 30)
    if not check(main, "the main window did not appear again: " + session.log("program2.log")):
        return
    session.keys(main, "ctrl+c")
    confirm_dialog(session, "new concept", ["Return"], "concept dialog at 1.000001")
    recording = start_recording(session, "stop")
    if not recording:
        return
    recorder, wav = recording
    # Stop is placed in the recording by the first onset (Play) and the time between the two keys:
    # the recorder's file may lag behind the sound on a busy machine, the keys lag alike.
    played = time.monotonic()
    session.keys(main, "ctrl+p")
    time.sleep(2.5)
    session.keys(main, "ctrl+o")
    played_ms = (time.monotonic() - played) * 1000.0
    time.sleep(3.5)
    session.stop(recorder, signal.SIGINT)
    onsets = onsets_of(wav)
    if not check(onsets, "nothing was heard at numeral 1.000001"):
        return
    stopped_at_ms = onsets[0] + played_ms
    # A note is a jump in level; the detector also finds onsets in a long decay, which are not.
    late = [round(t - stopped_at_ms) for t in notes_among(wav, [o for o in onsets if o > stopped_at_ms + 1600.0])]
    print(f"1.000001: {len(onsets)} onsets, the last {round(onsets[-1] - stopped_at_ms)} ms after Stop")
    check(not late, f"sound went on after Stop at numeral 1.000001: notes {late} ms after it")

    session.keys(main, "ctrl+p")
    time.sleep(1.0)
    session.keys(main, "ctrl+x")
    dialog = session.wait_window("^confirmation$", 15)
    if not check(dialog, "Exit did not ask for confirmation"):
        return
    time.sleep(0.3)
    asked = time.monotonic()
    session.keys(dialog, "Return")
    try:
        code = app.wait(20)
    except subprocess.TimeoutExpired:
        code = None
    took = time.monotonic() - asked
    print(f"1.000001: Exit while playing took {took:.2f} s")
    check(code == 0 and took < 2.0, f"Exit while playing at 1.000001 should end the program within 2 s, took {took:.2f} s")


if __name__ == "__main__":
    checks.main(run, 2, __doc__)
