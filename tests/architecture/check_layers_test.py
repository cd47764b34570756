#!/usr/bin/env python3
"""The layer check catches an include that crosses a layer the wrong way, in a small tree."""
import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).with_name("check_layers.py")

FILES = {
    "config/a.h": '#include "config/b.h"\n#include "device/link.h"\n',   # config reaches up
    "cli/c.cpp": '#include "ops/outcome.h"\n#include "ui/main_dialog.h"\n',  # cli into the window
    "ui/d.cpp": '#include "ui/framework/dialog.h"\n#include "ui/qt/qt_window.h"\n',  # a backend
    "ops/e.cpp": '#include "device/sim/recorder.h"\n',  # the core on the simulator
    "device/platform_backend.cpp": '#include "device/v4l2/v4l2_backend.h"\n',  # the chooser
    "tests/t.cpp": '#include "ui/qt/qt_window.h"\n',  # tests reach anywhere
}
EXPECTED = [
    "config/a.h:2 includes device/link.h",
    "cli/c.cpp:2 includes ui/main_dialog.h",
    "ops/e.cpp:1 includes device/sim/recorder.h",
    "ui/d.cpp:2 includes ui/qt/qt_window.h",
]

with tempfile.TemporaryDirectory() as folder:
    root = pathlib.Path(folder)
    for name, text in FILES.items():
        (root / name).parent.mkdir(parents=True, exist_ok=True)
        (root / name).write_text(text)
    run = subprocess.run([sys.executable, str(CHECK), folder], capture_output=True, text=True)
    found = sorted(line.split(":")[0] + ":" + line.split(":")[1].split(" ")[0] + " includes " +
                   line.split(" includes ")[1].split(":")[0]
                   for line in run.stdout.splitlines() if " includes " in line)
    if run.returncode != 1 or found != sorted(EXPECTED):
        print("expected exit 1 and:\n  " + "\n  ".join(sorted(EXPECTED)))
        print(f"got exit {run.returncode} and:\n{run.stdout}{run.stderr}")
        sys.exit(1)
print("the layer check catches each wrong include and passes the right ones")
