#include "kernel_mirror.h"

#include "provider/route_replies.h"

#include <netlink/msg.h>
#include <netlink/netlink.h>

#include <cerrno>
#include <ctime>
#include <limits>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qmr {

namespace {

constexpr std::uint32_t kForever = 0xFFFFFFFFu;
constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
// One notice is a single message of a few kilobytes at most; a bigger one is cut and says so.
constexpr std::size_t kNoticeBlock = 64 * 1024;
// Beyond this many links whose addresses of one family changed, one dump of the family costs
// less than a dump per link.
constexpr std::size_t kLinksReadOneByOne = 32;

std::uint64_t Deadline(std::uint32_t lifetime, std::uint64_t now) {
    return lifetime == kForever ? kNever : now + std::uint64_t{lifetime} * 100u;
}

// The seconds left until the deadline, rounded up as the kernel rounds the time gone down.
std::uint32_t Left(std::uint64_t deadline, std::uint64_t now) {
    if (deadline == kNever) {
        return kForever;
    }
    return deadline > now ? static_cast<std::uint32_t>((deadline - now + 99) / 100) : 0;
}

} // namespace

std::uint64_t HundredthsSinceBoot() {
    timespec monotonic{};
    ::clock_gettime(CLOCK_MONOTONIC, &monotonic);
    return static_cast<std::uint64_t>(monotonic.tv_sec) * 100u +
           static_cast<std::uint64_t>(monotonic.tv_nsec) / 10'000'000u;
}

TKernelMirror::~TKernelMirror() {
    Discard();
}

void TKernelMirror::Discard() {
    if (m_Notices >= 0) {
        ::close(m_Notices);
        m_Notices = -1;
    }
    m_Filled = false;
    m_Links.clear();
    m_Ipv4Routes.clear();
    m_Ipv6Routes.clear();
    m_Speeds.clear();
    m_StaleAddresses.clear();
    m_StaleIpv4Routes = m_StaleIpv6Routes = false;
    m_HoldsDeadlines = false;
}

const TMirroredLink* TKernelMirror::Find(std::uint32_t index) const {
    const auto found = m_Links.find(index);
    return found != m_Links.end() ? &found->second : nullptr;
}

const std::vector<TDefaultRoute>& TKernelMirror::DefaultRoutes(int family) const {
    return family == AF_INET6 ? m_Ipv6Routes : m_Ipv4Routes;
}

std::optional<std::uint64_t> TKernelMirror::KeptSpeed(std::uint32_t index) const {
    const auto found = m_Speeds.find(index);
    return found != m_Speeds.end() ? std::optional<std::uint64_t>(found->second) : std::nullopt;
}

void TKernelMirror::KeepSpeed(std::uint32_t index, std::uint64_t speed) {
    // Only a mirror that hears of the link's changes may keep what the driver said of it.
    if (m_Filled) {
        m_Speeds[index] = speed;
    }
}

void TKernelMirror::Refresh(TRouteSocket& socket, std::uint64_t now) {
    try {
        if (m_Filled && !ApplyNotices()) {
            Discard();
        }
        if (!m_Filled) {
            Fill(socket, now);
        }
        ReadAgain(socket, now);
        UpdateLifetimes(now);
    } catch (...) {
        // Half a refresh is worse than none.
        Discard();
        throw;
    }
}

