#pragma once
// The 32-bit and 64-bit interface rows, and the facts of one link or of every link they are
// filled from.

#include "network/iphlpapi_records.h"
#include "provider/link_identity.h"
#include "provider/kernel_mirror.h"
#include "provider/wireless.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace qmr {

struct TInterfaceFacts {
    TLinkFacts Link;
    TLinkIdentity Identity;
    // Bits per second; 0 when unknown.
    std::uint64_t Speed = 0;
    // Empty when the driver tells none.
    std::vector<std::uint8_t> PermanentAddress;
    // For a wireless link that is up, what nl80211 tells; nothing where it could not be asked.
    std::optional<TWirelessFacts> Radio;
};

// The speed of a wireless link: the transmit rate nl80211 tells; the wireless extensions'
// rate where nl80211 could not be asked or named no rate; 0 while not associated.
std::uint64_t WirelessSpeed(const std::optional<TWirelessFacts>& radio,
                            std::uint64_t (*extensionsRate)(int, const std::string&),
                            int descriptor, const std::string& name);

// Nothing when no link has the index. The link from the mirror, its counters from one request
// for that link; the static facts from the view's cache where it knows them (without one they
// are asked for).
std::optional<TInterfaceFacts> ReadInterfaceFacts(const TKernelView& kernel, std::uint32_t index,
                                                  bool withPermanentAddress);

// Every link of the namespace, in ifindex order, from the mirror, with the counters of one
// statistics dump. A link the dump no longer lists has gone since the mirror heard of it and
// is left out.
std::vector<TInterfaceFacts> ReadEveryInterfaceFacts(const TKernelView& kernel,
                                                     bool withPermanentAddress = true);

// The bytes of a MIB_IF_TABLE2, and of a MIB_IFTABLE, with that many rows.
std::size_t IfTable2Size(std::size_t rows);
std::size_t IfTableSize(std::size_t rows);

// Fill every field of the row (the caller's dwIndex/InterfaceIndex included).
void FillIfRow(const TInterfaceFacts& facts, MIB_IFROW& row);
void FillIfRow2(const TInterfaceFacts& facts, MIB_IF_ROW2& row);

} // namespace qmr
