#pragma once
// The 32-bit and 64-bit interface rows of one link.

#include "network/iphlpapi_records.h"
#include "provider/link_identity.h"
#include "provider/route_socket.h"

#include <optional>

namespace qmr {

struct TInterfaceFacts {
    TLinkFacts Link;
    TLinkIdentity Identity;
    // Bits per second; 0 when unknown.
    std::uint64_t Speed = 0;
    // Empty when the driver tells none.
    std::vector<std::uint8_t> PermanentAddress;
};

// Nothing when no link has the index.
std::optional<TInterfaceFacts> ReadInterfaceFacts(TRouteSocket& socket, std::uint32_t index,
                                                  bool withPermanentAddress);

// Fill every field of the row (the caller's dwIndex/InterfaceIndex included).
void FillIfRow(const TInterfaceFacts& facts, MIB_IFROW& row);
void FillIfRow2(const TInterfaceFacts& facts, MIB_IF_ROW2& row);

} // namespace qmr
