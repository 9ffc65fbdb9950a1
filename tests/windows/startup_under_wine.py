#!/usr/bin/env python3
"""The real start-up under Wine, through the shell probe (the program's entry point with a
console in place of the window): the title from the version resource, the settings folder under
Wine's ProgramData (looked for from the Linux side, inside the prefix), the language file next
to the executable, "ru_RU" chosen for a Russian user interface and only for it, and --help."""

import argparse
import os
import shutil
import subprocess
import sys


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def run_probe(args, locale, *arguments):
    env = dict(os.environ, LANG=locale, LC_ALL=locale, LANGUAGE="")
    run = subprocess.run([args.runner, args.prefix, args.probe, *arguments], env=env,
                         capture_output=True, timeout=90)
    if run.returncode != 0:
        raise AssertionError(f"probe exited with {run.returncode}: {run.stderr!r}")
    lines = run.stdout.decode("utf-8").splitlines()
    return dict(line.split("=", 1) for line in lines if "=" in line), lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runner", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--probe", required=True)
    args = parser.parse_args()

    settings_on_linux = os.path.join(args.prefix, "drive_c", "ProgramData", "Quillmere")
    shutil.rmtree(settings_on_linux, ignore_errors=True)
    # Wine's drive Z: is the Linux root.
    exe_folder = "Z:" + os.path.dirname(os.path.abspath(args.probe)).replace("/", "\\") + "\\"
    failures = []

    def check(what, got, want):
        if got != want:
            failures.append(f"{what}: got {got!r}, want {want!r}")

    for locale, language in (("ru_RU.UTF-8", "ru_RU"), ("en_US.UTF-8", "en_EN"),
                             ("uk_UA.UTF-8", "en_EN")):
        values, lines = run_probe(args, locale)
        print(f"--- {locale}\n" + "\n".join(lines))
        check(f"{locale} title", values.get("title"), "Quillmere")
        check(f"{locale} window language", values.get("window-language"), language)
        check(f"{locale} settings file", unescape(values.get("after.settings-file", "")),
              "C:\\ProgramData\\Quillmere\\qmr.ini")
        check(f"{locale} log file", unescape(values.get("after.log-file", "")),
              "C:\\ProgramData\\Quillmere\\qmr.log")
        check(f"{locale} language file", unescape(values.get("after.language-file", "")),
              exe_folder + "language.ini")
        check(f"{locale} settings folder in the prefix", os.path.isdir(settings_on_linux), True)
        check(f"{locale} exception", values.get("exception"), None)

    values, lines = run_probe(args, "en_US.UTF-8", "-u", "--help")
    print("--- --help\n" + "\n".join(lines))
    check("--help caption", values.get("box-caption"), "Help Info")
    name = os.path.basename(args.probe)
    check("--help names the executable", f"\n\t{name} [params]\n" in
          unescape(values.get("box-text", "")), True)
    check("--help runs no window", "window-language" in values, False)

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
