"""Whole-program tests: the real qmr under Xvfb with openbox (and trayer), in private network
namespaces, driven by xdotool, the clipboard read with xclip. Screenshots go to artifacts/."""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from desktop_session import Display, Namespace, can_run, run, wait_for

BIN = None  # the build's bin folder, from the command line

# Positions inside the window at 96 dots per inch (the design's 120 scaled by 0.8).
ITEM_X = 60
DESIGN_W, DESIGN_H = 748, 473


def item_y(position):
    """Centre of the adapter item at this list position (1 is the first adapter)."""
    return 55 + 30 * (position - 1)


class WindowTest(unittest.TestCase):
    tray = False
    asan_options = "detect_leaks=0"
    screen = "1280x800"

    def setUp(self):
        reason = can_run()
        if reason:
            if os.environ.get("CI") == "true":
                self.fail(f"whole-program tests cannot run: {reason}")
            self.skipTest(reason)
        self.cleanups = []
        self.display = Display(tray=self.tray, screen=self.screen)
        self.addCleanup(self.display.close)

    def namespace(self, tag):
        ns = Namespace(tag)
        self.addCleanup(ns.close)
        return ns

    def start(self, *args, ns=None, lang="C.UTF-8", exe=None, extra_env=None, config_home=None):
        # Remembered choices go to a configuration home of the run's own (a fresh one unless a
        # test restarts on purpose), never to the user's, and never from one run into another.
        if config_home is None:
            config_home = tempfile.mkdtemp(prefix="qmr-config-")
            self.addCleanup(shutil.rmtree, config_home, True)
        env = dict(self.display.env, LANG=lang, ASAN_OPTIONS=self.asan_options,
                   QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="qmr-rt-"),
                   XDG_CONFIG_HOME=config_home, **(extra_env or {}))
        env.pop("LC_ALL", None)
        env.pop("LC_MESSAGES", None)
        cmd = [exe or os.path.join(BIN, "qmr"), *args]
        if ns is not None:
            cmd = ["ip", "netns", "exec", ns.name, *cmd]
        proc = subprocess.Popen(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)

        def stop():
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(10)
                except subprocess.TimeoutExpired:
                    proc.kill()
        self.addCleanup(stop)
        return proc

    def window(self, name="^Quillmere$", timeout=20):
        # Qt names helper windows (its client leader, the tray icon) like the main window; the
        # main window is the big one.
        found = wait_for(lambda: self.display.windows_of("qmr", name, min_width=100), timeout)
        self.assertTrue(found, f"no window named {name}")
        return found[0]

    def copy(self, wid):
        x0, y0, w, h = self.display.geometry(wid)
        marker = "(nothing copied)"
        self.display.set_clipboard(marker)
        self.display.click(wid, 605 + 67 + (w - DESIGN_W), 438 + 13 + (h - DESIGN_H))
        wait_for(lambda: self.display.clipboard() != marker, 5)
        return self.display.clipboard()

    def toggle_expert(self, wid):
        x0, y0, w, h = self.display.geometry(wid)
        self.display.click(wid, 25, 438 + 10 + (h - DESIGN_H))

    def item_present(self, wid, position):
        """Whether the list paints an item at this position (anything but white in its band)."""
        width, height, rgb = self.display.pixels(wid)
        y = item_y(position)
        for x in range(20, 200):
            r, g, b = rgb[(y * width + x) * 3:(y * width + x) * 3 + 3]
            if (r, g, b) != (255, 255, 255):
                return True
        return False


def link_facts(ns, name):
    link = json.loads(ns.exec("ip", "-j", "-s", "link", "show", name).stdout)[0]
    speed = ns.exec("cat", f"/sys/class/net/{name}/speed", check=False).stdout.strip()
    return link, int(speed) if speed.lstrip("-").isdigit() else -1


def speed_text(mbps):
    return f"{mbps} Mbps" if mbps > 0 else "0 bps"


