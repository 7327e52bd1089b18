#!/usr/bin/python3
"""The render tool's outputs when things go wrong: a full disk, a failing standard output, values
the dialogs would refuse, and notes above 127 in a .mid.

Usage: render_output_test.py PATH/TO/pulselattice-render. Exit 0 pass, 1 fail, 77 skip.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from render_support import RENDER, import_mido, render, report

mido = import_mido()
failures = []
skips = []


def parameter_file(path, numeral, tempo):
    """A whole parameter file: header, then the record with the numeral and the tempo set (the rest
    zero); the tool checks the numeral and the tempo first."""
    record = bytearray(376)
    struct.pack_into("<i", record, 120, -1)        # midiDeviceId: MIDI_MAPPER
    struct.pack_into("<d", record, 128, numeral)
    struct.pack_into("<i", record, 136, 0)         # numeralPreset: typed
    struct.pack_into("<i", record, 140, tempo)
    with open(path, "wb") as f:
        f.write(bytes(12) + bytes(record))


def check_full_disk(directory):
    mount = os.path.join(directory, "full")
    os.mkdir(mount)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", mount],
                      capture_output=True).returncode != 0:
        skips.append("full disk: cannot mount a tmpfs here (needs root)")
        return
    try:
        for ending in (".txt", ".mid", ".wav"):
            target = os.path.join(mount, "old" + ending)
            old = os.urandom(1000)
            with open(target, "wb") as f:
                f.write(old)
            result = render(["--passes", "40"], target)  # far more than 64 kB in every format
            with open(target, "rb") as f:
                kept = f.read()
            if result.returncode != 1 or kept != old or sorted(os.listdir(mount)) != ["old" + ending]:
                failures.append(f"full disk {ending}: exit {result.returncode}, old file kept: {kept == old}, "
                                f"files {os.listdir(mount)}")
            os.remove(target)
    finally:
        subprocess.run(["umount", mount])


def check_links_and_read_only(directory):
    real = os.path.join(directory, "real.mid")
    link = os.path.join(directory, "link.mid")
    with open(real, "wb") as f:
        f.write(b"old")
    os.symlink("real.mid", link)
    result = render(["--passes", "1"], link)
    with open(real, "rb") as f:
        written = f.read()
    if result.returncode != 0 or not os.path.islink(link) or written[:4] != b"MThd":
        failures.append(f"symlink: exit {result.returncode}, still a link: {os.path.islink(link)}, target {written[:4]}")
    os.chmod(real, 0o444)  # refused even for root: the file says it is not to be changed
    result = render(["--passes", "2"], link)
    with open(real, "rb") as f:
        kept = f.read()
    if result.returncode != 1 or len(result.stderr.decode().strip().splitlines()) != 1 or kept != written:
        failures.append(f"read-only target: exit {result.returncode}, stderr {result.stderr}")
    os.chmod(real, 0o644)


def check_standard_output():
    with open("/dev/full", "wb") as full:
        result = subprocess.run([RENDER, "--passes", "1", "-o", "-"], stdout=full, stderr=subprocess.PIPE,
                                timeout=60)
    if result.returncode != 1:
        failures.append(f"-o - > /dev/full: exit {result.returncode}, expected 1")


def check_refused_settings(directory):
    for name, numeral, tempo, field in [("nan", float("nan"), 96, "numeral"), ("tempo0", 1.5, 0, "tempo"),
                                        ("huge", -1e100, 96, "numeral")]:
        par = os.path.join(directory, name + ".par")
        parameter_file(par, numeral, tempo)
        out = os.path.join(directory, name + ".mid")
        result = render(["--settings", par, "--stop-at", "60000"], out)
        lines = result.stderr.decode().strip().splitlines()
        if result.returncode != 2 or len(lines) != 1 or field not in lines[0] or os.path.exists(out):
            failures.append(f"--settings {name}: exit {result.returncode}, stderr {lines}")
    # Options take what the dialogs offer: the modulation layer is 2 to 8, the offsets bounded by
    # the tables (128 minus the largest note 90 of the built-in tables gives 38).
    for args in (["--modulation", "1,alpha,0,0"], ["--note-offset", "39"]):
        result = render([*args, "--passes", "1"], os.path.join(directory, "refused.txt"))
        if result.returncode != 2:
            failures.append(f"{' '.join(args)}: exit {result.returncode}, the dialogs refuse it")


def check_notes_above_127(directory):
    out = os.path.join(directory, "high.mid")
    result = render(["--note-offset", "38", "--passes", "2"], out)
    listed = render(["--note-offset", "38", "--passes", "2"], "-").stdout.decode().splitlines()
    invalid = [line for line in listed if any(int(b, 16) > 0x7F for b in line.split()[2:])]
    lines = result.stderr.decode().strip().splitlines()
    if result.returncode != 0 or not invalid or len(lines) != 1 or str(len(invalid)) not in lines[0]:
        failures.append(f"note offset 38: exit {result.returncode}, {len(invalid)} invalid in the list, "
                        f"stderr {lines}")
        return
    try:  # mido refuses a data byte above 127 as it reads
        mido.MidiFile(out)
    except (OSError, ValueError) as error:
        failures.append(f"note offset 38: the .mid does not read back: {error}")


def main():
    directory = tempfile.mkdtemp(prefix="pulselattice-output-")
    try:
        check_full_disk(directory)
        check_links_and_read_only(directory)
        check_standard_output()
        check_refused_settings(directory)
        check_notes_above_127(directory)
    finally:
        shutil.rmtree(directory, ignore_errors=True)
    return report("render outputs", failures, skips)


if __name__ == "__main__":
    sys.exit(main())
