#!/usr/bin/env python3
"""qmr-report.exe --expert under Wine lists the links that `ip -j addr` lists for the host
namespace, loopback aside, each with the MTU ip gives it. Wine's iphlpapi.dll serves the host's
interfaces, giving each a GUID-like AdapterName ({0000000N-0000-0000-0000-4E6574446576}, N the
interface index) and the Linux interface name as Description; Wine's ndis.sys registers the
same pair under NetworkCards, so the friendly name is the Linux interface name. Compared link by
link: name, MAC, MTU, IPv4 addresses and masks, default gateway, operational state, the DNS
servers of resolv.conf, and the byte counters, which must lie between the kernel's counts read
just before and just after; and the IPv6 addresses with their prefix lengths as `ip -j -6 addr`
lists them (in Wine's order, so compared as sets), and any IPv6 default router shown among
`ip -j -6 route`'s."""

import argparse
import ipaddress
import json
import os
import re
import subprocess
import sys


def ip_links():
    links = json.loads(subprocess.run(["ip", "-j", "addr"], check=True, capture_output=True,
                                      text=True).stdout)
    routes = json.loads(subprocess.run(["ip", "-j", "-4", "route", "show", "default"], check=True,
                                       capture_output=True, text=True).stdout)
    routes6 = json.loads(subprocess.run(["ip", "-j", "-6", "route", "show", "default"], check=True,
                                        capture_output=True, text=True).stdout)
    gateways = {}
    for route in routes:
        if "gateway" in route and "dev" in route:
            gateways.setdefault(route["dev"], []).append(route["gateway"])
    gateways6 = {}
    for route in routes6:
        if "gateway" in route and "dev" in route:
            gateways6.setdefault(route["dev"], []).append(route["gateway"])
    result = []
    for link in links:
        if link.get("link_type") == "loopback":
            continue
        v4 = [(a["local"], str(ipaddress.IPv4Network(f"0.0.0.0/{a['prefixlen']}").netmask))
              for a in link.get("addr_info", []) if a.get("family") == "inet"]
        result.append({
            "name": link["ifname"],
            "mac": link.get("address", "").replace(":", "-").upper(),
            "addresses": v4 or [("0.0.0.0", "0.0.0.0")],
            "gateways": gateways.get(link["ifname"], []),
            "ipv6": sorted((a["local"], a["prefixlen"]) for a in link.get("addr_info", [])
                           if a.get("family") == "inet6"),
            "gateways6": gateways6.get(link["ifname"], []),
            "operstate": link.get("operstate", ""),
            "mtu": str(link.get("mtu", "")),
        })
    return result


def resolv_conf_servers():
    """The IPv4 name servers of /etc/resolv.conf, where Wine takes every adapter's DNS list."""
    servers = []
    try:
        with open("/etc/resolv.conf") as f:
            for line in f:
                words = line.split()
                if len(words) >= 2 and words[0] == "nameserver":
                    try:
                        if ipaddress.ip_address(words[1]).version == 4:
                            servers.append(words[1])
                    except ValueError:
                        pass
    except OSError:
        pass
    return servers


def counters(names):
    def read(name, which):
        with open(f"/sys/class/net/{name}/statistics/{which}") as f:
            return int(f.read())
    return {n: (read(n, "rx_bytes"), read(n, "tx_bytes")) for n in names}


def report_blocks(text):
    """The report's devices: lists of (label, value), one list per block."""
    blocks, current = [], []
    for line in text.splitlines():
        if not line.strip():
            if current:
                blocks.append(current)
            current = []
            continue
        label, sep, value = line.partition(":   ")
        if not sep:
            raise AssertionError(f"not a report line: {line!r}")
        current.append((label, value))
    if current:
        blocks.append(current)
    return blocks


def values(block, pattern):
    return [v for label, v in block if re.fullmatch(pattern, label)]


def count(text):
    # "1 234 567 bytes": groups of three after spaces, then the count word.
    return int("".join(text.split()[:-1]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runner", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--program", required=True)
    args = parser.parse_args()

    expected = ip_links()
    if not expected and os.environ.get("CI") != "true":
        print("SKIP: the host namespace has no link besides loopback")
        return 0
    names = [link["name"] for link in expected]
    before = counters(names)
    # English texts whatever the machine's locale: Wine takes the user-interface language from it.
    env = dict(os.environ, LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8", LANGUAGE="")
    run = subprocess.run([args.runner, args.prefix, args.program, "--expert"], env=env,
                         capture_output=True, timeout=90)
    after = counters(names)
    output = run.stdout.decode("utf-8")
    print(output)
    if run.returncode != 0:
        print(run.stderr.decode("utf-8", "replace"), file=sys.stderr)
        print(f"FAIL: qmr-report.exe exited with {run.returncode}")
        return 1

    blocks = report_blocks(output)
    dns = resolv_conf_servers()[:3]  # the C resolver, which Wine asks, keeps three
    failures = []

    def check(what, got, want):
        if got != want:
            failures.append(f"{what}: report {got!r}, ip {want!r}")

    reported = [values(b, "Network Interface")[0] if values(b, "Network Interface") else None
                for b in blocks]
    check("links in order", reported, names)
    for block, link in zip(blocks, expected):
        name = link["name"]
        if values(block, "Network Interface") != [name]:
            continue
        check(f"{name} MAC", values(block, "MAC"), [link["mac"]])
        check(f"{name} MTU", values(block, "MTU"), [link["mtu"]])
        check(f"{name} addresses", list(zip(values(block, r"IP Address\d*"),
                                            values(block, r"IP Mask\d*"))), link["addresses"])
        gateways = values(block, r"Gateway\d*")
        if link["gateways"]:
            if not gateways or not set(gateways) <= set(link["gateways"]):
                failures.append(f"{name} gateways: report {gateways!r}, ip {link['gateways']!r}")
        else:
            check(f"{name} gateways", gateways, ["0.0.0.0"])
        if dns:
            check(f"{name} DNS servers", values(block, r"DNS( \d+)?"), dns)
        # "fe80::1%4/64 (deprecated)": the address without its zone, and the prefix length.
        shown6 = []
        for value in values(block, r"IPv6 Address\d*"):
            address, _, rest = value.partition("/")
            shown6.append((address.partition("%")[0], int(rest.split()[0])))
        check(f"{name} IPv6 addresses", sorted(shown6), link["ipv6"])
        # Wine 8 lists only IPv4 gateways in GetAdaptersAddresses, so none is no fault; a
        # router that is shown must be one of ip's.
        routers = [v.partition("%")[0] for v in values(block, r"IPv6 Gateway\d*")]
        if not set(routers) <= set(link["gateways6"]):
            failures.append(f"{name} IPv6 gateways: report {routers!r}, ip {link['gateways6']!r}")
        status = values(block, "Status")
        if link["operstate"] == "UP":
            check(f"{name} status", status, ["Online"])
        elif link["operstate"] == "DOWN":
            check(f"{name} status of a link that is down", status == ["Online"], False)
        for label, index in (("Input Octets", 0), ("Output Octets", 1)):
            got = values(block, label)
            low, high = before[name][index], after[name][index]
            if len(got) != 1 or not low <= count(got[0]) <= high:
                failures.append(f"{name} {label}: report {got!r}, kernel {low}..{high}")

    print(f"links compared: {len(expected)} ({', '.join(names)})")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
