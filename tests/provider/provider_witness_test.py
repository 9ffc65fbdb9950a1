#!/usr/bin/env python3
"""What libqmr-iphlpapi.so reports for a private network namespace, field by field against
what iproute2 reports for the same namespace (ip -j addr, ip -j -s -d link, ip -j route,
ip -j -6 route).

Usage: provider_witness_test.py PROBE   (PROBE: the qmr-provider-probe executable)
Needs root for `ip netns`; without it the tests skip, and under CI=true they fail.
"""

import json
import os
import shutil
import socket
import subprocess
import sys
import time
import unittest

PROBE = None
IN_CI = os.environ.get("CI") == "true"
NO_ADDRESS = ["0.0.0.0", "0.0.0.0"]
HOST_MASK = "255.255.255.255"


def run(*args, check=True):
    return subprocess.run(args, check=check, capture_output=True, text=True).stdout


def mask_text(prefix):
    bits = (0xFFFFFFFF << (32 - prefix)) & 0xFFFFFFFF if prefix else 0
    return socket.inet_ntoa(bits.to_bytes(4, "big"))


class Namespaces:
    """Named namespaces made for one test and removed however the test ends."""

    def __init__(self, test):
        self.test = test
        self.names = []

    def add(self, suffix, resolv_conf=None, ipv6=False):
        name = "qmr-wit-%d-%s" % (os.getpid(), suffix)
        self.names.append(name)
        run("ip", "netns", "add", name)
        # Quiet links: no IPv6 neighbour discovery moving the counters while both sides read.
        for key in ("all", "default"):
            run("ip", "netns", "exec", name, "sysctl", "-qw",
                "net.ipv6.conf.%s.disable_ipv6=%d" % (key, 0 if ipv6 else 1))
        if resolv_conf is not None:
            os.makedirs("/etc/netns/" + name, exist_ok=True)
            with open("/etc/netns/%s/resolv.conf" % name, "w") as f:
                f.write(resolv_conf)
        return name

    def remove_all(self):
        for name in self.names:
            subprocess.run(["ip", "netns", "del", name], capture_output=True)
            shutil.rmtree("/etc/netns/" + name, ignore_errors=True)


def default_hops(routes):
    """(gateway, dev, metric) of every next hop of the default routes ip lists, a multipath
    route's hops in its order."""
    hops = []
    for r in routes:
        if r["dst"] == "default":
            for hop in r.get("nexthops", [r]):
                if "gateway" in hop and "dev" in hop:
                    hops.append((hop["gateway"], hop["dev"], r.get("metric", 0)))
    return hops


def probe(ns):
    return json.loads(run("ip", "netns", "exec", ns, PROBE))


def ip_json(ns, *args):
    return json.loads(run("ip", "-n", ns, "-j", *args) or "[]")


def host_ipv4_nameservers(path):
    servers = []
    try:
        with open(path) as f:
            for line in f:
                words = line.split()
                # resolved's stub is a local proxy, never an adapter's server.
                if len(words) >= 2 and words[0] == "nameserver" and words[1] not in ("127.0.0.53", "127.0.0.54"):
                    try:
                        socket.inet_pton(socket.AF_INET, words[1])
                        servers.append(words[1])
                    except OSError:
                        pass
    except FileNotFoundError:
        pass
    return servers


def sysfs_speed_bits(ns, name):
    # sysfs answers only for a running link; ip netns exec mounts the namespace's own sysfs.
    result = subprocess.run(["ip", "netns", "exec", ns, "cat", "/sys/class/net/%s/speed" % name],
                            capture_output=True, text=True)
    try:
        megabits = int(result.stdout.strip())
    except ValueError:
        return 0
    return megabits * 1000000 if megabits > 0 else 0


def expected_type(link):
    kind = link.get("linkinfo", {}).get("info_kind", "")
    if link["link_type"] == "loopback":
        return 24
    if link["link_type"] == "ether":
        return 6
    if link["link_type"] in ("ipip", "gre", "sit", "tunnel6", "gre6") or kind in ("tun", "wireguard"):
        return 131
    return 1