class ListCopyAndDeletion(WindowTest):
    def test_links_by_alias_copy_reports_and_a_deleted_link_leaves(self):
        ns = self.namespace("e2e")
        os.makedirs(f"/etc/netns/{ns.name}", exist_ok=True)
        self.addCleanup(shutil.rmtree, f"/etc/netns/{ns.name}", True)
        with open(f"/etc/netns/{ns.name}/resolv.conf", "w") as f:
            f.write("nameserver 10.77.0.53\n")
        ns.veth("lan0", "far0", alias="Office LAN", address="10.77.0.2/24", gateway="10.77.0.1")
        ns.tap("tap0", alias="Lab Tap", address="10.88.0.2/24")

        self.start(ns=ns)
        wid = self.window()
        time.sleep(1.5)
        self.display.screenshot(wid, "e2e-list.png")

        link, mbps = link_facts(ns, "lan0")
        mac = link["address"].upper().replace(":", "-")
        stats = link["stats64"]
        self.assertEqual((stats["rx"]["bytes"], stats["tx"]["bytes"]), (0, 0), "traffic on a quiet link")

        self.display.click(wid, ITEM_X, item_y(1))
        head = ["Network Interface:   Office LAN", "Status:   Online", f"MAC:   {mac}",
                f"Speed:   {speed_text(mbps)}", "Address Type:   Manual", "IP Address:   10.77.0.2",
                "IP Mask:   255.255.255.0", "Gateway:   10.77.0.1"]
        expected = head + ["Input Octets:   0 bytes", "Output Octets:   0 bytes", ""]
        self.assertEqual(self.copy(wid), "\r\n".join(expected) + "\r\n")

        self.toggle_expert(wid)
        share = " (0.0 %)" if mbps > 0 else ""
        # The expert form adds the MTU and the interface type after the speed.
        expert = head[:4] + [f"MTU:   {link['mtu']}", "Interface Type:   Ethernet"] + head[4:] + [
                         "DNS:   10.77.0.53",
                         "Input Octets:   0 bytes", "Input Unicast Packets:   0",
                         "Input Broadcast/Multicast Packets:   0", "Input Discard Packets:   0",
                         "Input Error Packets:   0",
                         "Output Octets:   0 bytes", "Output Unicast Packets:   0",
                         "Output Broadcast/Multicast Packets:   0", "Output Discard Packets:   0",
                         "Output Error Packets:   0",
                         # The window's expert copy carries the rates of a link that stays idle.
                         f"Receive Rate:   0.0 bps{share}", f"Send Rate:   0.0 bps{share}", ""]
        self.assertEqual(self.copy(wid), "\r\n".join(expert) + "\r\n")
        time.sleep(1.2)
        self.display.screenshot(wid, "e2e-expert.png")
        self.toggle_expert(wid)

        self.display.click(wid, ITEM_X, item_y(2))
        tap = self.copy(wid).split("\r\n")
        self.assertEqual(tap[0], "Network Interface:   Lab Tap")
        self.assertEqual(tap[1], "Status:   Disconnected")  # a tap without a reader has no carrier
        self.assertTrue(self.item_present(wid, 2))

        ns.delete_link("tap0")
        started = time.monotonic()
        gone = wait_for(lambda: not self.item_present(wid, 2), 2.0, step=0.05)
        elapsed = time.monotonic() - started
        self.display.screenshot(wid, "e2e-after-delete.png")
        print(f"deleted link left the list after {elapsed:.2f} s", file=sys.stderr)
        self.assertTrue(gone, "the deleted link is still listed after 2 s")
        self.assertLessEqual(elapsed, 2.0)
        # The selection moved to the adapter now at the selected position.
        self.assertTrue(self.copy(wid).startswith("Network Interface:   Office LAN\r\n"))


