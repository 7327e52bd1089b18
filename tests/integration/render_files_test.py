#!/usr/bin/python3
"""The render tool's .mid and .wav files, read back by independent readers (mido, aubioonset).

Usage: render_files_test.py PATH/TO/pulselattice-render. Exit 0 pass, 1 fail, 77 skip.
"""
import functools
import os
import shutil
import subprocess
import sys
import tempfile

import render_support
from render_support import import_mido, report

mido = import_mido()
# hfc onsets of these piano notes come 0 to 6 ms after the note-on (the detector's frame).
WAV_TOLERANCE_MS = 10
failures = []


render = functools.partial(render_support.render, text=True)


def text_messages(args):
    result = render(args, "-")
    assert result.returncode == 0, result.stderr
    messages = []
    for line in result.stdout.splitlines():
        t, status, d1, d2 = line.split()
        messages.append((int(t), int(status, 16), int(d1, 16), int(d2, 16)))
    return messages


def midi_messages(path, beat_ms):
    """Per track, (ms, status, d1, d2) in file order, and the tick of each track's end-of-track."""
    midi = mido.MidiFile(path)
    if midi.type != 1 or midi.ticks_per_beat != beat_ms:
        failures.append(f"{path}: type {midi.type}, {midi.ticks_per_beat} ticks per quarter, expected {beat_ms}")
    # The tempo map of a type-1 file is in its first track and holds for every track.
    tempos = [m.tempo for m in midi.tracks[0] if m.type == "set_tempo"] if midi.tracks else []
    if tempos != [beat_ms * 1000]:
        failures.append(f"{path}: expected one tempo of {beat_ms} ms per beat in the first track, found {tempos}")
    tempo = tempos[0] if tempos else 500000
    tracks, names, ends = [], [], []
    for track in midi.tracks:
        tick, events = 0, []
        for message in track:
            tick += message.time
            if message.type == "end_of_track":
                ends.append(tick)
            if message.is_meta:
                continue
            ms = mido.tick2second(tick, midi.ticks_per_beat, tempo) * 1000
            if round(ms) != tick:
                failures.append(f"{path}: tick {tick} is {ms} ms, not one tick per ms")
            raw = message.bytes() + [0]  # a program change has one data byte; the list shows 00
            events.append((tick, raw[0], raw[1], raw[2]))
        tracks.append(events)
        names.append(track.name)
    if len(set(ends)) != 1 or len(ends) != len(midi.tracks):
        failures.append(f"{path}: tracks end at ticks {ends}, expected one common end-of-track")
    return tracks, names


def paired(messages):
    """The message list as a clean .mid holds it: a note-on on a channel and pitch that still sounds
    first ends that note at the same time, a note-off of a note not sounding is left out, and notes
    still sounding at the end end there, channel by channel, lowest pitch first."""
    sounding, out = set(), []
    for t, status, d1, d2 in messages:
        kind, channel = status & 0xF0, status & 0x0F
        off = kind == 0x80 or (kind == 0x90 and d2 == 0)
        if off:
            if (channel, d1) not in sounding:
                continue
            sounding.discard((channel, d1))
        elif kind == 0x90:
            if (channel, d1) in sounding:
                out.append((t, 0x80 | channel, d1, 64))
            sounding.add((channel, d1))
        out.append((t, status, d1, d2))
    end = max((m[0] for m in out), default=0)
    out += [(end, 0x80 | channel, pitch, 64) for channel, pitch in sorted(sounding)]
    return out


def check_clean_notes(name, path):
    """Read back by mido: per track, channel and pitch no note starts while it sounds, no note-off
    comes without its note, nothing sounds at the end; every track ends at the same tick; the tempo
    track holds a 4/4 time signature."""
    midi = mido.MidiFile(path)
    signatures = [(m.numerator, m.denominator) for m in midi.tracks[0] if m.type == "time_signature"]
    if signatures != [(4, 4)]:
        failures.append(f"{name}: time signatures {signatures} in the tempo track, expected one 4/4")
    ends = set()
    for track in midi.tracks:
        tick, sounding, problems = 0, set(), []
        for m in track:
            tick += m.time
            if m.type == "end_of_track":
                ends.add(tick)
            if m.type not in ("note_on", "note_off"):
                continue
            key = (m.channel, m.note)
            if m.type == "note_on" and m.velocity > 0:
                if key in sounding:
                    problems.append(f"overlap {key} at {tick}")
                sounding.add(key)
            elif key in sounding:
                sounding.discard(key)
            else:
                problems.append(f"orphan note-off {key} at {tick}")
        if sounding:
            problems.append(f"still sounding at the end: {sorted(sounding)}")
        if problems:
            failures.append(f"{name}: track {track.name!r}: {problems[:5]}")
    if len(ends) != 1:
        failures.append(f"{name}: tracks end at ticks {sorted(ends)}, expected one common end")


