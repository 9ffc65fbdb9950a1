#pragma once
// The IPv4 DNS servers a link uses: systemd-resolved's per-link servers where resolved keeps
// state for the link, otherwise the "nameserver" lines of resolv.conf. Where resolv.conf is
// resolved's (its stub 127.0.0.53 or 127.0.0.54, or resolved's own list of every link's
// servers), a link has only its own servers, none when it has none: the stub is a local
// proxy, never an adapter's server.

#include "provider/kernel_facts.h"

#include <array>
#include <optional>
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
    // The servers of every link, which resolv.conf is a link to in resolved's "uplink" mode.
    std::string ResolvedResolvConf = "/run/systemd/resolve/resolv.conf";
    // resolved serves only the namespace of the first process; elsewhere (ip netns exec) its
    // files describe other links that happen to share an index. Asked only when resolv.conf
    // is resolved's or a state file exists.
    bool (*ResolvedServesThisNamespace)() = &SharesFirstProcessNetworkNamespace;
};

// The IPv4 "nameserver" lines, in order.
std::vector<TIpv4Address> ParseResolvConf(std::string_view text);

// The IPv4 servers of the SERVERS= line of a resolved link state file, in order; a port or a
// "#server name" after the address is dropped.
std::vector<TIpv4Address> ParseResolvedLinkState(std::string_view text);

std::vector<TIpv4Address> ReadDnsServers(std::uint32_t linkIndex, const TDnsSources& sources);

using TDnsIpv6Address = std::array<std::uint8_t, 16>;

// The IPv6 servers of the SERVERS= line, in order; "[addr]:port", "%zone" and "#name" dropped.
std::vector<TDnsIpv6Address> ParseResolvedLinkStateIpv6(std::string_view text);

// The link's own IPv6 servers where resolved speaks for it (resolv.conf is resolved's, or its
// state names servers for the link), possibly none; nothing where resolv.conf's IPv6
// "nameserver" lines apply instead.
std::optional<std::vector<TDnsIpv6Address>> ReadResolvedIpv6DnsServers(std::uint32_t linkIndex,
                                                                       const TDnsSources& sources);

} // namespace qmr
