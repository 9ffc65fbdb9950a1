"""Runs the installed window program with --help under a throw-away X session: the usage box
must appear without the main window, and its OK end the program with status 0."""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from desktop_session import Display, wait_for  # noqa: E402


def main(exe):
    display = Display(tray=False)
    try:
        env = dict(display.env, LANG="C.UTF-8", QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="qmr-rt-"))
        env.pop("QMR_IPHELPER_LIBRARY", None)
        proc = subprocess.Popen([exe, "--help"], env=env)
        try:
            boxes = wait_for(lambda: display.windows_of("qmr", "^Help Info$", min_width=100), 20)
            if not boxes:
                print("no usage box appeared", file=sys.stderr)
                return 1
            if display.windows_of("qmr", "^Quillmere$", min_width=100):
                print("the main window opened beside the usage box", file=sys.stderr)
                return 1
            display.x("xdotool", "windowactivate", "--sync", str(boxes[0]))
            display.key("Return")
            code = proc.wait(10)
            print(f"usage box shown and closed; {exe} ended with {code}")
            return 0 if code == 0 else 1
        finally:
            if proc.poll() is None:
                proc.kill()
    finally:
        display.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
