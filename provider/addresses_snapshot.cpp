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

// Lowest metric first; equal metrics in the kernel's order.
std::vector<TDefaultRoute> ByMetric(std::vector<TDefaultRoute> routes) {
    std::stable_sort(routes.begin(), routes.end(), [](const TDefaultRoute& a, const TDefaultRoute& b) {
        return a.Metric < b.Metric;
    });
    return routes;
}

} // namespace

std::vector<TAddressesRecord> ReadAddressesRecords(const TKernelView& kernel, ULONG family,
                                                   ULONG flags, TDnsBook& dns,
                                                   const TLeaseSources* leases) {
    const int wanted = LinuxFamily(family);
    const auto& links = kernel.Mirror.Links();
    if (kernel.Identities != nullptr) {
        kernel.Identities->KeepOnlyWhere([&](std::uint32_t index) { return links.contains(index); });
    }
    std::vector<TAddressesRecord> records(links.size());
    // Per link, the IPv4 addresses a lease may be for.
    std::vector<std::vector<TIpv4Address>> held(links.size());
    std::vector<const TLinkFacts*> linkOf(links.size());
    std::unordered_map<std::uint32_t, std::size_t> position;
    position.reserve(links.size());
    THardwareNames names;
    TLinkSpeeds speeds(kernel.Socket, true, &kernel.Mirror);
    const int descriptor = kernel.Socket.Descriptor();
    std::size_t i = 0;
    for (const auto& [index, kept] : links) {
        const TLinkFacts& link = kept.Facts;
        TAddressesRecord& record = records[i];
        linkOf[i] = &link;
        std::vector<TIpv4Address>& own = held[i];
        position.emplace(link.Index, i++);
        record.AdapterName = link.Name;
        if (!(flags & GAA_FLAG_SKIP_FRIENDLY_NAME)) {
            record.FriendlyName = link.Alias.empty() ? link.Name : link.Alias;
        }
        record.PhysicalAddress = link.HardwareAddress;
        record.Index = link.Index;
        record.Mtu = link.Mtu;
        record.OperStatus = Row2OperStatus(link.OperState, link.Carrier);
        const TLinkIdentity identity = IdentifyLink(kernel.Identities, descriptor, link, names);
        record.IfType = identity.Type;
        record.Description = identity.Description;
        record.Speed = speeds.Of(link);
        own.reserve(kept.Ipv4.size());
        if (!(flags & GAA_FLAG_SKIP_UNICAST)) {
            record.Unicast.reserve(kept.Ipv4.size() + kept.Ipv6.size());
        }
        // IPv4 before IPv6, as a dump of both families lists them.
        for (const auto* list : {&kept.Ipv4, &kept.Ipv6}) {
            for (const TKeptAddress& address : *list) {
                const bool v4 = list == &kept.Ipv4;
                if (!Wanted(v4 ? AF_INET : AF_INET6, wanted)) {
                    continue;
                }
                record.Flags |= v4 ? IP_ADAPTER_IPV4_ENABLED : IP_ADAPTER_IPV6_ENABLED;
                if (v4 && !(address.Facts.Flags & IFA_F_PERMANENT)) {
                    record.Flags |= IP_ADAPTER_DHCP_ENABLED;
                }
                if (v4) {
                    TIpv4Address bytes;
                    std::copy_n(address.Facts.Address.Bytes.begin(), bytes.size(), bytes.begin());
                    own.push_back(bytes);
                }
                if (!(flags & GAA_FLAG_SKIP_UNICAST)) {
                    record.Unicast.push_back(DescribeUnicast(address.Facts, link.HardwareAddress));
                }
            }
        }
    }

    if (flags & GAA_FLAG_INCLUDE_GATEWAYS) {
        for (const int routeFamily : {AF_INET, AF_INET6}) {
            if (!Wanted(routeFamily, wanted)) {
                continue;
            }
            for (const TDefaultRoute& route : ByMetric(kernel.Mirror.DefaultRoutes(routeFamily))) {
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
        for (std::size_t k = 0; k < records.size(); ++k) {
            if (held[k].empty()) {
                continue;
            }
            if (const auto lease = book.Find(linkOf[k]->Index, linkOf[k]->Name, held[k])) {
                records[k].Flags |= IP_ADAPTER_DHCP_ENABLED;
                records[k].Dhcpv4Server = lease->Server;
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
