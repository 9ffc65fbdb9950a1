#pragma once
// Every link with its IPv4 addresses and default gateways, as the mirror holds them, turned into
// adapter records. A call whose buffer is too small learns the size from the mirror alone,
// without a copy of it or a question to any driver or lease file.

#include "provider/adapter_records.h"
#include "provider/dhcp_leases.h"
#include "provider/kernel_mirror.h"
#include "provider/link_identity_cache.h"

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
    // The links' facts where the caller keeps them (the mirror, for the call's length).
    std::vector<const TLinkFacts*> Links;
    // Per link, its IPv4 addresses in the kernel's order.
    std::vector<std::vector<TIpAddressFacts>> Addresses;
    // Per link: name, index, hardware address, addresses and gateways so far.
    std::vector<TAdapterRecord> Records;
};

// Links in ifindex order; addresses and routes of links not in `links`, and those of IPv6, are
// dropped.
TAdapterSnapshot GroupAdapterFacts(std::vector<const TLinkFacts*> links,
                                   const std::vector<TIpAddressFacts>& addresses,
                                   std::vector<TDefaultRoute> routes);

// The records so far from the mirror.
TAdapterSnapshot ReadAdapterSnapshot(const TKernelMirror& mirror);
// The bytes the records of ReadAdapterSnapshot take packed, told without making them.
std::size_t AdaptersInfoSize(const TKernelMirror& mirror);

// DHCP from the addresses' permanence and the lease; lease times from the lease, else from
// the lifetimes of the leased or first dynamic address.
void ApplyDhcp(TAdapterRecord& record, const std::vector<TIpAddressFacts>& addresses,
               const std::optional<TDhcpLease>& lease, const TClockReading& clocks);

// Type, description and DHCP of every record; type and description from `cache` where it
// knows them.
void CompleteAdapterRecords(TAdapterSnapshot& snapshot, int descriptor, const TLeaseBook& leases,
                            const TClockReading& clocks, TLinkIdentityCache* cache = nullptr);

} // namespace qmr
