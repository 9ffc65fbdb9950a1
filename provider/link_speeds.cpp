#include "link_speeds.h"

#include "provider/interface_ioctls.h"

#include <algorithm>
#include <net/if.h>

namespace qmr {

std::uint64_t TLinkSpeeds::Of(const TLinkFacts& link) {
    if (!(link.Flags & IFF_UP)) {
        return 0;
    }
    if (m_Kept != nullptr) {
        if (const std::optional<std::uint64_t> kept = m_Kept->KeptSpeed(link.Index)) {
            return *kept;
        }
    }
    const std::uint64_t speed = Ask(link);
    if (m_Kept != nullptr) {
        m_Kept->KeepSpeed(link.Index, speed);
    }
    return speed;
}

std::uint64_t TLinkSpeeds::Ask(const TLinkFacts& link) {
    if (m_Dump) {
        m_Dump = false;
        m_Dumped = m_Socket.DumpLinkSpeeds();
    }
    if (!m_Dumped) {
        return ReadLinkSpeed(m_Socket.Descriptor(), link.Name);
    }
    // The dump leaves out the links whose driver tells no speed.
    const auto found = std::lower_bound(
        m_Dumped->begin(), m_Dumped->end(), link.Index,
        [](const TLinkSpeed& speed, std::uint32_t index) { return speed.LinkIndex < index; });
    return found != m_Dumped->end() && found->LinkIndex == link.Index ? found->Speed : 0;
}

} // namespace qmr
