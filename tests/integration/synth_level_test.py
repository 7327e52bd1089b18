#!/usr/bin/python3
"""The built-in synthesiser's level, read from the render tool's .wav: 8 layers of the default
concept peak near -6 dBFS, and no preset with 8 layers reaches full scale.

Usage: synth_level_test.py PATH/TO/pulselattice-render. Exit 0 pass, 1 fail.
"""
import array
import math
import os
import sys
import tempfile
import wave

from render_support import render, report

PRESETS = ["1.5", "2.0", "3.0", "Sqrt(2.0)", "Sqrt(3.0)", "Sqrt(5.0)", "(1+Sqrt(5))/2", "(2+Sqrt(8))/2",
           "(3+Sqrt(13))/2", "e", "PI"]
# Every pass starts with all 8 layers striking together, so 30 s hold the loudest moment.
LENGTH = ["--layers", "8", "--stop-at", "30000"]


def peak_dbfs(args, path):
    render(args, path, check=True)
    with wave.open(path) as f:
        samples = array.array("h", f.readframes(f.getnframes()))
    peak = max(max(samples), -min(samples))
    return 20 * math.log10(max(peak, 1) / 32768)


# The level is set for the package's own General MIDI soundfont, whichever one the machine's
# FluidSynth prefers.
PACKAGE_SOUNDFONT = "/usr/share/sounds/sf2/TimGM6mb.sf2"


def main():
    if os.path.exists(PACKAGE_SOUNDFONT):
        os.environ.setdefault("PULSELATTICE_SOUNDFONT", PACKAGE_SOUNDFONT)
    failures = []
    with tempfile.TemporaryDirectory(prefix="pulselattice-level-") as directory:
        path = os.path.join(directory, "level.wav")
        default = peak_dbfs(LENGTH, path)
        print(f"default concept, 8 layers: peak {default:.2f} dBFS")
        if not -7.5 <= default <= -4.5:
            failures.append(f"the default concept peaks at {default:.2f} dBFS, not near -6")
        for preset in PRESETS:
            level = peak_dbfs(["--numeral", preset, *LENGTH], path)
            print(f"{preset}: peak {level:.2f} dBFS")
            if level > -1.0:  # 16-bit full scale is 0 dBFS: this close, a louder voice set clips
                failures.append(f"{preset} peaks at {level:.2f} dBFS")
    return report("synthesiser level", failures)


if __name__ == "__main__":
    sys.exit(main())