bool TKernelMirror::OpenNotices() {
    m_Notices = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (m_Notices < 0) {
        return false;
    }
    if (m_NoticeBuffer > 0) {
        ::setsockopt(m_Notices, SOL_SOCKET, SO_RCVBUF, &m_NoticeBuffer, sizeof m_NoticeBuffer);
    }
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    bool joined = ::bind(m_Notices, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    for (const int group : {RTNLGRP_LINK, RTNLGRP_IPV4_IFADDR, RTNLGRP_IPV6_IFADDR,
                            RTNLGRP_IPV4_ROUTE, RTNLGRP_IPV6_ROUTE}) {
        joined = joined && ::setsockopt(m_Notices, SOL_NETLINK, NETLINK_ADD_MEMBERSHIP, &group,
                                        sizeof group) == 0;
    }
    if (!joined) {
        ::close(m_Notices);
        m_Notices = -1;
    }
    return joined;
}

void TKernelMirror::Fill(TRouteSocket& socket, std::uint64_t now) {
    Discard();
    // Joined before the dumps, so that nothing changed while they run goes unheard. Where the
    // groups cannot be joined, the mirror serves this call only and the next one dumps again.
    const bool following = OpenNotices();
    for (TLinkFacts& link : socket.DumpLinks()) {
        const std::uint32_t index = link.Index;
        m_Links[index].Facts = std::move(link);
    }
    PlaceAddresses(socket.DumpAddresses(AF_UNSPEC), now);
    m_Ipv4Routes = socket.DumpDefaultRoutes(AF_INET);
    m_Ipv6Routes = socket.DumpDefaultRoutes(AF_INET6);
    m_Filled = following;
    ++m_Fills;
}

bool TKernelMirror::ApplyNotices() {
    if (m_Received.size() < kNoticeBlock) {
        m_Received.resize(kNoticeBlock);
    }
    for (;;) {
        sockaddr_nl sender{};
        iovec block{m_Received.data(), m_Received.size()};
        msghdr header{};
        header.msg_name = &sender;
        header.msg_namelen = sizeof sender;
        header.msg_iov = &block;
        header.msg_iovlen = 1;
        const ssize_t length = ::recvmsg(m_Notices, &header, MSG_DONTWAIT);
        if (length < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Nothing more is pending; anything else, ENOBUFS above all, means notices were lost.
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        if (length == 0 || (header.msg_flags & MSG_TRUNC) != 0) {
            return false;
        }
        // Only the kernel speaks for the kernel.
        if (sender.nl_pid != 0) {
            continue;
        }
        int left = static_cast<int>(length);
        auto* message = reinterpret_cast<nlmsghdr*>(m_Received.data());
        for (; nlmsg_ok(message, left); message = nlmsg_next(message, &left)) {
            if (!ApplyNotice(message)) {
                return false;
            }
        }
        if (left != 0) {
            return false;
        }
    }
}

bool TKernelMirror::ApplyNotice(const nlmsghdr* message) {
    switch (message->nlmsg_type) {
    case RTM_NEWLINK:
    case RTM_DELLINK: {
        if (!nlmsg_valid_hdr(message, sizeof(ifinfomsg))) {
            return false;
        }
        const auto* info = static_cast<const ifinfomsg*>(nlmsg_data(message));
        // A bridge tells of its ports in messages of its own family under the same types; a
        // port leaving its bridge is no link leaving the namespace.
        if (info->ifi_family != AF_UNSPEC) {
            return true;
        }
        const auto index = static_cast<std::uint32_t>(info->ifi_index);
        m_Speeds.erase(index);
        if (message->nlmsg_type == RTM_DELLINK) {
            // IPv4 drops the routes through a link that goes away without a notice of its own.
            m_Links.erase(index);
            m_StaleIpv4Routes = m_StaleIpv6Routes = true;
            return true;
        }
        TLinkFacts facts;
        if (!ParseLinkMessage(message, facts)) {
            return false;
        }
        const auto [entry, added] = m_Links.try_emplace(index);
        TLinkFacts& kept = entry->second.Facts;
        if (added || kept.Flags != facts.Flags || kept.Carrier != facts.Carrier) {
            // Nor does it tell of the routes a link set down takes with it.
            m_StaleIpv4Routes = m_StaleIpv6Routes = true;
        }
        if (added) {
            // A link moved in from another namespace: whatever it holds is read.
            m_StaleAddresses.insert({index, AF_INET});
            m_StaleAddresses.insert({index, AF_INET6});
        }
        kept = std::move(facts);
        return true;
    }
    case RTM_NEWADDR:
    case RTM_DELADDR: {
        if (!nlmsg_valid_hdr(message, sizeof(ifaddrmsg))) {
            return false;
        }
        // The kernel's order of a link's addresses (primaries by scope, secondaries after,
        // promotions when a primary goes) is not told by the notice: the link's addresses of
        // the family are read again, once however many notices name them.
        const auto* info = static_cast<const ifaddrmsg*>(nlmsg_data(message));
        if (info->ifa_family == AF_INET || info->ifa_family == AF_INET6) {
            m_StaleAddresses.insert({info->ifa_index, info->ifa_family});
        }
        if (message->nlmsg_type == RTM_DELADDR && info->ifa_family == AF_INET) {
            // Routes through a gateway the address reached go without notice.
            m_StaleIpv4Routes = true;
        }
        return true;
    }
    case RTM_NEWROUTE:
    case RTM_DELROUTE: {
        if (!nlmsg_valid_hdr(message, sizeof(rtmsg))) {
            return false;
        }
        const auto* route = static_cast<const rtmsg*>(nlmsg_data(message));
        // Replacing and appending routes, and multipath hops coming and going one by one,
        // are the kernel's to order: a notice of a default route has that family's read again.
        // Only the main table's are kept (the kernel names a table beyond 255 by an attribute and
        // this field as RT_TABLE_COMPAT, so the main table is always named here).
        if (route->rtm_dst_len == 0 && route->rtm_table == RT_TABLE_MAIN) {
            m_StaleIpv4Routes = m_StaleIpv4Routes || route->rtm_family == AF_INET;
            m_StaleIpv6Routes = m_StaleIpv6Routes || route->rtm_family == AF_INET6;
        }
        return true;
    }
    case NLMSG_NOOP:
        return true;
    default:
        // An overrun, an error or an end of dump has no place among notices: nothing to trust
        // what follows. A notice of a kind the mirror does not keep changes nothing it holds.
        return message->nlmsg_type >= NLMSG_MIN_TYPE;
    }
}

void TKernelMirror::ReadAgain(TRouteSocket& socket, std::uint64_t now) {
    for (const int family : {AF_INET, AF_INET6}) {
        std::vector<std::uint32_t> stale;
        for (const auto& [index, staleFamily] : m_StaleAddresses) {
            if (staleFamily == family && m_Links.contains(index)) {
                stale.push_back(index);
            }
        }
        const auto listOf = [family](TMirroredLink& link) -> std::vector<TKeptAddress>& {
            return family == AF_INET ? link.Ipv4 : link.Ipv6;
        };
        if (stale.size() > kLinksReadOneByOne) {
            for (auto& [index, link] : m_Links) {
                listOf(link).clear();
            }
            PlaceAddresses(socket.DumpAddresses(family), now);
            continue;
        }
        for (const std::uint32_t index : stale) {
            listOf(m_Links[index]).clear();
            PlaceAddresses(socket.DumpAddresses(family, index), now);
        }
    }
    m_StaleAddresses.clear();
    if (m_StaleIpv4Routes) {
        m_Ipv4Routes = socket.DumpDefaultRoutes(AF_INET);
        m_StaleIpv4Routes = false;
    }
    if (m_StaleIpv6Routes) {
        m_Ipv6Routes = socket.DumpDefaultRoutes(AF_INET6);
        m_StaleIpv6Routes = false;
    }
}

void TKernelMirror::PlaceAddresses(const std::vector<TIpAddressFacts>& addresses,
                                   std::uint64_t now) {
    for (const TIpAddressFacts& address : addresses) {
        const auto found = m_Links.find(address.LinkIndex);
        if (found == m_Links.end()) {
            continue;
        }
        auto& list = address.Address.Family == AF_INET ? found->second.Ipv4 : found->second.Ipv6;
        const std::uint64_t validUntil = Deadline(address.ValidLifetime, now);
        const std::uint64_t preferredUntil = Deadline(address.PreferredLifetime, now);
        m_HoldsDeadlines = m_HoldsDeadlines || validUntil != kNever || preferredUntil != kNever;
        list.push_back({address, validUntil, preferredUntil});
    }
}

void TKernelMirror::UpdateLifetimes(std::uint64_t now) {
    if (!m_HoldsDeadlines) {
        return; // every address is forever: nothing to count down
    }
    for (auto& [index, link] : m_Links) {
        for (auto* list : {&link.Ipv4, &link.Ipv6}) {
            for (TKeptAddress& address : *list) {
                address.Facts.ValidLifetime = Left(address.ValidUntil, now);
                address.Facts.PreferredLifetime = Left(address.PreferredUntil, now);
            }
        }
    }
}

} // namespace qmr
