#include "route_replies.h"

#include <netlink/attr.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/route.h>

#include <array>
#include <cstring>
#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <new>
#include <sys/socket.h>

namespace qmr {

namespace {

// What an address without cache information has left: as long as it is there.
constexpr std::uint32_t kForever = 0xFFFFFFFFu;

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
        case IFLA_STATS64:
        case IFLA_STATS:
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

// The 64-bit counters; the older 32-bit block where a kernel sends only that.
TLinkStatistics ReadStatistics(const nlattr* wide, const nlattr* narrow) {
    if (wide != nullptr) {
        return CopyStatistics<rtnl_link_stats64>(wide);
    }
    return narrow != nullptr ? CopyStatistics<rtnl_link_stats>(narrow) : TLinkStatistics{};
}

bool CopyIpv4(const nlattr* attribute, TIpv4Address& out) {
    if (attribute == nullptr || static_cast<std::size_t>(nla_len(attribute)) != out.size()) {
        return false;
    }
    std::memcpy(out.data(), nla_data(attribute), out.size());
    return true;
}

bool CopyIpv4(nl_addr* address, TIpv4Address& out) {
    if (address == nullptr || nl_addr_get_family(address) != AF_INET ||
        nl_addr_get_len(address) != out.size()) {
        return false;
    }
    std::memcpy(out.data(), nl_addr_get_binary_addr(address), out.size());
    return true;
}

void OnDefaultRoute(nl_object* object, void* target) {
    auto* route = reinterpret_cast<rtnl_route*>(object);
    nl_addr* destination = rtnl_route_get_dst(route);
    if (rtnl_route_get_family(route) != AF_INET || rtnl_route_get_table(route) != RT_TABLE_MAIN ||
        rtnl_route_get_type(route) != RTN_UNICAST ||
        (destination != nullptr && nl_addr_get_prefixlen(destination) != 0)) {
        return;
    }
    const int hops = rtnl_route_get_nnexthops(route);
    for (int i = 0; i < hops; ++i) {
        rtnl_nexthop* hop = rtnl_route_nexthop_n(route, i);
        TDefaultRoute facts;
        if (hop == nullptr || !CopyIpv4(rtnl_route_nh_get_gateway(hop), facts.Gateway)) {
            continue;
        }
        facts.LinkIndex = static_cast<std::uint32_t>(rtnl_route_nh_get_ifindex(hop));
        facts.Metric = rtnl_route_get_priority(route);
        Collect(target, std::move(facts));
    }
}

} // namespace

// Reads only the attributes a link's facts need: the library's link objects would parse (and
// allocate for) every address family's settings the kernel sends along.
void ReadLinkReply(const nlmsghdr* message, void* target) {
    std::array<const nlattr*, IFLA_MAX + 1> a{};
    if (!PickLinkAttributes(message, a)) {
        return;
    }
    const auto* info = static_cast<const ifinfomsg*>(nlmsg_data(message));
    TLinkFacts facts;
    facts.Index = static_cast<std::uint32_t>(info->ifi_index);
    facts.ArpType = info->ifi_type;
    facts.Flags = info->ifi_flags;
    try {
        if (a[IFLA_IFNAME] != nullptr) {
            facts.Name = nla_get_string(a[IFLA_IFNAME]);
        }
        if (a[IFLA_IFALIAS] != nullptr) {
            facts.Alias = nla_get_string(a[IFLA_IFALIAS]);
        }
        if (a[IFLA_LINKINFO] != nullptr) {
            std::array<nlattr*, IFLA_INFO_MAX + 1> linkInfo{};
            if (nla_parse_nested(linkInfo.data(), IFLA_INFO_MAX,
                                 const_cast<nlattr*>(a[IFLA_LINKINFO]),
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
    } catch (...) {
        static_cast<TReplyCollector<TLinkFacts>*>(target)->Error = std::current_exception();
        return;
    }
    facts.OperState = a[IFLA_OPERSTATE] != nullptr ? nla_get_u8(a[IFLA_OPERSTATE]) : 0;
    facts.Carrier = a[IFLA_CARRIER] != nullptr && nla_get_u8(a[IFLA_CARRIER]) != 0;
    facts.Mtu = a[IFLA_MTU] != nullptr ? nla_get_u32(a[IFLA_MTU]) : 0;
    facts.Statistics = ReadStatistics(a[IFLA_STATS64], a[IFLA_STATS]);
    facts.StatisticsTold = a[IFLA_STATS64] != nullptr || a[IFLA_STATS] != nullptr;
    // The burnt-in address came with 5.5; a kernel that sends the largest GRO size (5.19 on,
    // with every link) is that new.
    facts.PermanentAddressTold = a[IFLA_PERM_ADDRESS] != nullptr || a[IFLA_GRO_MAX_SIZE] != nullptr;
    Collect(target, std::move(facts));
}

void CountLinkReply(const nlmsghdr* message, void* target) {
    if (message->nlmsg_type == RTM_NEWSTATS) {
        ++*static_cast<std::size_t*>(target);
    }
}

void ReadAddressReply(const nlmsghdr* message, void* target) {
    std::array<nlattr*, IFA_MAX + 1> a{};
    if (!ParseReply(message, RTM_NEWADDR, sizeof(ifaddrmsg), a, AddressPolicy())) {
        return;
    }
    const auto* header = static_cast<const ifaddrmsg*>(nlmsg_data(message));
    TAddressFacts facts;
    // The local address; a point-to-point address also names its peer in IFA_ADDRESS.
    if (header->ifa_family != AF_INET ||
        !CopyIpv4(a[IFA_LOCAL] != nullptr ? a[IFA_LOCAL] : a[IFA_ADDRESS], facts.Address)) {
        return;
    }
    facts.LinkIndex = header->ifa_index;
    facts.PrefixLength = header->ifa_prefixlen;
    // The header holds only the lower eight flags.
    facts.Flags = a[IFA_FLAGS] != nullptr ? nla_get_u32(a[IFA_FLAGS]) : header->ifa_flags;
    facts.ValidLifetime = kForever;
    if (a[IFA_CACHEINFO] != nullptr) {
        ifa_cacheinfo cache{};
        std::memcpy(&cache, nla_data(a[IFA_CACHEINFO]), sizeof cache);
        facts.ValidLifetime = cache.ifa_valid;
        facts.UpdatedAt = cache.tstamp;
    }
    Collect(target, std::move(facts));
}

void CountAddressReply(const nlmsghdr* header, void* target) {
    if (header->nlmsg_type != RTM_NEWADDR ||
        header->nlmsg_len < NLMSG_LENGTH(static_cast<unsigned>(sizeof(ifaddrmsg)))) {
        return;
    }
    const auto* address = static_cast<const ifaddrmsg*>(nlmsg_data(header));
    const nlattr* local =
        nlmsg_find_attr(const_cast<nlmsghdr*>(header), sizeof(ifaddrmsg), IFA_LOCAL);
    const nlattr* own = local != nullptr ? local
                                         : nlmsg_find_attr(const_cast<nlmsghdr*>(header),
                                                           sizeof(ifaddrmsg), IFA_ADDRESS);
    TIpv4Address ignored{};
    if (address->ifa_family == AF_INET && own != nullptr && CopyIpv4(own, ignored)) {
        Collect(target, std::uint32_t{address->ifa_index});
    }
}

void ParseDefaultRoute(const nlmsghdr* header, int family, void (*onRoute)(nl_object*, void*),
                       void* target) {
    if (header->nlmsg_type != RTM_NEWROUTE ||
        header->nlmsg_len < NLMSG_LENGTH(static_cast<unsigned>(sizeof(rtmsg)))) {
        return;
    }
    const auto* route = static_cast<const rtmsg*>(nlmsg_data(header));
    if (route->rtm_family != family || route->rtm_dst_len != 0) {
        return;
    }
    // The library's parser wants a message of its own; default routes are few.
    nl_msg* message = nlmsg_convert(const_cast<nlmsghdr*>(header));
    if (message == nullptr) {
        throw std::bad_alloc();
    }
    // The parser is chosen by protocol and type, and a converted message has no protocol yet.
    nlmsg_set_proto(message, NETLINK_ROUTE);
    nl_msg_parse(message, onRoute, target);
    nlmsg_free(message);
}

void ReadRouteReply(const nlmsghdr* message, void* target) {
    ParseDefaultRoute(message, AF_INET, &OnDefaultRoute, target);
}

} // namespace qmr