#include "adapter_snapshot.h"

#include "provider/hardware_names.h"

#include <algorithm>
#include <ctime>
#include <linux/if_addr.h>
#include <sys/socket.h>
#include <unordered_map>

namespace qmr {

namespace {

constexpr std::uint32_t kForever = 0xFFFFFFFFu;

TIpv4Address Ipv4Of(const TIpAddress& address) {
    return {address.Bytes[0], address.Bytes[1], address.Bytes[2], address.Bytes[3]};
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

TAdapterSnapshot GroupAdapterFacts(std::vector<const TLinkFacts*> links,
                                   const std::vector<TIpAddressFacts>& addresses,
                                   std::vector<TDefaultRoute> routes) {
    TAdapterSnapshot snapshot;
    std::sort(links.begin(), links.end(),
              [](const TLinkFacts* a, const TLinkFacts* b) { return a->Index < b->Index; });
    snapshot.Links = std::move(links);
    const std::size_t count = snapshot.Links.size();
    snapshot.Addresses.resize(count);
    snapshot.Records.resize(count);
    std::unordered_map<std::uint32_t, std::size_t> position;
    position.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TLinkFacts& link = *snapshot.Links[i];
        position.emplace(link.Index, i);
        TAdapterRecord& record = snapshot.Records[i];
        record.Name = link.Name;
        record.Index = link.Index;
        record.HardwareAddress = link.HardwareAddress;
    }
    for (const TIpAddressFacts& address : addresses) {
        const auto found = position.find(address.LinkIndex);
        if (address.Address.Family == AF_INET && found != position.end()) {
            snapshot.Addresses[found->second].push_back(address);
            snapshot.Records[found->second].Addresses.push_back(
                {Ipv4Of(address.Address), address.PrefixLength});
        }
    }
    std::stable_sort(
        routes.begin(), routes.end(),
        [](const TDefaultRoute& a, const TDefaultRoute& b) { return a.Metric < b.Metric; });
    for (const TDefaultRoute& route : routes) {
        const auto found = position.find(route.LinkIndex);
        if (route.Gateway.Family == AF_INET && found != position.end()) {
            snapshot.Records[found->second].Gateways.push_back(Ipv4Of(route.Gateway));
        }
    }
    return snapshot;
}

TAdapterSnapshot ReadAdapterSnapshot(const TKernelMirror& mirror) {
    std::vector<const TLinkFacts*> links;
    std::vector<TIpAddressFacts> addresses;
    links.reserve(mirror.Links().size());
    for (const auto& [index, link] : mirror.Links()) {
        links.push_back(&link.Facts);
        for (const TKeptAddress& address : link.Ipv4) {
            addresses.push_back(address.Facts);
        }
    }
    return GroupAdapterFacts(std::move(links), addresses, mirror.DefaultRoutes(AF_INET));
}

std::size_t AdaptersInfoSize(const TKernelMirror& mirror) {
    std::size_t nodes = 0;
    for (const auto& [index, link] : mirror.Links()) {
        nodes += link.Ipv4.size() > 1 ? link.Ipv4.size() - 1 : 0;
    }
    // Every link's first gateway lives in its record; each further one takes a node.
    std::unordered_map<std::uint32_t, std::size_t> gateways;
    for (const TDefaultRoute& route : mirror.DefaultRoutes(AF_INET)) {
        if (route.Gateway.Family == AF_INET && mirror.Find(route.LinkIndex) != nullptr &&
            gateways[route.LinkIndex]++ > 0) {
            ++nodes;
        }
    }
    return mirror.Links().size() * sizeof(IP_ADAPTER_INFO) + nodes * sizeof(IP_ADDR_STRING);
}

void ApplyDhcp(TAdapterRecord& record, const std::vector<TIpAddressFacts>& addresses,
               const std::optional<TDhcpLease>& lease, const TClockReading& clocks) {
    const TIpAddressFacts* timed = nullptr;
    for (const TIpAddressFacts& address : addresses) {
        const bool leased = lease && address.Address == FromIpv4(lease->Address);
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
        const TLinkFacts& link = *snapshot.Links[i];
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
