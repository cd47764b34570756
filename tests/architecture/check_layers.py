#!/usr/bin/env python3
"""Checks that every #include in the source tree points down the layers of docs/architecture.md.

    check_layers.py SOURCE_ROOT

Prints each include that crosses a layer the wrong way ("ui/main_dialog.cpp:12 includes
ui/qt/qt_window.h: ui/ may not include a backend") and exits 1 when there is any.
"""
import pathlib
import re
import sys

# Folder of the including file (longest match wins) -> include prefixes it may use.
# The portable core builds for Linux and Windows alike, so no layer above the backends names
# one of them; the backends and the program shells are where the platforms meet.
PORTABLE_DEVICE = ("device/",)
DEVICE_BACKENDS = ("device/v4l2/", "device/sim/", "device/dshow/")
UI_BACKENDS = ("ui/qt/", "ui/win32/", "ui/headless/")
RULES = {
    "config/": (("config/",), ()),
    "block/": (("config/", "block/"), ()),
    "device/": (("config/", "device/"), DEVICE_BACKENDS),
    "device/v4l2/": (("config/", "device/"), ("device/sim/", "device/dshow/")),
    "device/sim/": (("config/", "device/"), ("device/v4l2/", "device/dshow/")),
    "device/dshow/": (("config/", "device/"), ("device/v4l2/", "device/sim/")),
    "ops/": (("config/", "block/", "device/", "ops/"), DEVICE_BACKENDS),
    "ui/framework/": (("ui/framework/",), ()),
    "ui/": (("config/", "block/", "device/", "ops/", "ui/"), UI_BACKENDS + DEVICE_BACKENDS),
    "ui/qt/": (("config/", "device/", "ui/framework/", "ui/qt/"), ()),
    "ui/win32/": (("config/", "device/", "ui/framework/", "ui/win32/"), ()),
    "ui/headless/": (("config/", "device/", "ui/framework/", "ui/headless/"), ()),
    "cli/": (("config/", "block/", "device/", "ops/", "cli/"), DEVICE_BACKENDS),
    "app/": (("config/", "block/", "device/", "ops/", "ui/", "app/"), ()),
}
# The one place that chooses a backend for the programs.
CHOOSERS = {"device/platform_backend.cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def rule_for(path):
    best = None
    for folder in RULES:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def check(root):
    problems = []
    for file in sorted(root.rglob("*")):
        if file.suffix not in (".h", ".cpp") or not file.is_file():
            continue
        path = file.relative_to(root).as_posix()
        folder = rule_for(path)
        if folder is None:
            continue  # tests, tools, benchmarks and fuzz targets may reach anywhere
        allowed, forbidden = RULES[folder]
        for number, line in enumerate(file.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1)
            if "/" not in target:
                continue  # a header beside it, or a generated one
            if path in CHOOSERS and target.startswith(DEVICE_BACKENDS):
                continue
            if not target.startswith(allowed):
                problems.append(f"{path}:{number} includes {target}: {folder} may include only "
                                + ", ".join(allowed))
            elif target.startswith(forbidden):
                problems.append(f"{path}:{number} includes {target}: {folder} may not include a "
                                "platform backend")
    return problems


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    problems = check(pathlib.Path(sys.argv[1]))
    for problem in problems:
        print(problem)
    print(f"{len(problems)} include(s) across the layers the wrong way" if problems
          else "every include points down the layers")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
