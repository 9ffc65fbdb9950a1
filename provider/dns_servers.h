#pragma once
// The IPv4 DNS servers a link uses: systemd-resolved's per-link servers where resolved keeps
// state for the link, otherwise the "nameserver" lines of resolv.conf.

#include "provider/kernel_facts.h"

#include <string>
#include <string_view>
#include <vector>

namespace qmr {

// Whether this process shares the network namespace of process 1; true when that cannot be
// told (without the rights to look, the common case is a desktop session in it).
bool SharesFirstProcessNetworkNamespace();

struct TDnsSources {
    std::string ResolvConf = "/etc/resolv.conf";
    // resolved's per-link state files, named by ifindex.
    std::string ResolvedLinks = "/run/systemd/resolve/netif";
    // resolved serves only the namespace of the first process; elsewhere (ip netns exec) its
    // files describe other links that happen to share an index. Asked only when a file exists.
    bool (*ResolvedServesThisNamespace)() = &SharesFirstProcessNetworkNamespace;
};

// The IPv4 "nameserver" lines, in order.
std::vector<TIpv4Address> ParseResolvConf(std::string_view text);

// The IPv4 servers of the SERVERS= line of a resolved link state file, in order; a port or a
// "#server name" after the address is dropped.
std::vector<TIpv4Address> ParseResolvedLinkState(std::string_view text);

std::vector<TIpv4Address> ReadDnsServers(std::uint32_t linkIndex, const TDnsSources& sources);

} // namespace qmr
