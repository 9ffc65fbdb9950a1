#pragma once
// The IPv4 DNS servers a link uses: systemd-resolved's per-link servers where resolved keeps
// state for the link, otherwise the "nameserver" lines of resolv.conf. Where resolv.conf is
// resolved's (its stub 127.0.0.53 or 127.0.0.54, or resolved's own list of every link's
// servers), a link has only its own servers, none when it has none: the stub is a local
// proxy, never an adapter's server.

#include "provider/kernel_facts.h"
#include "provider/search_domains.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qmr {

// Whether the calling thread is in the network namespace of `nsPath` (a /proc/.../ns/net file);
// true when either cannot be looked at. `callerNamespace` is the inode of the thread's
// namespace where the caller has just read it (0 where not): the last answer is kept under it,
// and /proc is asked again only when the thread has moved or another file is asked about. The
// process of `nsPath` is taken to stay where it is.
bool SharesNetworkNamespaceOf(const std::string& nsPath, std::uint64_t callerNamespace = 0);
// The same for process 1's namespace, which resolved and the DHCP clients serve; true when that
// cannot be told (without the rights to look, the common case is a desktop session in it).
bool SharesFirstProcessNetworkNamespace(std::uint64_t callerNamespace);

struct TDnsSources {
    std::string ResolvConf = "/etc/resolv.conf";
    // resolved's per-link state files, named by ifindex.
    std::string ResolvedLinks = "/run/systemd/resolve/netif";
    // The servers of every link, which resolv.conf is a link to in resolved's "uplink" mode.
    std::string ResolvedResolvConf = "/run/systemd/resolve/resolv.conf";
    // resolved serves only the namespace of the first process; elsewhere (ip netns exec) its
    // files describe other links that happen to share an index. ReadDnsServers asks only when
    // resolv.conf is resolved's or a state file exists; a TDnsBook asks once.
    std::function<bool()> ResolvedServesThisNamespace = [] {
        return SharesFirstProcessNetworkNamespace(0);
    };
};

// The IPv4 "nameserver" lines, in order.
std::vector<TIpv4Address> ParseResolvConf(std::string_view text);

// The IPv4 servers of the SERVERS= line of a resolved link state file, in order; a port or a
// "#server name" after the address is dropped.
std::vector<TIpv4Address> ParseResolvedLinkState(std::string_view text);

std::vector<TIpv4Address> ReadDnsServers(std::uint32_t linkIndex, const TDnsSources& sources);

// A server as resolv.conf or resolved writes it, of either family: "a.b.c.d", "a.b.c.d:53",
// "fe80::1%eth0", "[fe80::1]:53" or "fe80::1%3", a "#server name" dropped. A zone names an
// interface by index or by name (`indexOf`, 0 when there is none).
std::optional<TIpAddress> ParseServerAddress(std::string_view text,
                                             std::uint32_t (*indexOf)(const char* name));

// The servers of both families of every "nameserver" line, in order.
std::vector<TIpAddress> ParseResolvConfServers(std::string_view text);
// The servers of both families of the SERVERS= line of a resolved link state file, in order.
std::vector<TIpAddress> ParseResolvedLinkServers(std::string_view text);

// The DNS servers of both families, and the DNS suffix and search list, of every link, from the
// same sources as ReadDnsServers; resolv.conf, the namespace test and the list of resolved's
// link files are read at most once, however many links are asked for.
class TDnsBook {
public:
    explicit TDnsBook(TDnsSources sources) : m_Sources(std::move(sources)) {}
    // A link-local server without a zone is reached through the link asked for.
    std::vector<TIpAddress> ServersOf(std::uint32_t linkIndex);
    // The same rule as the servers: under resolved a link has its own domains or none,
    // elsewhere resolv.conf's unless resolved names the link's own.
    TDnsDomains DomainsOf(std::uint32_t linkIndex);

private:
    void ReadSharedSources();
    // resolved's state file of the link, where resolved serves this namespace and keeps one;
    // the last one read is kept, as the servers and the domains of a link are asked in turn.
    const std::optional<std::string>& LinkState(std::uint32_t linkIndex);

    TDnsSources m_Sources;
    // resolv.conf's servers (stubs dropped) and domains, whether it is resolved's, and whether
    // resolved serves this namespace: read once per book.
    std::optional<std::vector<TIpAddress>> m_ResolvConf;
    TDnsDomains m_ResolvConfDomains;
    std::uint32_t m_LinkStateIndex = 0;
    std::optional<std::string> m_LinkState;
    bool m_Resolveds = false;
    std::optional<bool> m_ResolvedServes;
    // The names in resolved's folder of link files: only those are opened, not one file per
    // link where resolved keeps none (or no folder at all).
    std::optional<std::unordered_set<std::string>> m_LinkFiles;
};

} // namespace qmr
