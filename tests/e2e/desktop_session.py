"""A throw-away X session (Xvfb, openbox, optionally trayer) and private network namespaces for
whole-program tests of Quillmere. Nothing here touches the host's links."""

import os
import re
import shutil
import subprocess
import time

ARTIFACTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "artifacts")


def run(*args, check=True, timeout=60, **kw):
    return subprocess.run(list(args), check=check, capture_output=True, text=True, timeout=timeout, **kw)


def wait_for(predicate, timeout, step=0.1):
    """Polls until predicate() is truthy; returns its last value."""
    deadline = time.monotonic() + timeout
    value = predicate()
    while not value and time.monotonic() < deadline:
        time.sleep(step)
        value = predicate()
    return value


class Namespace:
    """A network namespace with a veth pair (peer in a second namespace) and tap devices."""

    def __init__(self, tag):
        self.name = f"qmr-{tag}-{os.getpid()}"
        self.peer = self.name + "-far"
        run("ip", "netns", "add", self.name)
        run("ip", "netns", "add", self.peer)
        # No IPv6: its router and neighbour solicitations would move the byte counters.
        for ns in (self.name, self.peer):
            self.exec("sysctl", "-qw", "net.ipv6.conf.all.disable_ipv6=1", ns=ns)
            self.exec("sysctl", "-qw", "net.ipv6.conf.default.disable_ipv6=1", ns=ns)
        self.exec("ip", "link", "set", "lo", "up")

    def exec(self, *args, ns=None, check=True):
        return run("ip", "netns", "exec", ns or self.name, *args, check=check)

    def veth(self, name, far, alias=None, address=None, gateway=None):
        run("ip", "-n", self.name, "link", "add", name, "type", "veth", "peer", "name", far,
            "netns", self.peer)
        if alias:
            run("ip", "-n", self.name, "link", "set", name, "alias", alias)
        if address:
            run("ip", "-n", self.name, "addr", "add", address, "dev", name)
        run("ip", "-n", self.name, "link", "set", name, "up")
        if gateway:
            run("ip", "-n", self.peer, "addr", "add", gateway + "/24", "dev", far)
        run("ip", "-n", self.peer, "link", "set", far, "up")
        if gateway:
            run("ip", "-n", self.name, "route", "add", "default", "via", gateway, "dev", name)

    def tap(self, name, alias=None, address=None):
        run("ip", "-n", self.name, "tuntap", "add", name, "mode", "tap")
        if alias:
            run("ip", "-n", self.name, "link", "set", name, "alias", alias)
        if address:
            run("ip", "-n", self.name, "addr", "add", address, "dev", name)
        run("ip", "-n", self.name, "link", "set", name, "up")

    def delete_link(self, name):
        run("ip", "-n", self.name, "link", "del", name)

    def close(self):
        run("ip", "netns", "del", self.name, check=False)
        run("ip", "netns", "del", self.peer, check=False)


