"""The remembered choices across a restart of the real window: the virtual-adapter switch in a
namespace of veth and tap links only, the expert box and the language chosen from the menu."""

import argparse
import os
import shutil
import sys
import tempfile
import time
import unittest

import test_window_e2e
from desktop_session import wait_for
from test_window_e2e import ITEM_X, WindowTest, item_y


class Choices(WindowTest):
    def open_menu(self, wid):
        x0, y0, w, h = self.display.geometry(wid)
        self.display.click(wid, 400, h - 20, button=3)
        time.sleep(0.5)

    def toggle_show_virtual(self, wid):
        # The menu: Language (the build's language file offers two), Show Virtual Adapters, ...
        self.open_menu(wid)
        self.display.key("Down", "Down", "Return")

    def choose_second_language(self, wid):
        # Languages by code: en_EN, then ru_RU.
        self.open_menu(wid)
        self.display.key("Down", "Right", "Down", "Return")

    def test_switch_expert_box_and_menu_language_survive_a_restart(self):
        ns = self.namespace("choices")
        ns.veth("lan0", "far0", alias="Office LAN", address="10.77.0.2/24")
        ns.tap("tap0", alias="Lab Tap", address="10.88.0.2/24")
        config = tempfile.mkdtemp(prefix="qmr-config-")
        self.addCleanup(shutil.rmtree, config, True)

        first = self.start(ns=ns, config_home=config)
        wid = self.window()
        time.sleep(1.5)
        self.assertTrue(self.item_present(wid, 1) and self.item_present(wid, 2))

        self.toggle_expert(wid)
        self.toggle_show_virtual(wid)
        self.assertTrue(wait_for(lambda: not self.item_present(wid, 1), 3),
                        "virtual links still listed with the switch off")
        time.sleep(0.5)
        self.display.screenshot(wid, "e2e-choices-hidden.png")
        # Nothing to report: Copy is off and leaves the clipboard as it was.
        self.assertEqual(self.copy(wid), "(nothing copied)")
        self.choose_second_language(wid)
        time.sleep(0.5)

        settings = os.path.join(config, "Quillmere", "Quillmere.conf")
        self.assertTrue(os.path.isfile(settings), "nothing was written to the configuration home")
        first.terminate()
        first.wait(10)
        self.assertTrue(wait_for(lambda: not self.display.windows_of("qmr", "^Quillmere$", min_width=100), 10))

        # An English desktop again: the language chosen from the menu wins over it.
        self.start(ns=ns, config_home=config)
        wid = self.window()
        time.sleep(1.5)
        self.assertFalse(self.item_present(wid, 1), "the switch was forgotten")
        self.assertEqual(self.copy(wid), "(nothing copied)")

        self.toggle_show_virtual(wid)
        self.assertTrue(wait_for(lambda: self.item_present(wid, 2), 3), "the links did not return")
        self.display.click(wid, ITEM_X, item_y(1))
        report = self.copy(wid).split("\r\n")
        self.display.screenshot(wid, "e2e-choices-restored.png")
        self.assertEqual(report[0], "Сетевой интерфейс:   Office LAN")  # Russian, remembered
        self.assertIn("Входящие одноадресные пакеты:   0", report)  # expert, remembered


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    options, rest = parser.parse_known_args()
    test_window_e2e.BIN = os.path.abspath(options.bin)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
