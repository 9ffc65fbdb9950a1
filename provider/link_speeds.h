#pragma once
// The negotiated speeds of the links one call describes. A speed changes only with the link's
// carrier or settings, of which the kernel tells, so the mirror keeps each link's until then.
// The others come, for a call about every link, from one ethtool dump asked at the first
// question, instead of one ioctl per link; the ioctl answers for a call about one link and
// wherever that dump cannot be had.

#include "provider/kernel_mirror.h"
#include "provider/route_socket.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace qmr {

class TLinkSpeeds {
public:
    TLinkSpeeds(TRouteSocket& socket, bool everyLink, TKernelMirror* kept = nullptr)
        : m_Socket(socket), m_Dump(everyLink), m_Kept(kept) {}

    // Bits per second; 0 when the driver does not know it, and for a link that is set down:
    // as sysfs does, it has negotiated nothing.
    std::uint64_t Of(const TLinkFacts& link);

private:
    std::uint64_t Ask(const TLinkFacts& link);

    TRouteSocket& m_Socket;
    bool m_Dump;
    TKernelMirror* m_Kept;
    std::optional<std::vector<TLinkSpeed>> m_Dumped;
};

} // namespace qmr
