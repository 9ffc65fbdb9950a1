#include "route_replies.h"

#include "provider/interface_ioctls.h"

#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>

#include <array>
#include <cstring>
#include <linux/ethtool_netlink.h>
#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace qmr {

namespace {

template <typename T> void Collect(void* target, T&& item) {
    auto* collector = static_cast<TReplyCollector<std::decay_t<T>>*>(target);
    try {
        collector->Items->push_back(std::forward<T>(item));
    } catch (...) {
        collector->Error = std::current_exception();
    }
}

// The attributes the readers use, checked by the netlink library before they are read: strings
// must be terminated, numbers and structures long enough.
template <std::size_t Max> using TPolicy = std::array<nla_policy, Max + 1>;

const TPolicy<IFLA_INFO_MAX>& LinkInfoPolicy() {
    static const TPolicy<IFLA_INFO_MAX> policy = [] {
        TPolicy<IFLA_INFO_MAX> p{};
        p[IFLA_INFO_KIND].type = NLA_STRING;
        return p;
    }();
    return policy;
}

const TPolicy<IFA_MAX>& AddressPolicy() {
    static const TPolicy<IFA_MAX> policy = [] {
        TPolicy<IFA_MAX> p{};
        p[IFA_FLAGS].type = NLA_U32;
        p[IFA_CACHEINFO].minlen = sizeof(ifa_cacheinfo);
        return p;
    }();
    return policy;
}

template <std::size_t Size>
bool ParseReply(const nlmsghdr* header, int type, int headerLength,
                std::array<nlattr*, Size>& table, const std::array<nla_policy, Size>& policy) {
    return header->nlmsg_type == type &&
           nlmsg_parse(const_cast<nlmsghdr*>(header), headerLength, table.data(),
                       static_cast<int>(Size - 1), const_cast<nla_policy*>(policy.data())) == 0;
}

// The attributes a link's facts are read from, found in one pass over the message: a full
// parse checks and indexes the fifty-odd others as well, for every link of every dump. Those
// read as text must be terminated, numbers long enough; a link whose are not is left out.
bool PickLinkAttributes(const nlmsghdr* message, std::array<const nlattr*, IFLA_MAX + 1>& a) {
    if (message->nlmsg_type != RTM_NEWLINK || !nlmsg_valid_hdr(message, sizeof(ifinfomsg))) {
        return false;
    }
    nlattr* attribute = nullptr;
    int left = 0;
    nlmsg_for_each_attr(attribute, message, sizeof(ifinfomsg), left) {
        // The header's own fields: the library's accessors are calls, fifty per link.
        const int type = attribute->nla_type & NLA_TYPE_MASK;
        const int length = attribute->nla_len - NLA_HDRLEN;
        switch (type) {
        case IFLA_IFNAME:
        case IFLA_IFALIAS:
            if (length < 1 || static_cast<const char*>(nla_data(attribute))[length - 1] != 0) {
                return false;
            }
            break;
        case IFLA_OPERSTATE:
        case IFLA_CARRIER:
            if (length < 1) {
                return false;
            }
            break;
        case IFLA_MTU:
            if (length < 4) {
                return false;
            }
            break;
        case IFLA_LINKINFO:
        case IFLA_ADDRESS:
        case IFLA_PERM_ADDRESS:
        case IFLA_GRO_MAX_SIZE:
            break;
        default:
            continue;
        }
        a[type] = attribute;
    }
    return true;
}

// The kernel's counters block; a shorter one (from an older kernel) leaves the rest at zero.
template <typename KernelStatistics> TLinkStatistics CopyStatistics(const nlattr* attribute) {
    KernelStatistics k{};
    std::memcpy(&k, nla_data(attribute), std::min<std::size_t>(nla_len(attribute), sizeof k));
    return {k.rx_bytes,     k.rx_packets, k.multicast,  k.rx_dropped, k.rx_errors,
            k.rx_nohandler, k.tx_bytes,   k.tx_packets, k.tx_dropped, k.tx_errors};
}

// An address attribute of the family's length; false for any other length or family.
bool CopyAddress(const nlattr* attribute, int family, TIpAddress& out) {
    const auto length = static_cast<std::size_t>(nla_len(attribute));
    if ((family != AF_INET || length != 4) && (family != AF_INET6 || length != 16)) {
        return false;
    }
    out.Family = family;
    std::memcpy(out.Bytes.data(), nla_data(attribute), length);
    return true;
}

bool IsLinkLocal(const TIpAddress& address) {
    return address.Family == AF_INET6 && address.Bytes[0] == 0xFE &&
           (address.Bytes[1] & 0xC0) == 0x80;
}

// The checks the attributes read here must pass; a route that fails them is left out whole.
const std::array<nla_policy, RTA_MAX + 1>& RoutePolicy() {
    static const std::array<nla_policy, RTA_MAX + 1> policy = [] {
        std::array<nla_policy, RTA_MAX + 1> p{};
        p[RTA_OIF].type = NLA_U32;
        p[RTA_PRIORITY].type = NLA_U32;
        p[RTA_TABLE].type = NLA_U32;
        p[RTA_MULTIPATH].type = NLA_NESTED;
        return p;
    }();
    return policy;
}

} // namespace

