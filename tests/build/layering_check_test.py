#!/usr/bin/env python3
"""The include layering check passes on the tree and fails on each kind of include it exists to stop."""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from checks import check, failures  # noqa: E402

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
FOLDERS = ["common", "settings", "resources", "engine", "dialogs", "app", "platform", "tools", "harness",
           "benchmarks", "tests", "cmake"]
# (file to append to, include line): each must make the check fail, naming the file.
INJECTED = [
    ("platform/sound/jack_client.cpp", '#include "platform/qt/qt_message_box.h"'),
    ("platform/os/single_instance.cpp", "#include <QString>"),
    ("engine/generator.cpp", "#include <platform/sound/spsc_ring.h>"),
    ("app/lattice/lattice_layout.cpp", '#include "platform/qt/qt_lattice_view.h"'),
    ("benchmarks/jack_placement_benchmark.cpp", '#include "tests/core/stepped_clock.h"'),
    ("app/lattice/lattice_layout.cpp", '#include "../platform/qt/qt_lattice_view.h"'),
    ("app/commands.cpp", '#include "./lattice/../../platform/qt/qt_lattice_view.h"'),
    ("engine/playback.cpp", '#include "resources/command_ids.h"'),
    ("app/port_names.cpp", "#include <alsa/asoundlib.h>"),
    ("dialogs/device_choice.cpp", "#include <lo/lo.h>"),
]


def run_check(tree):
    return subprocess.run(["cmake", f"-DSOURCE_DIR={tree}", "-P", os.path.join(tree, "cmake", "check_layering.cmake")],
                          capture_output=True, text=True)


def copy_tree(target):
    for folder in FOLDERS:
        shutil.copytree(os.path.join(SOURCE, folder), os.path.join(target, folder))


with tempfile.TemporaryDirectory() as scratch:
    clean = os.path.join(scratch, "clean")
    copy_tree(clean)
    result = run_check(clean)
    check(result.returncode == 0, f"the tree itself fails the check:\n{result.stderr}")
    for index, (path, line) in enumerate(INJECTED):
        tree = os.path.join(scratch, f"injected{index}")
        shutil.copytree(clean, tree)
        with open(os.path.join(tree, path), "a") as source:
            source.write("\n" + line + "\n")
        result = run_check(tree)
        check(result.returncode != 0 and path in result.stderr, f"{path}: {line} passes the check")

print(f"{len(INJECTED) + 1 - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