def expected_row_oper(link):
    state, flags = link["operstate"], link["flags"]
    not_passing = 2 if "UP" in flags else 0
    if state == "UP":
        return 5
    if state == "DORMANT":
        return 3
    if state == "NOTPRESENT":
        return 0
    if state == "UNKNOWN":
        return 5 if "LOWER_UP" in flags else 2
    return not_passing


def expected_row2_oper(link):
    table = {"UP": 1, "DOWN": 2, "TESTING": 3, "DORMANT": 5, "NOTPRESENT": 6, "LOWERLAYERDOWN": 7}
    if link["operstate"] in table:
        return table[link["operstate"]]
    return 1 if "LOWER_UP" in link["flags"] else 2


class WitnessCase(unittest.TestCase):
    """Namespaces made for the test and removed however it ends; no tests of its own."""
    def setUp(self):
        self.spaces = Namespaces(self)
        try:
            self.spaces.add("check")
        except (subprocess.CalledProcessError, FileNotFoundError) as error:
            self.spaces.remove_all()
            reason = "cannot create a network namespace (root and iproute2 needed): %s" % error
            if IN_CI:
                self.fail(reason)
            self.skipTest(reason)
        self.addCleanup(self.spaces.remove_all)


class ProviderWitnessTest(WitnessCase):
    def compare(self, ns, report, dns):
        """Every adapter record, row and per-adapter record against iproute2."""
        now = time.time()
        links = ip_json(ns, "-s", "-d", "link", "show")
        addresses = {entry["ifname"]: entry for entry in ip_json(ns, "addr", "show")}
        routes = ip_json(ns, "route", "show")
        self.assertEqual(report["status"], 0)
        self.assertTrue(report["chain_sound"], "a Next link points outside the buffer")
        adapters = report["adapters"]
        self.assertEqual([a["index"] for a in adapters], sorted(l["ifindex"] for l in links))
        by_index = {l["ifindex"]: l for l in links}
        for adapter in adapters:
            link = by_index[adapter["index"]]
            name = link["ifname"]
            with self.subTest(link=name):
                self.assertEqual(adapter["name"], name)
                self.assertEqual(adapter["combo_index"], link["ifindex"])
                self.assertEqual(adapter["type"], expected_type(link))
                self.assertEqual(adapter["address"], link.get("address", "") if link["link_type"] in ("ether", "loopback") else "")
                kind = link.get("linkinfo", {}).get("info_kind")
                if kind:
                    self.assertEqual(adapter["description"], kind)
                elif link["link_type"] == "loopback":
                    self.assertEqual(adapter["description"], "loopback")
                self.assertNotEqual(adapter["description"], "")

                inet = [a for a in addresses.get(name, {}).get("addr_info", []) if a["family"] == "inet"]
                self.assertEqual(adapter["addresses"], [[a["local"], mask_text(a["prefixlen"])] for a in inet] or [NO_ADDRESS])
                defaults = sorted((h for h in default_hops(routes) if h[1] == name), key=lambda h: h[2])
                self.assertEqual(adapter["gateways"], [[h[0], HOST_MASK] for h in defaults] or [NO_ADDRESS])
                dynamic = [a for a in inet if a.get("dynamic")]
                self.assertEqual(adapter["dhcp"], 1 if dynamic else 0)
                self.assertEqual(adapter["dhcp_server"], [NO_ADDRESS])
                self.assertEqual(adapter["have_wins"], 0)
                if dynamic:
                    self.assertAlmostEqual(adapter["lease_expires"], now + dynamic[0]["valid_life_time"], delta=5)
                    self.assertLessEqual(adapter["lease_obtained"], now + 1)
                    self.assertGreater(adapter["lease_obtained"], now - 600)
                else:
                    self.assertEqual((adapter["lease_obtained"], adapter["lease_expires"]), (0, 0))

                row, row2 = adapter["row"], adapter["row2"]
                stats = link["stats64"]
                rx, tx = stats["rx"], stats["tx"]
                counters = {"in_octets": rx["bytes"], "in_ucast": rx["packets"] - rx["multicast"],
                            "in_nucast": rx["multicast"], "in_discards": rx["dropped"], "in_errors": rx["errors"],
                            "out_octets": tx["bytes"], "out_ucast": tx["packets"], "out_discards": tx["dropped"],
                            "out_errors": tx["errors"]}
                speed = sysfs_speed_bits(ns, name)
                self.assertEqual(row["status"], 0)
                self.assertEqual(row["name"], name)
                self.assertEqual((row["index"], row["type"], row["mtu"]), (link["ifindex"], adapter["type"], link["mtu"]))
                self.assertEqual(row["address"], adapter["address"])
                self.assertEqual(row["admin"], 1 if "UP" in link["flags"] else 2)
                self.assertEqual(row["oper"], expected_row_oper(link))
                self.assertEqual(row["speed"], min(speed, 0xFFFFFFFF))
                self.assertEqual(row["description"], adapter["description"])
                for key, value in counters.items():
                    self.assertEqual(row[key], value & 0xFFFFFFFF, key)
                    self.assertEqual(row2[key], value, key)
                self.assertEqual(row2["status"], 0)
                self.assertEqual(row2["alias"], link.get("ifalias", name))
                self.assertEqual(row2["description"], adapter["description"])
                self.assertEqual(row2["speed"], speed)
                self.assertEqual(row2["oper"], expected_row2_oper(link))
                self.assertEqual(row2["admin"], 1 if "UP" in link["flags"] else 2)
                if "UP" in link["flags"]:
                    self.assertEqual(row2["media"], 1 if "LOWER_UP" in link["flags"] else 2)

                per = adapter["per_adapter"]
                self.assertEqual(per["status"], 0)
                self.assertTrue(per["chain_sound"])
                self.assertEqual([server for server, _ in per["dns"]], dns or ["0.0.0.0"])
        missing = report["missing"]
        self.assertEqual(missing["row"]["status"], 13)
        self.assertEqual(missing["row2"]["status"], 2)
        self.assertNotEqual(missing["per_adapter"]["status"], 0)
        self.assertNotEqual(missing["per_adapter_zero"]["status"], 0)

    def test_veth_tap_and_bridge_with_routes_aliases_and_a_dynamic_address(self):
        ns = self.spaces.add("mix", "# written by the test\nnameserver 10.9.9.9\n"
                                    "nameserver fe80::1\n  nameserver\t10.8.8.8 \nsearch example\n")
        far = self.spaces.add("far")
        steps = [
            ["link", "set", "lo", "up"],
            ["link", "add", "office", "type", "veth", "peer", "name", "office-far", "netns", far],
            ["addr", "add", "10.1.0.2/24", "dev", "office"],
            ["addr", "add", "10.1.1.2/16", "dev", "office", "valid_lft", "3600", "preferred_lft", "1800"],
            ["addr", "add", "172.16.5.5/32", "dev", "office"],
            ["link", "set", "office", "alias", "Office LAN <1>"],
            ["link", "set", "office", "up"],
            ["link", "add", "lab", "type", "veth", "peer", "name", "lab-far", "netns", far],
            ["addr", "add", "192.168.7.2/24", "dev", "lab"],
            ["link", "set", "lab", "up"],
            ["link", "add", "br0", "type", "bridge"],
            ["link", "set", "br0", "alias", "Bridge, set down"],
        ]
        for step in steps:
            run("ip", "-n", ns, *step)
        run("ip", "netns", "exec", ns, "ip", "tuntap", "add", "tap0", "mode", "tap")
        run("ip", "-n", ns, "link", "set", "tap0", "up")
        for step in (["link", "set", "office-far", "up"], ["addr", "add", "10.1.0.1/24", "dev", "office-far"],
                     ["link", "set", "lab-far", "up"]):
            run("ip", "-n", far, *step)
        for gateway, metric in (("10.1.0.1", "200"), ("10.1.0.9", "50")):
            run("ip", "-n", ns, "route", "add", "default", "via", gateway, "dev", "office", "metric", metric)
        run("ip", "-n", ns, "route", "add", "default", "via", "192.168.7.1", "dev", "lab", "metric", "100")
        run("ip", "-n", ns, "route", "add", "default", "metric", "300", "nexthop", "via", "10.1.0.3", "dev", "office",
            "nexthop", "via", "192.168.7.3", "dev", "lab")
        # Some traffic, so that the counters are not all zero: ARP broadcasts and datagrams.
        run("ip", "netns", "exec", ns, sys.executable, "-c",
            "import socket\ns=socket.socket(socket.AF_INET,socket.SOCK_DGRAM)\n"
            "[s.sendto(b'x'*300,('10.1.0.1',9)) for _ in range(5)]")
        time.sleep(0.3)

        report = probe(ns)
        self.compare(ns, report, ["10.9.9.9", "10.8.8.8"])
        by_name = {a["name"]: a for a in report["adapters"]}
        # What the comparison takes from iproute2 is what the test set up.
        self.assertEqual(by_name["office"]["gateways"],
                         [["10.1.0.9", HOST_MASK], ["10.1.0.1", HOST_MASK], ["10.1.0.3", HOST_MASK]])
        self.assertEqual(by_name["lab"]["gateways"], [["192.168.7.1", HOST_MASK], ["192.168.7.3", HOST_MASK]])
        self.assertEqual(by_name["office"]["dhcp"], 1)
        self.assertEqual(by_name["office"]["row2"]["alias"], "Office LAN <1>")
        self.assertGreater(by_name["office"]["row2"]["out_octets"], 1500)
        self.assertEqual(by_name["tap0"]["row"]["oper"], 2, "a tap without a reader has no carrier")
        self.assertEqual((by_name["br0"]["row"]["admin"], by_name["br0"]["row"]["oper"]), (2, 0))
        self.assertEqual(by_name["lab"]["dhcp"], 0)
        self.assertEqual(report["poll_devices"], len(report["adapters"]) - 1, "the poll skips loopback")

    def test_namespace_with_only_loopback_gives_no_device(self):
        ns = self.spaces.add("lo")
        report = probe(ns)
        self.assertEqual([a["type"] for a in report["adapters"]], [24])
        self.assertEqual(report["poll_status"], 0)
        self.assertEqual(report["poll_devices"], 0)
        # Without /etc/netns/NAME/resolv.conf the namespace sees the host's file.
        self.compare(ns, report, host_ipv4_nameservers("/etc/resolv.conf"))

    def test_three_hundred_addresses_take_the_size_answer_then_fit(self):
        ns = self.spaces.add("many", "nameserver 10.0.0.53\n")
        run("ip", "-n", ns, "link", "add", "wide", "type", "veth", "peer", "name", "wide-peer")
        batch = "".join("addr add 10.%d.%d.1/24 dev wide\n" % (20 + i // 200, i % 200) for i in range(300))
        subprocess.run(["ip", "-n", ns, "-batch", "-"], input=batch, text=True, check=True)
        report = probe(ns)
        self.assertEqual(report["first_status"], 111)
        # lo, wide and wide-peer, 299 further address nodes of 48 bytes each.
        self.assertEqual(report["first_size"], 3 * 704 + 299 * 48)
        self.assertEqual(report["size"], report["first_size"])
        wide = [a for a in report["adapters"] if a["name"] == "wide"][0]
        self.assertEqual(len(wide["addresses"]), 300)
        self.compare(ns, report, ["10.0.0.53"])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: provider_witness_test.py PROBE")
    PROBE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
