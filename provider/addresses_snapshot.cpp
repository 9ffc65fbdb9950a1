#include "addresses_snapshot.h"

#include "provider/hardware_names.h"
#include "provider/link_speeds.h"

#include <algorithm>
#include <linux/if_addr.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unordered_map>

namespace qmr {

namespace {

int LinuxFamily(ULONG family) {
    return family == WS_AF_INET ? AF_INET : family == WS_AF_INET6 ? AF_INET6 : AF_UNSPEC;
}

bool Wanted(int family, int linuxFamily) {
    return linuxFamily == AF_UNSPEC || family == linuxFamily;
}

TIpAddress FromIpv4(const TIpv4Address& address) {
    TIpAddress out;
    out.Family = AF_INET;
    std::copy(address.begin(), address.end(), out.Bytes.begin());
    return out;
}

template <typename Route> void SortByMetric(std::vector<Route>& routes) {
    std::stable_sort(routes.begin(), routes.end(),
                     [](const Route& a, const Route& b) { return a.Metric < b.Metric; });
}

} // namespace

std::vector<TAddressesRecord> ReadAddressesRecords(TRouteSocket& socket, ULONG family, ULONG flags,
                                                   TDnsBook& dns, TLinkIdentityCache* cache,
                                                   const TLeaseSources* leases) {
    const int wanted = LinuxFamily(family);
    const std::vector<TLinkFacts> links = socket.DumpLinks();
    if (cache != nullptr) {
        cache->KeepOnly(links);
    }
    std::vector<TAddressesRecord> records(links.size());
    std::unordered_map<std::uint32_t, std::size_t> position;
    position.reserve(links.size());
    THardwareNames names;
    TLinkSpeeds speeds(socket, true);
    const int descriptor = socket.Descriptor();
    for (std::size_t i = 0; i < links.size(); ++i) {
        const TLinkFacts& link = links[i];
        TAddressesRecord& record = records[i];
        position.emplace(link.Index, i);
        record.AdapterName = link.Name;
        if (!(flags & GAA_FLAG_SKIP_FRIENDLY_NAME)) {
            record.FriendlyName = link.Alias.empty() ? link.Name : link.Alias;
        }
        record.PhysicalAddress = link.HardwareAddress;
        record.Index = link.Index;
        record.Mtu = link.Mtu;
        record.OperStatus = Row2OperStatus(link.OperState, link.Carrier);
        const TLinkIdentity identity = IdentifyLink(cache, descriptor, link, names);
        record.IfType = identity.Type;
        record.Description = identity.Description;
        record.Speed = speeds.Of(link);
    }

    // Per link, the IPv4 addresses a lease may be for.
    std::vector<std::vector<TIpv4Address>> held(links.size());
    for (const TIpAddressFacts& address : socket.DumpIpAddresses(wanted)) {
        const auto found = position.find(address.LinkIndex);
        if (found == position.end()) {
            continue;
        }
        TAddressesRecord& record = records[found->second];
        const bool v4 = address.Address.Family == AF_INET;
        record.Flags |= v4 ? IP_ADAPTER_IPV4_ENABLED : IP_ADAPTER_IPV6_ENABLED;
        if (v4 && !(address.Flags & IFA_F_PERMANENT)) {
            record.Flags |= IP_ADAPTER_DHCP_ENABLED;
        }
        if (v4) {
            TIpv4Address bytes;
            std::copy_n(address.Address.Bytes.begin(), bytes.size(), bytes.begin());
            held[found->second].push_back(bytes);
        }
        if (!(flags & GAA_FLAG_SKIP_UNICAST)) {
            record.Unicast.push_back(
                DescribeUnicast(address, links[found->second].HardwareAddress));
        }
    }

    if (flags & GAA_FLAG_INCLUDE_GATEWAYS) {
        if (Wanted(AF_INET, wanted)) {
            std::vector<TDefaultRoute> routes = socket.DumpIpv4DefaultRoutes();
            SortByMetric(routes);
            for (const TDefaultRoute& route : routes) {
                if (const auto found = position.find(route.LinkIndex); found != position.end()) {
                    records[found->second].Gateways.push_back(FromIpv4(route.Gateway));
                }
            }
        }
        if (Wanted(AF_INET6, wanted)) {
            std::vector<TIpv6DefaultRoute> routes = socket.DumpIpv6DefaultRoutes();
            SortByMetric(routes);
            for (const TIpv6DefaultRoute& route : routes) {
                if (const auto found = position.find(route.LinkIndex); found != position.end()) {
                    records[found->second].Gateways.push_back(route.Gateway);
                }
            }
        }
    }

    // As GetAdaptersInfo decides: a lease for an address the link holds makes it DHCP.
    if (leases != nullptr &&
        std::any_of(held.begin(), held.end(), [](const auto& own) { return !own.empty(); })) {
        const TLeaseBook book(*leases);
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (held[i].empty()) {
                continue;
            }
            if (const auto lease = book.Find(links[i].Index, links[i].Name, held[i])) {
                records[i].Flags |= IP_ADAPTER_DHCP_ENABLED;
                records[i].Dhcpv4Server = lease->Server;
            }
        }
    }

    // A link's servers and domains in turn, so that its resolved state is read once.
    for (TAddressesRecord& record : records) {
        if (!(flags & GAA_FLAG_SKIP_DNS_SERVER)) {
            for (const TIpAddress& server : dns.ServersOf(record.Index)) {
                if (Wanted(server.Family, wanted)) {
                    record.DnsServers.push_back(server);
                }
            }
        }
        if (!(flags & GAA_FLAG_SKIP_DNS_INFO)) {
            TDnsDomains domains = dns.DomainsOf(record.Index);
            record.DnsSuffix = std::move(domains.Suffix);
            record.SearchDomains = std::move(domains.Search);
        }
    }
    return records;
}

} // namespace qmr