// Reads only the attributes a link's facts need: the library's link objects would parse (and
// allocate for) every address family's settings the kernel sends along.
bool ParseLinkMessage(const nlmsghdr* message, TLinkFacts& facts) {
    std::array<const nlattr*, IFLA_MAX + 1> a{};
    if (!PickLinkAttributes(message, a)) {
        return false;
    }
    const auto* info = static_cast<const ifinfomsg*>(nlmsg_data(message));
    facts = TLinkFacts{};
    facts.Index = static_cast<std::uint32_t>(info->ifi_index);
    facts.ArpType = info->ifi_type;
    facts.Flags = info->ifi_flags;
    if (a[IFLA_IFNAME] != nullptr) {
        facts.Name = nla_get_string(a[IFLA_IFNAME]);
    }
    if (a[IFLA_IFALIAS] != nullptr) {
        facts.Alias = nla_get_string(a[IFLA_IFALIAS]);
    }
    if (a[IFLA_LINKINFO] != nullptr) {
        std::array<nlattr*, IFLA_INFO_MAX + 1> linkInfo{};
        if (nla_parse_nested(linkInfo.data(), IFLA_INFO_MAX, const_cast<nlattr*>(a[IFLA_LINKINFO]),
                             const_cast<nla_policy*>(LinkInfoPolicy().data())) == 0 &&
            linkInfo[IFLA_INFO_KIND] != nullptr) {
            facts.Kind = nla_get_string(linkInfo[IFLA_INFO_KIND]);
        }
    }
    if (const nlattr* address = a[IFLA_ADDRESS]; address != nullptr) {
        const auto* bytes = static_cast<const std::uint8_t*>(nla_data(address));
        facts.HardwareAddress.assign(bytes, bytes + nla_len(address));
    }
    if (const nlattr* address = a[IFLA_PERM_ADDRESS]; address != nullptr) {
        const auto* bytes = static_cast<const std::uint8_t*>(nla_data(address));
        facts.PermanentAddress.assign(bytes, bytes + nla_len(address));
    }
    facts.OperState = a[IFLA_OPERSTATE] != nullptr ? nla_get_u8(a[IFLA_OPERSTATE]) : 0;
    facts.Carrier = a[IFLA_CARRIER] != nullptr && nla_get_u8(a[IFLA_CARRIER]) != 0;
    facts.Mtu = a[IFLA_MTU] != nullptr ? nla_get_u32(a[IFLA_MTU]) : 0;
    // The burnt-in address came with 5.5; a kernel that sends the largest GRO size (5.19 on,
    // with every link) is that new.
    facts.PermanentAddressTold = a[IFLA_PERM_ADDRESS] != nullptr || a[IFLA_GRO_MAX_SIZE] != nullptr;
    return true;
}

