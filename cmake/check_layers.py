#!/usr/bin/env python3
"""Fails the build when a file includes a header of a folder it may not use.

Each folder is a layer; dependencies point down only. The table below is the one the README's
"How the code is arranged" describes; a change to either is a change to both.
Usage: check_layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

DOWN = ["lang", "report", "network", "base"]
ALLOWED = {
    "base": ["base"],
    "lang": ["lang", "base"],
    "network": ["network", "base"],
    # Loaded at run time, never linked: the records it fills are all it shares with network/.
    "provider": ["provider", "base", "network/iphlpapi_records.h", "network/wlanapi_records.h"],
    "report": ["report", "network", "lang", "base"],
    "presenter": ["presenter"] + DOWN,
    "ui": ["ui", "presenter"] + DOWN,
    # Both windows draw the report markup through the one toolkit-free parser.
    "winui": ["winui", "presenter", "ui/markup/markup_parser.h"] + DOWN,
    "shell": ["shell", "lang", "base"],
    "app": ["app", "ui", "winui", "shell", "presenter"] + DOWN,
    "tools": ["tools", "report", "shell", "network", "lang", "base"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def allowed(include: str, rules: list[str]) -> bool:
    if "/" not in include:
        return True  # a header beside the file
    return any(include == rule or include.startswith(rule + "/") for rule in rules)


def main() -> int:
    root = pathlib.Path(sys.argv[1])
    layers = set(ALLOWED) | {"tests", "bench", "fuzz", "cmake", "resources", "docs", "build"}
    wrong = []
    for folder, rules in ALLOWED.items():
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp", ".rc") or not path.is_file():
                continue
            for include in INCLUDE.findall(path.read_text(errors="replace")):
                if include.split("/")[0] in layers and not allowed(include, rules):
                    wrong.append(f"{path.relative_to(root)}: includes \"{include}\", "
                                 f"which {folder}/ may not use")
    for line in wrong:
        print(f"layer check: {line}", file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
