#pragma once
// The negotiated speeds of the links one call describes. For a call about every link they come
// from one ethtool dump, asked at the first question, instead of one ioctl per link; the ioctl
// answers for a call about one link and wherever that dump cannot be had.

#include "provider/route_socket.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace qmr {

class TLinkSpeeds {
public:
    TLinkSpeeds(TRouteSocket& socket, bool everyLink) : m_Socket(socket), m_Dump(everyLink) {}

    // Bits per second; 0 when the driver does not know it, and for a link that is set down:
    // as sysfs does, it has negotiated nothing.
    std::uint64_t Of(const TLinkFacts& link);

private:
    TRouteSocket& m_Socket;
    bool m_Dump;
    std::optional<std::vector<TLinkSpeed>> m_Dumped;
};

} // namespace qmr