void ReadLinkReply(const nlmsghdr* message, void* target) {
    TLinkFacts facts;
    try {
        if (!ParseLinkMessage(message, facts)) {
            return;
        }
    } catch (...) {
        static_cast<TReplyCollector<TLinkFacts>*>(target)->Error = std::current_exception();
        return;
    }
    Collect(target, std::move(facts));
}

void ReadStatsReply(const nlmsghdr* message, void* target) {
    if (message->nlmsg_type != RTM_NEWSTATS || !nlmsg_valid_hdr(message, sizeof(if_stats_msg))) {
        return;
    }
    const auto* header = static_cast<const if_stats_msg*>(nlmsg_data(message));
    const nlattr* counters =
        nlmsg_find_attr(const_cast<nlmsghdr*>(message), sizeof(if_stats_msg), IFLA_STATS_LINK_64);
    if (counters == nullptr) {
        return;
    }
    Collect(target, TLinkCounters{header->ifindex, CopyStatistics<rtnl_link_stats64>(counters)});
}

// The local address; a point-to-point address also names its peer in IFA_ADDRESS.
void ReadAddressReply(const nlmsghdr* header, void* target) {
    std::array<nlattr*, IFA_MAX + 1> a{};
    if (!ParseReply(header, RTM_NEWADDR, sizeof(ifaddrmsg), a, AddressPolicy())) {
        return;
    }
    const auto* info = static_cast<const ifaddrmsg*>(nlmsg_data(header));
    const nlattr* local = a[IFA_LOCAL] != nullptr ? a[IFA_LOCAL] : a[IFA_ADDRESS];
    TIpAddressFacts facts;
    if (local == nullptr || !CopyAddress(local, info->ifa_family, facts.Address)) {
        return;
    }
    facts.LinkIndex = info->ifa_index;
    if (IsLinkLocal(facts.Address)) {
        facts.Address.ScopeId = info->ifa_index;
    }
    facts.PrefixLength = info->ifa_prefixlen;
    // The header holds only the lower eight flags.
    facts.Flags = a[IFA_FLAGS] != nullptr ? nla_get_u32(a[IFA_FLAGS]) : info->ifa_flags;
    if (a[IFA_CACHEINFO] != nullptr) {
        ifa_cacheinfo cache{};
        std::memcpy(&cache, nla_data(a[IFA_CACHEINFO]), sizeof cache);
        facts.ValidLifetime = cache.ifa_valid;
        facts.PreferredLifetime = cache.ifa_prefered;
        facts.UpdatedAt = cache.tstamp;
    }
    Collect(target, std::move(facts));
}

std::vector<TDefaultRouteHop> DefaultRouteHops(const nlmsghdr* header, int family) {
    std::vector<TDefaultRouteHop> hops;
    if (header->nlmsg_type != RTM_NEWROUTE ||
        header->nlmsg_len < NLMSG_LENGTH(static_cast<unsigned>(sizeof(rtmsg)))) {
        return hops;
    }
    const auto* route = static_cast<const rtmsg*>(nlmsg_data(header));
    if (route->rtm_family != family || route->rtm_dst_len != 0 || route->rtm_type != RTN_UNICAST) {
        return hops;
    }
    std::array<nlattr*, RTA_MAX + 1> a{};
    auto* policy = const_cast<nla_policy*>(RoutePolicy().data());
    if (nlmsg_parse(const_cast<nlmsghdr*>(header), sizeof(rtmsg), a.data(), RTA_MAX, policy) != 0) {
        return hops;
    }
    // Tables past 255 are named in the attribute alone.
    const std::uint32_t table =
        a[RTA_TABLE] != nullptr ? nla_get_u32(a[RTA_TABLE]) : route->rtm_table;
    if (table != RT_TABLE_MAIN) {
        return hops;
    }
    const std::uint32_t metric = a[RTA_PRIORITY] != nullptr ? nla_get_u32(a[RTA_PRIORITY]) : 0;
    if (const nlattr* multipath = a[RTA_MULTIPATH]; multipath != nullptr) {
        // rtnexthop records, each followed by attributes of its own.
        int left = nla_len(multipath);
        for (auto* hop = static_cast<rtnexthop*>(nla_data(multipath)); RTNH_OK(hop, left);
             left -= static_cast<int>(RTNH_ALIGN(hop->rtnh_len)), hop = RTNH_NEXT(hop)) {
            std::array<nlattr*, RTA_MAX + 1> h{};
            const int length = hop->rtnh_len - static_cast<int>(sizeof(rtnexthop));
            if (length > 0 &&
                nla_parse(h.data(), RTA_MAX, reinterpret_cast<nlattr*>(RTNH_DATA(hop)), length,
                          policy) != 0) {
                hops.clear();
                return hops;
            }
            hops.push_back({static_cast<std::uint32_t>(hop->rtnh_ifindex), h[RTA_GATEWAY], metric});
        }
    }
    if (hops.empty() && (a[RTA_GATEWAY] != nullptr || a[RTA_OIF] != nullptr)) {
        const std::uint32_t link = a[RTA_OIF] != nullptr ? nla_get_u32(a[RTA_OIF]) : 0;
        hops.push_back({link, a[RTA_GATEWAY], metric});
    }
    return hops;
}

