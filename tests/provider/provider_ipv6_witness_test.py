#!/usr/bin/env python3
"""What libqmr-iphlpapi.so's GetAdaptersAddresses reports for a private network namespace,
address by address against iproute2 (ip -j addr, ip -j -6 route) for the same namespace.

Usage: provider_ipv6_witness_test.py PROBE   (PROBE: the qmr-provider-probe executable)
Needs root for `ip netns`; without it the tests skip, and under CI=true they fail.
"""

import ipaddress
import os
import subprocess
import sys
import time
import unittest

import provider_witness_test as witness
from provider_witness_test import (WitnessCase, expected_row2_oper, expected_type, ip_json, probe,
                                   run)

def eui64(mac):
    octets = bytes.fromhex(mac.replace(":", ""))
    if len(octets) != 6:
        return None
    return bytes([octets[0] ^ 2]) + octets[1:3] + b"\xff\xfe" + octets[3:]


def expected_origins(entry, mac):
    """(prefix origin, suffix origin) as GetAdaptersAddresses names them, from ip's flags."""
    address = ipaddress.ip_address(entry["local"])
    dynamic = entry.get("dynamic", False)
    if address.is_loopback:
        return (2, 2)
    if address.version == 4:
        return (3, 3) if dynamic else (1, 1)
    if entry.get("temporary"):
        return (4, 5)
    link_layer = address.packed[8:] == eui64(mac)
    stable = entry.get("stable-privacy", False)
    suffix = 4 if link_layer else 0 if stable else 1
    if address.is_link_local:
        return (2, suffix)
    if dynamic and (link_layer or stable or entry.get("mngtmpaddr")):
        return (4, suffix)
    return (3, 3) if dynamic else (1, 1)


def expected_dad(entry):
    for flag, state in (("dadfailed", 2), ("tentative", 1), ("deprecated", 3)):
        if entry.get(flag):
            return state
    return 4


def host_nameservers(text, family, index, indexes):
    """The servers of one family (4 or 6) of resolv.conf text, as the adapter of `index` has
    them: (address, zone index or None)."""
    servers = []
    for line in text.splitlines():
        words = line.split()
        if len(words) < 2 or words[0] != "nameserver":
            continue
        address, _, zone = words[1].partition("%")
        try:
            parsed = ipaddress.ip_address(address)
        except ValueError:
            continue
        if parsed.version != family:
            continue
        scope = None
        if family == 6:
            scope = int(zone) if zone.isdigit() else indexes.get(zone, 0) if zone else 0
            if parsed.is_link_local and scope == 0:
                scope = index
        servers.append((str(parsed), scope))
    return servers