def check_midi(name, args, directory, layers, beat_ms, on_grid=False):
    expected = paired(text_messages(args))
    path = os.path.join(directory, name + ".mid")
    result = render(args, path)
    if result.returncode != 0:
        failures.append(f"{name}: .mid render failed: {result.stderr}")
        return
    tracks, names = midi_messages(path, beat_ms)
    want_names = ["tempo"] + [f"layer {n + 1}" for n in range(layers)]
    if names != want_names or tracks[0]:
        failures.append(f"{name}: tracks {names}, expected {want_names} with only meta events in the first")
        return
    check_clean_notes(name, path)
    for layer in range(layers):
        want = [m for m in expected if (m[1] & 0x0F) // 2 == layer]
        if tracks[layer + 1] != want:
            failures.append(f"{name}: layer {layer + 1} differs: first file messages {tracks[layer + 1][:5]}, "
                            f"expected {want[:5]} ({len(tracks[layer + 1])} vs {len(want)} messages)")
    if on_grid:  # every event lasts whole beats, so every note-on starts a beat
        off = [m for t in tracks for m in t if m[1] & 0xF0 == 0x90 and m[0] % beat_ms]
        if off:
            failures.append(f"{name}: note-ons off the beat grid of {beat_ms} ticks: {off[:5]}")


def check_wav(name, args, directory):
    expected = [m[0] for m in text_messages(args) if m[1] & 0xF0 == 0x90 and (m[1] & 0x0F) < 2]
    path = os.path.join(directory, name + ".wav")
    result = render(args, path)
    if result.returncode != 0:
        failures.append(f"{name}: .wav render failed: {result.stderr}")
        return
    with open(path, "rb") as f:
        header = f.read(44)
    channels = int.from_bytes(header[22:24], "little")
    rate = int.from_bytes(header[24:28], "little")
    bits = int.from_bytes(header[34:36], "little")
    if (header[:4], header[8:12], channels, rate, bits) != (b"RIFF", b"WAVE", 2, 44100, 16):
        failures.append(f"{name}: not a 44.1 kHz 16-bit stereo WAV: {channels} ch, {rate} Hz, {bits} bit")
    onsets = subprocess.run(["aubioonset", "-i", path], capture_output=True, text=True, timeout=120)
    found = [round(float(x) * 1000) for x in onsets.stdout.split()]
    missing = [t for t in expected if not any(0 <= f - t <= WAV_TOLERANCE_MS or abs(f - t) <= 2 for f in found)]
    extra = [f for f in found if not any(-2 <= f - t <= WAV_TOLERANCE_MS for t in expected)]
    if missing or extra:
        failures.append(f"{name}: note-ons without onset {missing}, onsets without note-on {extra}")
    last = expected[-1] if expected else 0
    frames = (os.path.getsize(path) - 44) // 4
    if frames < (last + 500) * 44.1:
        failures.append(f"{name}: {frames} frames end before the release tail of the note at {last} ms")


def check_mute(directory):
    """--mute 2,3 leaves out exactly those layers' note-ons; their note-offs stay in the list and
    are left out of the .mid, where nothing of them sounds."""
    args = ["--layers", "4", "--numeral", "PI", "--stop-at", "9000"]
    full, muted = text_messages(args), text_messages([*args, "--mute", "2,3"])
    want = [m for m in full if not (m[1] & 0xF0 == 0x90 and (m[1] & 0x0F) // 2 in (1, 2))]
    if muted != want or len(muted) == len(full):
        failures.append(f"--mute 2,3: {len(muted)} messages, expected {len(want)} of {len(full)}")
    path = os.path.join(directory, "muted.mid")
    if render([*args, "--mute", "2,3"], path).returncode != 0:
        failures.append("--mute 2,3: the .mid was not written")
        return
    check_clean_notes("muted", path)
    tracks, _names = midi_messages(path, 240)
    notes = [m for layer in (2, 3) for m in tracks[layer] if m[1] & 0xF0 in (0x80, 0x90)]
    if notes:
        failures.append(f"--mute 2,3: the .mid holds notes of the muted layers: {notes[:5]}")


def check_from_counters(directory):
    """--from-counters with the counters after two passes (each event sends one note-on) plays
    what the third to fifth passes of a run from the beginning play."""
    base = ["--layers", "3", "--numeral", "e", "--alpha", "200", "--beta", "300"]
    first = text_messages([*base, "--passes", "2"])[16:]
    whole = text_messages([*base, "--passes", "5"])[16:]
    counters = [sum(1 for m in first if m[1] & 0xF0 == 0x90 and (m[1] & 0x0F) // 2 == layer) for layer in range(8)]
    resumed = text_messages([*base, "--passes", "3", "--from-counters", ",".join(map(str, counters))])[16:]
    start = first[-1][0]
    want = [(t - start, status, d1, d2) for t, status, d1, d2 in whole[len(first):]]
    if not first or whole[:len(first)] != first or resumed != want:
        failures.append(f"--from-counters {counters}: {len(resumed)} messages differ from the live continuation "
                        f"({len(want)}): {resumed[:3]} vs {want[:3]}")
    # All zero is where a run starts anyway: the same bytes as without the option.
    plain = render([*base, "--passes", "2"], "-").stdout
    zero = render([*base, "--passes", "2", "--from-counters", "0,0,0,0,0,0,0,0"], "-").stdout
    if plain != zero:
        failures.append("--from-counters 0,...,0 differs from a run without it")
    for bad in ("1,2,3,4,5,6,7,8,9", "-1", "1,,2", "4294967296", "x"):
        result = render([*base, "--passes", "1", "--from-counters", bad], "-")
        if result.returncode != 2 or "--from-counters" not in result.stderr:
            failures.append(f"--from-counters {bad}: exit {result.returncode}, stderr {result.stderr.strip()}")
    for bad in ("0", "9", "2,2", "", "1,"):
        result = render([*base, "--passes", "1", "--mute", bad], "-")
        if result.returncode != 2 or "--mute" not in result.stderr:
            failures.append(f"--mute {bad!r}: exit {result.returncode}, stderr {result.stderr.strip()}")


def check_bad_options(directory):
    for args, option in [(["--layers", "9", "--passes", "1"], "--layers"),
                         (["--passes", "1", "--tempo", "x"], "--tempo")]:
        for ending in (".mid", ".wav"):
            path = os.path.join(directory, "bad" + ending)
            result = render(args, path)
            lines = result.stderr.strip().splitlines()
            if result.returncode != 2 or len(lines) != 1 or option not in lines[0] or os.path.exists(path):
                failures.append(f"bad {option} with {ending}: exit {result.returncode}, stderr {lines}, "
                                f"file written: {os.path.exists(path)}")


def main():
    if shutil.which("aubioonset") is None:
        print("SKIP: aubioonset is not installed (scripts/setup installs aubio-tools)")
        return 77
    directory = tempfile.mkdtemp(prefix="pulselattice-render-")
    try:
        check_midi("defaults", ["--passes", "2"], directory, 8, 240, on_grid=True)
        check_midi("stopped", ["--numeral", "PI", "--layers", "4", "--stop-at", "7000"], directory, 4, 240)
        check_midi("modulated", ["--layers", "3", "--modulation", "2,alpha,5,-7", "--passes", "3"], directory, 3, 240)
        check_midi("tempo", ["--layers", "5", "--tempo", "120", "--alpha", "200", "--beta", "400", "--passes", "2"],
                   directory, 5, 250, on_grid=True)
        check_wav("one-layer", ["--layers", "1", "--stop-at", "6000"], directory)
        check_wav("one-layer-tempo", ["--layers", "1", "--tempo", "150", "--passes", "12"], directory)
        check_mute(directory)
        check_from_counters(directory)
        check_bad_options(directory)
    finally:
        shutil.rmtree(directory, ignore_errors=True)
    return report("render files", failures)


if __name__ == "__main__":
    sys.exit(main())