class MinimisedStartWithTray(WindowTest):
    tray = True

    def test_u_starts_in_the_tray_and_a_click_on_the_icon_restores(self):
        ns = self.namespace("tray")
        ns.veth("lan0", "far0", alias="Office LAN", address="10.77.0.2/24")
        self.start("-u", ns=ns)
        wid = self.window()
        self.assertTrue(wait_for(lambda: self.display.map_state(wid) == "IsUnMapped", 10),
                        "the window stayed mapped")
        # The icon is a small window of ours embedded in trayer's panel.
        icons = wait_for(lambda: self.display.windows_of("qmr", "^Quillmere$", max_width=64, viewable=True), 10)
        self.assertTrue(icons, "no icon in the notification area")
        self.display.screenshot(0, "e2e-tray.png")
        x0, y0, w, h = self.display.geometry(icons[0])
        self.display.click(icons[0], w // 2, h // 2)
        self.assertTrue(wait_for(lambda: self.display.map_state(wid) == "IsViewable", 10),
                        "a click on the tray icon did not bring the window back")
        self.display.screenshot(wid, "e2e-restored.png")


class MinimisedStartWithoutTray(WindowTest):
    tray = False

    def test_u_without_a_notification_area_leaves_a_minimised_reachable_window(self):
        ns = self.namespace("notray")
        self.start("-u", ns=ns)
        wid = self.window()
        self.assertTrue(wait_for(lambda: self.display.wm_state(wid) == "Iconic", 10),
                        "the window is not minimised")
        # Still one of the window manager's clients, so the taskbar can bring it back.
        clients = self.display.x("xprop", "-root", "_NET_CLIENT_LIST").stdout
        self.assertIn(hex(wid), clients)
        self.display.x("xdotool", "windowactivate", str(wid))
        self.assertTrue(wait_for(lambda: self.display.map_state(wid) == "IsViewable", 10))


class LanguageAndHelp(WindowTest):
    def test_russian_locale_opens_in_russian_and_the_menu_switches_to_english(self):
        ns = self.namespace("lang")
        folder = tempfile.mkdtemp(prefix="qmr-lang-")
        self.addCleanup(shutil.rmtree, folder, True)
        # A program folder of its own, with a language file whose captions differ.
        shutil.copy(os.path.join(BIN, "qmr"), folder)
        shutil.copy(os.path.join(BIN, "libqmr-iphlpapi.so"), folder)
        with open(os.path.join(folder, "language.ini"), "w", encoding="utf-8") as f:
            f.write("[ru_RU]\nName=Русский\n1005=Квиллмир\n1051=Выход\n1052=О программе...\n"
                    "1053=Язык\n[en_EN]\nName=English\n")
        self.start(ns=ns, lang="ru_RU.UTF-8", exe=os.path.join(folder, "qmr"))
        wid = self.window("^Квиллмир$")
        x0, y0, w, h = self.display.geometry(wid)
        # Right click on the window: Language (first item), its first item English.
        self.display.click(wid, 400, h - 20, button=3)
        time.sleep(0.5)
        self.display.screenshot(0, "e2e-menu.png")
        self.display.key("Down", "Right", "Return")
        self.assertTrue(wait_for(lambda: self.display.wm_name(wid) == "Quillmere", 5),
                        "choosing English did not change the caption")

    def test_help_shows_the_usage_box_and_ends_with_zero_without_a_window(self):
        proc = self.start("-u", "--help")
        box = self.window("^Help Info$")
        self.display.screenshot(box, "e2e-help.png")
        self.assertFalse(self.display.windows_of("qmr", "^Quillmere$", min_width=100))
        self.display.x("xdotool", "windowactivate", "--sync", str(box))
        self.display.key("Return")
        self.assertEqual(proc.wait(10), 0)


class KeyboardAndCommandLine(WindowTest):
    def test_click_down_and_copy_report_the_second_adapter_whatever_qt_would_read(self):
        ns = self.namespace("keys")
        ns.veth("lan0", "far0", alias="Office LAN", address="10.77.0.2/24")
        ns.tap("tap0", alias="Lab Tap", address="10.88.0.2/24")
        # Options Qt takes for its own (mirroring, another platform) must not reach it: a
        # mirrored window would put the Copy button and the list where the clicks miss them.
        self.start("-reverse", "-platform", "offscreen", ns=ns)
        wid = self.window()
        time.sleep(1.5)
        self.display.click(wid, ITEM_X, item_y(1))
        self.display.key("Down")
        self.assertTrue(self.copy(wid).startswith("Network Interface:   Lab Tap\r\n"))
        self.display.screenshot(wid, "e2e-keyboard.png")

    def test_help_after_an_option_qt_would_take_still_shows_the_usage_box(self):
        proc = self.start("-style", "--help")
        box = self.window("^Help Info$")
        self.display.x("xdotool", "windowactivate", "--sync", str(box))
        self.display.key("Return")
        self.assertEqual(proc.wait(10), 0)


class WithoutDisplay(unittest.TestCase):
    """No X, no Wayland: start-up answers on the console instead of Qt's abort."""

    def run_qmr(self, *args, **named):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env["ASAN_OPTIONS"] = "detect_leaks=0"
        env.update(named)
        return subprocess.run([os.path.join(BIN, "qmr"), *args], env=env, capture_output=True,
                              text=True, timeout=60)

    def test_help_prints_the_usage_and_anything_else_says_why_in_one_line(self):
        helped = self.run_qmr("-u", "--help")
        self.assertEqual(helped.returncode, 0)
        self.assertEqual(helped.stdout, "Quillmere. Version 1.0\nCopyright (C) 2026 Quillmere developers\n\n"
                         "Usage:\n\n\tqmr [params]\n\nParams:\n\n\t-u\trun in minimized mode\n"
                         "\t--help\tthis window\n\n")
        refused = self.run_qmr()
        self.assertEqual(refused.returncode, 1)
        self.assertEqual(refused.stdout, "")
        self.assertEqual(refused.stderr.count("\n"), 1, refused.stderr)
        self.assertIn("display", refused.stderr)
        self.assertIn("qmr-report", refused.stderr)

    def test_a_display_named_but_not_there_is_no_display(self):
        """An X display without server, a Wayland one without compositor: where Qt would abort,
        --help prints the usage and the window says why it cannot open."""
        runtime = tempfile.mkdtemp(prefix="qmr-rt-")
        self.addCleanup(shutil.rmtree, runtime, True)
        for named, why in (({"DISPLAY": ":199"}, "no X server answers on DISPLAY :199"),
                           ({"WAYLAND_DISPLAY": "wayland-qmr", "XDG_RUNTIME_DIR": runtime},
                            "no Wayland compositor answers on WAYLAND_DISPLAY wayland-qmr")):
            helped = self.run_qmr("--help", **named)
            self.assertEqual((helped.returncode, helped.stderr), (0, ""), named)
            self.assertIn("Usage:", helped.stdout)
            refused = self.run_qmr(**named)
            self.assertEqual(refused.returncode, 1, named)
            self.assertEqual(refused.stderr.count("\n"), 1, refused.stderr)
            self.assertIn(why, refused.stderr)


class HostScreenshots(WindowTest):
    def test_window_with_the_machines_own_adapters(self):
        """The real window on this machine's own adapters, normal and expert form."""
        self.start()
        wid = self.window()
        time.sleep(1.5)
        self.display.click(wid, ITEM_X, item_y(1))
        time.sleep(0.5)
        self.display.screenshot(wid, "host-normal.png")
        self.toggle_expert(wid)
        time.sleep(1.2)
        self.display.screenshot(wid, "host-expert.png")


class Screenshots(WindowTest):
    """The README's pictures (make screenshots copies them to docs/): invented adapters in a
    private namespace, normal and expert, English and Russian, and at twice the scale, with
    traffic flowing on the adapter shown so that its rates and graph have something to show."""
    screen = "1920x1200"  # room for the window at twice its size

    def shoot(self, ns, name, lang="C.UTF-8", scale=1, expert=False):
        proc = self.start(ns=ns, lang=lang, extra_env={"QT_SCALE_FACTOR": str(scale)})
        wid = self.window()
        time.sleep(1.5)
        self.display.click(wid, ITEM_X * scale, item_y(1) * scale)
        if expert:
            self.toggle_expert(wid)
        time.sleep(6)  # a few seconds of the graph
        geometry = self.display.geometry(wid)
        self.display.screenshot(wid, name)
        proc.terminate()
        proc.wait(10)
        return geometry

    def test_invented_adapters_normal_expert_russian_and_twice_the_scale(self):
        ns = self.namespace("shots")
        os.makedirs(f"/etc/netns/{ns.name}", exist_ok=True)
        self.addCleanup(shutil.rmtree, f"/etc/netns/{ns.name}", True)
        with open(f"/etc/netns/{ns.name}/resolv.conf", "w") as f:
            f.write("nameserver 192.168.10.53\n")
        ns.veth("lan0", "far0", alias="Office LAN", address="192.168.10.24/24",
                gateway="192.168.10.1")
        ns.veth("lab0", "far1", alias="Lab Bench", address="172.20.5.14/16")
        ns.tap("tap0", alias="Lab Tap", address="10.88.0.2/24")
        # Echo requests from the far side to the first adapter for as long as the pictures
        # take, bounded in time, never leaving the two namespaces.
        if shutil.which("ping") is not None:
            ping = subprocess.Popen(["ip", "netns", "exec", ns.peer, "ping", "-q", "-i", "0.01",
                                     "-s", "1200", "-w", "90", "192.168.10.24"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.addCleanup(lambda: ping.poll() is None and ping.kill())

        normal = self.shoot(ns, "window.png")
        self.shoot(ns, "window-expert.png", expert=True)
        self.shoot(ns, "window-ru.png", lang="ru_RU.UTF-8")
        doubled = self.shoot(ns, "window-2x.png", scale=2)
        # Twice the scale is twice the size, not the same window with larger print.
        self.assertAlmostEqual(doubled[2], 2 * normal[2], delta=4)
        self.assertAlmostEqual(doubled[3], 2 * normal[3], delta=4)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    options, rest = parser.parse_known_args()
    BIN = os.path.abspath(options.bin)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