class Display:
    """Xvfb at 96 dots per inch with openbox, and trayer as notification area when asked."""

    def __init__(self, tray, screen="1280x800", tray_width=None):
        self.number = self._free_display()
        self.env = dict(os.environ, DISPLAY=f":{self.number}")
        self.env.pop("WAYLAND_DISPLAY", None)
        self.procs = []
        # -noreset: a server that resets when its last client leaves refuses whoever connects
        # meanwhile, such as openbox after the readiness probe below.
        self._start("Xvfb", f":{self.number}", "-screen", "0", f"{screen}x24", "-dpi", "96",
                    "-nolisten", "tcp", "-noreset")
        # The socket appears before the server takes connections; a client started in between
        # (openbox, under load) fails to open the display and exits.
        if not wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{self.number}") and
                        self.x("xprop", "-root", "_NET_CLIENT_LIST").returncode == 0, 10):
            raise RuntimeError("Xvfb did not start")
        self._start("openbox", "--sm-disable")
        # The client list is set once openbox manages windows; without a window manager every
        # test of minimising, placing or activating would fail for a reason of its own.
        if not wait_for(lambda: self.xprop_root("_NET_CLIENT_LIST"), 10):
            raise RuntimeError("openbox did not start")
        if tray:
            # A panel of fixed width for Wine, whose stand-in for a foreign X window keeps the
            # size that window had when first seen: a panel that grows with its first icon
            # leaves that icon outside Wine's idea of it, unclickable.
            width = (["--widthtype", "request"] if tray_width is None else
                     ["--widthtype", "pixel", "--width", str(tray_width)])
            self._start("trayer", "--edge", "top", "--align", "right", *width,
                        "--height", "24", "--SetDockType", "true", "--transparent", "false",
                        "--expand", "true")
            if not wait_for(lambda: self.xprop_root("_NET_CLIENT_LIST") and
                            self.search("--class", "trayer"), 10):
                raise RuntimeError("trayer did not start")

    @staticmethod
    def _free_display():
        n = 90 + os.getpid() % 100
        while os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
            n += 1
        return n

    def _start(self, *args):
        self.procs.append(subprocess.Popen(list(args), env=self.env, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))

    def x(self, *args, check=False):
        return run(*args, check=check, env=self.env)

    def xprop_root(self, prop):
        out = self.x("xprop", "-root", prop).stdout
        return "not found" not in out and "no such atom" not in out and out.strip() != ""

    def search(self, *args):
        out = self.x("xdotool", "search", *args).stdout.split()
        return [int(w) for w in out]

    def wm_name(self, wid):
        # _NET_WM_NAME carries UTF-8 titles, which xdotool's name search does not match; xprop
        # prints them as they are in a UTF-8 locale.
        out = run("xprop", "-id", str(wid), "_NET_WM_NAME", check=False,
                  env=dict(self.env, LC_ALL="C.UTF-8")).stdout
        m = re.search(r'= "(.*)"', out)
        return m.group(1) if m else None

    def windows_of(self, klass, name_pattern=None, min_width=0, max_width=100000, viewable=False):
        found = []
        for wid in self.search("--classname", klass):
            try:
                x, y, w, h = self.geometry(wid)
            except AttributeError:
                continue
            if not (min_width <= w <= max_width):
                continue
            if viewable and self.map_state(wid) != "IsViewable":
                continue
            if name_pattern is not None and not re.search(name_pattern, self.wm_name(wid) or ""):
                continue
            found.append(wid)
        return found

    def map_state(self, wid):
        m = re.search(r"Map State: (\w+)", self.x("xwininfo", "-id", str(wid)).stdout)
        return m.group(1) if m else None

    def wm_state(self, wid):
        m = re.search(r"window state: (\w+)", self.x("xprop", "-id", str(wid), "WM_STATE").stdout)
        return m.group(1) if m else None

    def geometry(self, wid):
        out = self.x("xwininfo", "-id", str(wid)).stdout
        get = lambda key: int(re.search(key + r":\s+(-?\d+)", out).group(1))
        return get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"), get("Height")

    def click(self, wid, x, y, button=1):
        self.x("xdotool", "mousemove", "--window", str(wid), str(x), str(y), check=True)
        time.sleep(0.1)
        self.x("xdotool", "click", str(button), check=True)

    def key(self, *keys):
        self.x("xdotool", "key", "--delay", "120", *keys, check=True)

    def clipboard(self):
        # Bytes, so that the line ends arrive as they are (CRLF).
        out = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.env,
                             capture_output=True, timeout=30).stdout
        return out.decode("utf-8", "replace")

    def set_clipboard(self, text):
        # xclip stays behind to serve the selection, so its output must not be waited for.
        p = subprocess.Popen(["xclip", "-selection", "clipboard", "-quiet"], env=self.env,
                             stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        p.stdin.write(text.encode())
        p.stdin.close()
        wait_for(lambda: self.clipboard() == text, 5)
        self.procs.append(p)

    def screenshot(self, wid, name):
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, name)
        self.x("import", "-window", str(wid) if wid else "root", path)
        return path

    def pixels(self, wid):
        """The window's pixels as (width, height, rgb bytes)."""
        data = subprocess.run(["import", "-window", str(wid), "-depth", "8", "ppm:-"], env=self.env,
                              capture_output=True, check=True).stdout
        # P6 header: magic, width, height, maxval, each followed by whitespace.
        fields = data.split(maxsplit=4)
        width, height = int(fields[1]), int(fields[2])
        return width, height, fields[4][-(width * height * 3):]

    def close(self):
        for p in reversed(self.procs):
            p.terminate()
        for p in self.procs:
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()


def can_run():
    """Why whole-program tests cannot run here, or None."""
    if os.geteuid() != 0:
        return "needs root for network namespaces"
    for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xwininfo", "xprop", "import", "ip"):
        if shutil.which(tool) is None:
            return f"{tool} is not installed"
    return None
