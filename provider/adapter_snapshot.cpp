#include "adapter_snapshot.h"

#include "provider/hardware_names.h"

#include <algorithm>
#include <ctime>
#include <linux/if_addr.h>
#include <unordered_map>

namespace qmr {

namespace {

constexpr std::uint32_t kForever = 0xFFFFFFFFu;

// The bytes of the address nodes beyond each record's first address and first gateway.
std::size_t ExtraNodeBytes(const std::vector<std::uint32_t>& addressLinks,
                           const std::vector<TDefaultRoute>& routes) {
    // Per link: addresses, gateways.
    std::unordered_map<std::uint32_t, std::pair<std::size_t, std::size_t>> counts;
    for (const std::uint32_t link : addressLinks) {
        ++counts[link].first;
    }
    for (const TDefaultRoute& route : routes) {
        ++counts[route.LinkIndex].second;
    }
    std::size_t nodes = 0;
    for (const auto& [index, count] : counts) {
        nodes +=
            (count.first > 1 ? count.first - 1 : 0) + (count.second > 1 ? count.second - 1 : 0);
    }
    return nodes * sizeof(IP_ADDR_STRING);
}

} // namespace

TClockReading ReadClocks() {
    timespec wall{};
    timespec monotonic{};
    ::clock_gettime(CLOCK_REALTIME, &wall);
    ::clock_gettime(CLOCK_MONOTONIC, &monotonic);
    TClockReading clocks;
    clocks.WallSeconds = wall.tv_sec;
    clocks.HundredthsSinceBoot =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(monotonic.tv_sec) * 100u +
                                   static_cast<std::uint64_t>(monotonic.tv_nsec) / 10000000u);
    return clocks;
}

TAdapterSnapshot GroupAdapterFacts(std::vector<TLinkFacts> links,
                                   const std::vector<TAddressFacts>& addresses,
                                   std::vector<TDefaultRoute> routes) {
    TAdapterSnapshot snapshot;
    std::sort(links.begin(), links.end(),
              [](const TLinkFacts& a, const TLinkFacts& b) { return a.Index < b.Index; });
    snapshot.Links = std::move(links);
    const std::size_t count = snapshot.Links.size();
    snapshot.Addresses.resize(count);
    snapshot.Records.resize(count);
    std::unordered_map<std::uint32_t, std::size_t> position;
    position.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TLinkFacts& link = snapshot.Links[i];
        position.emplace(link.Index, i);
        TAdapterRecord& record = snapshot.Records[i];
        record.Name = link.Name;
        record.Index = link.Index;
        record.HardwareAddress = link.HardwareAddress;
    }
    for (const TAddressFacts& address : addresses) {
        if (const auto found = position.find(address.LinkIndex); found != position.end()) {
            snapshot.Addresses[found->second].push_back(address);
            snapshot.Records[found->second].Addresses.push_back(
                {address.Address, address.PrefixLength});
        }
    }
    std::stable_sort(
        routes.begin(), routes.end(),
        [](const TDefaultRoute& a, const TDefaultRoute& b) { return a.Metric < b.Metric; });
    for (const TDefaultRoute& route : routes) {
        if (const auto found = position.find(route.LinkIndex); found != position.end()) {
            snapshot.Records[found->second].Gateways.push_back(route.Gateway);
        }
    }
    return snapshot;
}

TSizedSnapshot ReadAdapterSnapshot(TRouteSocket& socket, std::size_t room) {
    TSizedSnapshot result;
    std::vector<TDefaultRoute> routes = socket.DumpIpv4DefaultRoutes();
    if (room < sizeof(IP_ADAPTER_INFO)) {
        // A call without room for one record (such as the window's first, with 640 bytes)
        // only learns the size: it needs the number of links, and of addresses and gateways
        // per link, and nothing of their details.
        result.LinksListed = socket.CountLinks();
        result.Needed = result.LinksListed * sizeof(IP_ADAPTER_INFO) +
                        ExtraNodeBytes(socket.DumpIpv4AddressLinks(), routes);
        return result;
    }
    // Any other call most likely has the room: the links are dumped, not counted first.
    const std::vector<TAddressFacts> addresses = socket.DumpIpv4Addresses();
    std::vector<std::uint32_t> owners;
    owners.reserve(addresses.size());
    for (const TAddressFacts& address : addresses) {
        owners.push_back(address.LinkIndex);
    }
    std::vector<TLinkFacts> links = socket.DumpLinks();
    result.LinksListed = links.size();
    result.Needed = links.size() * sizeof(IP_ADAPTER_INFO) + ExtraNodeBytes(owners, routes);
    result.Fits = result.Needed <= room;
    if (result.Fits) {
        result.Snapshot = GroupAdapterFacts(std::move(links), addresses, std::move(routes));
    }
    return result;
}

void ApplyDhcp(TAdapterRecord& record, const std::vector<TAddressFacts>& addresses,
               const std::optional<TDhcpLease>& lease, const TClockReading& clocks) {
    const TAddressFacts* timed = nullptr;
    for (const TAddressFacts& address : addresses) {
        const bool leased = lease && address.Address == lease->Address;
        if (leased || (timed == nullptr && !(address.Flags & IFA_F_PERMANENT))) {
            timed = &address;
        }
        if (leased) {
            break;
        }
    }
    record.DhcpEnabled =
        lease.has_value() || (timed != nullptr && !(timed->Flags & IFA_F_PERMANENT));
    if (!record.DhcpEnabled) {
        return;
    }
    if (lease) {
        record.DhcpServer = lease->Server;
        record.LeaseObtained = lease->Obtained;
        record.LeaseExpires = lease->Expires;
    }
    if (timed != nullptr && record.LeaseObtained == 0 && record.LeaseExpires == 0) {
        // Clients add and renew the address with the lease's lifetime.
        const std::uint32_t age = (clocks.HundredthsSinceBoot - timed->UpdatedAt) / 100u;
        record.LeaseObtained = clocks.WallSeconds - static_cast<std::int64_t>(age);
        record.LeaseExpires =
            timed->ValidLifetime == kForever ? 0 : clocks.WallSeconds + timed->ValidLifetime;
    }
}

void CompleteAdapterRecords(TAdapterSnapshot& snapshot, int descriptor, const TLeaseBook& leases,
                            const TClockReading& clocks, TLinkIdentityCache* cache) {
    if (cache != nullptr) {
        cache->KeepOnly(snapshot.Links);
    }
    THardwareNames names;
    std::vector<TIpv4Address> held;
    for (std::size_t i = 0; i < snapshot.Records.size(); ++i) {
        const TLinkFacts& link = snapshot.Links[i];
        TAdapterRecord& record = snapshot.Records[i];
        const TLinkIdentity identity = IdentifyLink(cache, descriptor, link, names);
        record.Type = identity.Type;
        record.Description = identity.Description;
        held.clear();
        for (const TPrefixedAddress& address : record.Addresses) {
            held.push_back(address.Address);
        }
        if (held.empty()) {
            // Nothing leased now, so no server and no lease times to tell.
            record.DhcpEnabled = leases.ConfiguredByDhcp(link.Index, link.Name);
            continue;
        }
        ApplyDhcp(record, snapshot.Addresses[i], leases.Find(link.Index, link.Name, held), clocks);
    }
}

} // namespace qmr