class ProviderIpv6WitnessTest(WitnessCase):
    def compare_addresses(self, ns, answer, family, resolv_conf):
        """One GetAdaptersAddresses answer (family 0, 4 or 6) against iproute2."""
        links = {l["ifindex"]: l for l in ip_json(ns, "-d", "link", "show")}
        addresses = {entry["ifindex"]: entry.get("addr_info", []) for entry in ip_json(ns, "addr", "show")}
        indexes = {l["ifname"]: i for i, l in links.items()}
        defaults = {4: ip_json(ns, "-4", "route", "show", "default"),
                    6: ip_json(ns, "-6", "route", "show", "default")}
        families = (4, 6) if family == 0 else (family,)
        self.assertEqual(answer["first_status"], 111)
        self.assertEqual(answer["status"], 0)
        self.assertTrue(answer["short_untouched"], "a buffer one byte short was written")
        self.assertTrue(answer["chain_sound"], "a pointer leaves the buffer or is misaligned")
        self.assertEqual([a["index"] for a in answer["adapters"]], sorted(links))
        for adapter in answer["adapters"]:
            link = links[adapter["index"]]
            with self.subTest(link=link["ifname"], family=family):
                self.assertEqual((adapter["name"], adapter["ipv6_index"], adapter["mtu"]),
                                 (link["ifname"], link["ifindex"], link["mtu"]))
                self.assertEqual(adapter["friendly"], link.get("ifalias", link["ifname"]))
                self.assertEqual(adapter["dns_suffix"], "")
                self.assertEqual(adapter["type"], expected_type(link))
                self.assertEqual(adapter["oper"], expected_row2_oper(link))
                mac = link.get("address", "") if link["link_type"] in ("ether", "loopback") else ""
                self.assertEqual(adapter["address"], mac)
                wanted = [a for a in addresses.get(link["ifindex"], [])
                          if (4 if a["family"] == "inet" else 6) in families]
                got = adapter["unicast"]
                self.assertEqual([(u["address"]["address"], u["prefix"]) for u in got],
                                 [(a["local"], a["prefixlen"]) for a in wanted])
                for u, a in zip(got, wanted):
                    what = a["local"]
                    self.assertEqual(u["address"]["family"], 4 if a["family"] == "inet" else 6, what)
                    self.assertEqual(u["dad"], expected_dad(a), what)
                    self.assertEqual((u["prefix_origin"], u["suffix_origin"]), expected_origins(a, mac), what)
                    if a["family"] == "inet6":
                        zone = link["ifindex"] if ipaddress.ip_address(what).is_link_local else 0
                        self.assertEqual(u["address"]["scope_id"], zone, what)
                    for key, ip_key in (("valid", "valid_life_time"), ("preferred", "preferred_life_time")):
                        if a[ip_key] == 0xFFFFFFFF:
                            self.assertEqual(u[key], 0xFFFFFFFF, what)
                        else:
                            self.assertAlmostEqual(u[key], a[ip_key], delta=3, msg=what)
                gateways = []
                for version in families:
                    hops = sorted((h for h in witness.default_hops(defaults[version]) if h[1] == link["ifname"]),
                                  key=lambda h: h[2])
                    for gateway, _, _ in hops:
                        local = version == 6 and ipaddress.ip_address(gateway).is_link_local
                        gateways.append({"family": version, "address": gateway}
                                        | ({"scope_id": link["ifindex"] if local else 0} if version == 6 else {}))
                self.assertEqual(adapter["gateways"], gateways)
                dns = []
                for version in families:
                    for address, scope in host_nameservers(resolv_conf, version, link["ifindex"], indexes):
                        dns.append({"family": version, "address": address} | ({"scope_id": scope} if version == 6 else {}))
                self.assertEqual(adapter["dns"], dns)

    def test_ipv6_addresses_of_every_kind_with_gateways_dns_and_family_filters(self):
        resolv_conf = "nameserver 10.9.9.9\nnameserver 2001:db8::53\nnameserver fe80::53%v0\n"
        ns = self.spaces.add("six", resolv_conf, ipv6=True)
        far = self.spaces.add("sixfar", ipv6=True)
        for step in (["link", "set", "lo", "up"],
                     ["link", "add", "v0", "type", "veth", "peer", "name", "v0-far", "netns", far],
                     ["addr", "add", "10.5.0.2/24", "dev", "v0"],
                     ["addr", "add", "2001:db8:5::5/64", "dev", "v0", "nodad"],
                     ["addr", "add", "fd00:5::5/64", "dev", "v0", "nodad"],
                     ["addr", "add", "2001:db8:5::d/64", "dev", "v0", "preferred_lft", "0", "nodad"],
                     ["addr", "add", "2001:db8:5::99/128", "dev", "v0", "valid_lft", "3600",
                      "preferred_lft", "1800", "nodad"],
                     ["link", "set", "v0", "alias", "Office v6"],
                     ["link", "set", "v0", "up"],
                     # Without a carrier, duplicate address detection never starts: tentative.
                     ["link", "add", "v1", "type", "veth", "peer", "name", "v1-far", "netns", far],
                     ["link", "set", "v1", "up"],
                     ["addr", "add", "2001:db8:7::7/64", "dev", "v1"],
                     # IPv6 only.
                     ["link", "add", "v2", "type", "veth", "peer", "name", "v2-far", "netns", far],
                     ["addr", "add", "2001:db8:6::6/64", "dev", "v2", "nodad"],
                     ["link", "set", "v2", "up"]):
            run("ip", "-n", ns, *step)
        for step in (["link", "set", "v0-far", "up"], ["link", "set", "v2-far", "up"]):
            run("ip", "-n", far, *step)
        # Link-local addresses of the links that came up finish their detection meanwhile.
        time.sleep(2.5)
        for router, metric in (("fe80::1", "300"), ("fe80::2", "100")):
            run("ip", "-n", ns, "-6", "route", "add", "default", "via", router, "dev", "v0", "metric", metric)
        run("ip", "-n", ns, "-6", "route", "add", "default", "metric", "400", "nexthop", "via", "fe80::3", "dev", "v0",
            "nexthop", "via", "fe80::4", "dev", "v2")
        run("ip", "-n", ns, "route", "add", "default", "via", "10.5.0.1", "dev", "v0")
        answers = probe(ns)["addresses"]
        for family, key in ((0, "unspec"), (4, "inet"), (6, "inet6")):
            self.compare_addresses(ns, answers[key], family, resolv_conf)
        self.assertEqual((answers["bad_family_status"], answers["null_size_status"]), (87, 87))
        skipping = answers["skipping"]
        self.assertEqual(skipping["status"], 0)
        for adapter in skipping["adapters"]:
            self.assertEqual((adapter["unicast"], adapter["gateways"], adapter["dns"], adapter["friendly"]),
                             ([], [], [], ""))

        # What the comparison takes from iproute2 is what the test set up.
        by_name = {a["name"]: a for a in answers["inet6"]["adapters"]}
        v0 = {u["address"]["address"]: u for u in by_name["v0"]["unicast"]}
        self.assertEqual((v0["2001:db8:5::5"]["dad"], v0["2001:db8:5::5"]["prefix_origin"]), (4, 1))
        self.assertEqual(v0["fd00:5::5"]["prefix"], 64)
        self.assertEqual(v0["2001:db8:5::d"]["dad"], 3, "preferred_lft 0 is deprecated")
        self.assertEqual((v0["2001:db8:5::99"]["prefix_origin"], v0["2001:db8:5::99"]["preferred"] <= 1800), (3, True))
        link_local = [u for address, u in v0.items() if address.startswith("fe80:")]
        self.assertEqual([(u["prefix_origin"], u["suffix_origin"], u["dad"]) for u in link_local], [(2, 4, 4)])
        self.assertEqual([u["dad"] for u in by_name["v1"]["unicast"] if u["address"]["address"] == "2001:db8:7::7"], [1])
        self.assertEqual(by_name["v0"]["gateways"][0], {"family": 6, "address": "fe80::2", "scope_id": by_name["v0"]["index"]})
        # One hop of a multipath route is all v2 has.
        self.assertEqual(by_name["v2"]["gateways"], [{"family": 6, "address": "fe80::4", "scope_id": by_name["v2"]["index"]}])
        self.assertEqual(by_name["v0"]["friendly"], "Office v6")
        self.assertNotIn(4, [u["address"]["family"] for u in by_name["v2"]["unicast"]])
        self.assertEqual(by_name["v0"]["dns"][1], {"family": 6, "address": "fe80::53", "scope_id": by_name["v0"]["index"]})

    def test_three_hundred_ipv6_addresses_take_the_size_answer_then_fit(self):
        ns = self.spaces.add("many6", "nameserver 2001:db8::53\n", ipv6=True)
        run("ip", "-n", ns, "link", "add", "wide", "type", "veth", "peer", "name", "wide-peer")
        batch = "".join("addr add 2001:db8:%x::1/64 dev wide nodad\n" % (0x100 + i) for i in range(300))
        subprocess.run(["ip", "-n", ns, "-batch", "-"], input=batch, text=True, check=True)
        answers = probe(ns)["addresses"]
        wide = [a for a in answers["unspec"]["adapters"] if a["name"] == "wide"][0]
        self.assertEqual(len(wide["unicast"]), 300)
        self.compare_addresses(ns, answers["inet6"], 6, "nameserver 2001:db8::53\n")
        self.compare_addresses(ns, answers["unspec"], 0, "nameserver 2001:db8::53\n")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: provider_ipv6_witness_test.py PROBE")
    witness.PROBE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