void ReadRouteReply(const nlmsghdr* message, void* target) {
    if (message->nlmsg_len < NLMSG_LENGTH(static_cast<unsigned>(sizeof(rtmsg)))) {
        return;
    }
    const int family = static_cast<const rtmsg*>(nlmsg_data(message))->rtm_family;
    for (const TDefaultRouteHop& hop : DefaultRouteHops(message, family)) {
        TDefaultRoute facts;
        if (hop.Gateway == nullptr || !CopyAddress(hop.Gateway, family, facts.Gateway)) {
            continue;
        }
        facts.LinkIndex = hop.LinkIndex;
        // A router is usually named by its link-local address, which means nothing without
        // the link it is reached through.
        if (IsLinkLocal(facts.Gateway)) {
            facts.Gateway.ScopeId = facts.LinkIndex;
        }
        facts.Metric = hop.Metric;
        Collect(target, std::move(facts));
    }
}

void ReadLinkModesReply(const nlmsghdr* message, void* target) {
    static const TPolicy<ETHTOOL_A_LINKMODES_MAX> policy = [] {
        TPolicy<ETHTOOL_A_LINKMODES_MAX> p{};
        p[ETHTOOL_A_LINKMODES_HEADER].type = NLA_NESTED;
        p[ETHTOOL_A_LINKMODES_SPEED].type = NLA_U32;
        return p;
    }();
    static const TPolicy<ETHTOOL_A_HEADER_MAX> headerPolicy = [] {
        TPolicy<ETHTOOL_A_HEADER_MAX> p{};
        p[ETHTOOL_A_HEADER_DEV_INDEX].type = NLA_U32;
        return p;
    }();
    auto* header = const_cast<nlmsghdr*>(message);
    std::array<nlattr*, ETHTOOL_A_LINKMODES_MAX + 1> a{};
    std::array<nlattr*, ETHTOOL_A_HEADER_MAX + 1> h{};
    if (!genlmsg_valid_hdr(header, 0) ||
        static_cast<const genlmsghdr*>(nlmsg_data(message))->cmd !=
            ETHTOOL_MSG_LINKMODES_GET_REPLY ||
        genlmsg_parse(header, 0, a.data(), ETHTOOL_A_LINKMODES_MAX,
                      const_cast<nla_policy*>(policy.data())) != 0 ||
        a[ETHTOOL_A_LINKMODES_HEADER] == nullptr || a[ETHTOOL_A_LINKMODES_SPEED] == nullptr ||
        nla_parse_nested(h.data(), ETHTOOL_A_HEADER_MAX, a[ETHTOOL_A_LINKMODES_HEADER],
                         const_cast<nla_policy*>(headerPolicy.data())) != 0 ||
        h[ETHTOOL_A_HEADER_DEV_INDEX] == nullptr) {
        return;
    }
    Collect(target, TLinkSpeed{nla_get_u32(h[ETHTOOL_A_HEADER_DEV_INDEX]),
                               SpeedInBits(nla_get_u32(a[ETHTOOL_A_LINKMODES_SPEED]))});
}

} // namespace qmr
