#pragma once
// One reading of every link with its IPv4 addresses and default gateways, turned into adapter
// records. It is taken in two steps so that a call whose buffer is too small learns the size
// from the dumps alone, without asking every driver and lease file.

#include "provider/adapter_records.h"
#include "provider/dhcp_leases.h"
#include "provider/link_identity_cache.h"
#include "provider/route_socket.h"

#include <optional>
#include <vector>

namespace qmr {

struct TClockReading {
    std::int64_t WallSeconds = 0;
    // The kernel's address timestamps count hundredths of a second on this clock.
    std::uint32_t HundredthsSinceBoot = 0;
};

TClockReading ReadClocks();

struct TAdapterSnapshot {
    std::vector<TLinkFacts> Links;
    // Per link, in the kernel's order.
    std::vector<std::vector<TAddressFacts>> Addresses;
    // Per link: name, index, hardware address, addresses and gateways so far.
    std::vector<TAdapterRecord> Records;
};

// Links in ifindex order; addresses and routes of links not in `links` are dropped.
TAdapterSnapshot GroupAdapterFacts(std::vector<TLinkFacts> links,
                                   const std::vector<TAddressFacts>& addresses,
                                   std::vector<TDefaultRoute> routes);

struct TSizedSnapshot {
    TAdapterSnapshot Snapshot;
    // The bytes the whole answer takes.
    std::size_t Needed = 0;
    // Whether the answer fits the room, and the snapshot holds every link.
    bool Fits = false;
    std::size_t LinksListed = 0;
};

// A call without room for one record learns the size from the number of links, addresses and
// routes alone, without the kernel filling in, and the provider reading, every link's details.
TSizedSnapshot ReadAdapterSnapshot(TRouteSocket& socket, std::size_t room);

// DHCP from the addresses' permanence and the lease; lease times from the lease, else from
// the lifetimes of the leased or first dynamic address.
void ApplyDhcp(TAdapterRecord& record, const std::vector<TAddressFacts>& addresses,
               const std::optional<TDhcpLease>& lease, const TClockReading& clocks);

// Type, description and DHCP of every record; type and description from `cache` where it
// knows them.
void CompleteAdapterRecords(TAdapterSnapshot& snapshot, int descriptor, const TLeaseBook& leases,
                            const TClockReading& clocks, TLinkIdentityCache* cache = nullptr);

} // namespace qmr
