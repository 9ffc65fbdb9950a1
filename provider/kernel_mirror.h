#pragma once
// The links, addresses and default routes of one network namespace, kept from one call to the
// next and followed through the kernel's notices, as NetworkManager and systemd-networkd keep
// theirs: the notice groups are joined before the first dump, and every refresh applies what
// the kernel has said since without waiting for more. Anything that leaves the mirror unsure
// (notices lost to a full buffer, a notice it cannot read, a socket error) throws it away,
// and the next refresh dumps everything again. Counters change without notice and are never
// kept here.

#include "provider/kernel_facts.h"
#include "provider/link_identity_cache.h"
#include "provider/route_socket.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

struct nlmsghdr;

namespace qmr {

// An address as kept: its facts, the lifetimes in them as left at the last refresh, and the
// moments (hundredths of a second since boot) they run out at.
struct TKeptAddress {
    TIpAddressFacts Facts;
    std::uint64_t ValidUntil = 0;
    std::uint64_t PreferredUntil = 0;
};

struct TMirroredLink {
    // Without counters.
    TLinkFacts Facts;
    // Each family's addresses in the kernel's order.
    std::vector<TKeptAddress> Ipv4;
    std::vector<TKeptAddress> Ipv6;
};

class TKernelMirror {
public:
    // `noticeBuffer` sets the notice socket's receive buffer in bytes; 0 keeps the system's.
    explicit TKernelMirror(int noticeBuffer = 0) : m_NoticeBuffer(noticeBuffer) {}
    ~TKernelMirror();
    TKernelMirror(const TKernelMirror&) = delete;
    TKernelMirror& operator=(const TKernelMirror&) = delete;

    // Brings the mirror up to date through `socket`, a socket of the namespace the mirror
    // follows; `now` is the monotonic clock in hundredths of a second.
    void Refresh(TRouteSocket& socket, std::uint64_t now);
    // Forgets everything, the notice socket too.
    void Discard();

    // Every link in ifindex order.
    const std::map<std::uint32_t, TMirroredLink>& Links() const { return m_Links; }
    const TMirroredLink* Find(std::uint32_t index) const;
    // The family's default routes of the main table that have a gateway, in the kernel's order.
    const std::vector<TDefaultRoute>& DefaultRoutes(int family) const;

    // A link's negotiated speed as last asked, kept until the kernel says something of the link.
    std::optional<std::uint64_t> KeptSpeed(std::uint32_t index) const;
    void KeepSpeed(std::uint32_t index, std::uint64_t speed);

    // How many times the mirror was filled from whole dumps.
    std::size_t Fills() const { return m_Fills; }

private:
    void Fill(TRouteSocket& socket, std::uint64_t now);
    bool OpenNotices();
    // Reads every pending notice; false when the mirror can no longer be trusted.
    bool ApplyNotices();
    bool ApplyNotice(const nlmsghdr* message);
    void ReadAgain(TRouteSocket& socket, std::uint64_t now);
    void PlaceAddresses(const std::vector<TIpAddressFacts>& addresses, std::uint64_t now);
    void UpdateLifetimes(std::uint64_t now);

    int m_NoticeBuffer;
    int m_Notices = -1;
    bool m_Filled = false;
    std::size_t m_Fills = 0;
    std::vector<unsigned char> m_Received;
    std::map<std::uint32_t, TMirroredLink> m_Links;
    std::vector<TDefaultRoute> m_Ipv4Routes;
    std::vector<TDefaultRoute> m_Ipv6Routes;
    std::unordered_map<std::uint32_t, std::uint64_t> m_Speeds;
    // What the notices since the last refresh said has changed, to be read again.
    std::set<std::pair<std::uint32_t, int>> m_StaleAddresses;
    bool m_StaleIpv4Routes = false;
    bool m_StaleIpv6Routes = false;
    // Whether an address with a lifetime was placed since the mirror was last emptied; on a
    // machine of static addresses each call then skips the walk over every address.
    bool m_HoldsDeadlines = false;
};

// One call's view of the kernel: the mirror, current for the call, for links, addresses and
// routes; the socket for what changes without notice (counters); the links' static facts where
// they are kept.
struct TKernelView {
    TRouteSocket& Socket;
    TKernelMirror& Mirror;
    TLinkIdentityCache* Identities = nullptr;
    // The inode of the caller's network namespace, 0 where /proc could not tell it.
    std::uint64_t Namespace = 0;
};

// The monotonic clock in hundredths of a second, the kernel's address timestamps' unit.
std::uint64_t HundredthsSinceBoot();

} // namespace qmr
