#include "route_socket.h"

#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/handlers.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/route.h>
#include <netlink/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#ifndef NETLINK_GET_STRICT_CHK
#define NETLINK_GET_STRICT_CHK 12
#endif

namespace qmr {

namespace {

// A dump that keeps being interrupted by changes is taken as it stands after this many tries.
constexpr int kDumpAttempts = 5;
constexpr std::size_t kReceiveBufferSize = 32 * 1024;
// What an address without cache information has left: as long as it is there.
constexpr std::uint32_t kForever = 0xFFFFFFFFu;

// What the readers fill; an exception is carried out of the C callbacks by hand.
template <typename T> struct TCollector {
    std::vector<T>* Items = nullptr;
    std::exception_ptr Error;
};

template <typename T> void Collect(void* target, T&& item) {
    auto* collector = static_cast<TCollector<std::decay_t<T>>*>(target);
    try {
        collector->Items->push_back(std::forward<T>(item));
    } catch (...) {
        collector->Error = std::current_exception();
    }
}

// The attributes the readers use, checked by the netlink library before they are read: strings
// must be terminated, numbers and structures long enough.
template <std::size_t Max> using TPolicy = std::array<nla_policy, Max + 1>;

const TPolicy<IFLA_MAX>& LinkPolicy() {
    static const TPolicy<IFLA_MAX> policy = [] {
        TPolicy<IFLA_MAX> p{};
        p[IFLA_IFNAME].type = NLA_STRING;
        p[IFLA_IFALIAS].type = NLA_STRING;
        p[IFLA_MTU].type = NLA_U32;
        p[IFLA_OPERSTATE].type = NLA_U8;
        p[IFLA_CARRIER].type = NLA_U8;
        p[IFLA_LINKINFO].type = NLA_NESTED;
        return p;
    }();
    return policy;
}

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
bool ParseReply(nl_msg* message, int type, int headerLength, std::array<nlattr*, Size>& table,
                const std::array<nla_policy, Size>& policy) {
    nlmsghdr* header = nlmsg_hdr(message);
    return header->nlmsg_type == type &&
           nlmsg_parse(header, headerLength, table.data(), static_cast<int>(Size - 1),
                       const_cast<nla_policy*>(policy.data())) == 0;
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

// Reads only the attributes a link's facts need: the library's link objects would parse (and
// allocate for) every address family's settings the kernel sends along.
void OnLink(nl_msg* message, void* target) {
    std::array<nlattr*, IFLA_MAX + 1> a{};
    if (!ParseReply(message, RTM_NEWLINK, sizeof(ifinfomsg), a, LinkPolicy())) {
        return;
    }
    const auto* info = static_cast<const ifinfomsg*>(nlmsg_data(nlmsg_hdr(message)));
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
            if (nla_parse_nested(linkInfo.data(), IFLA_INFO_MAX, a[IFLA_LINKINFO],
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
        static_cast<TCollector<TLinkFacts>*>(target)->Error = std::current_exception();
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

void OnLinkCounted(nl_msg* message, void* target) {
    if (nlmsg_hdr(message)->nlmsg_type == RTM_NEWSTATS) {
        ++*static_cast<std::size_t*>(target);
    }
}

bool CopyIpv4(const nlattr* attribute, TIpv4Address& out) {
    if (attribute == nullptr || static_cast<std::size_t>(nla_len(attribute)) != out.size()) {
        return false;
    }
    std::memcpy(out.data(), nla_data(attribute), out.size());
    return true;
}

void OnAddress(nl_msg* message, void* target) {
    std::array<nlattr*, IFA_MAX + 1> a{};
    if (!ParseReply(message, RTM_NEWADDR, sizeof(ifaddrmsg), a, AddressPolicy())) {
        return;
    }
    const auto* header = static_cast<const ifaddrmsg*>(nlmsg_data(nlmsg_hdr(message)));
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

// A table holds a route for every prefix of every link; only the default ones (no destination
// bits) are handed to the library's route parser, which also knows multipath next hops.
void OnRoute(nl_msg* message, void* target) {
    const nlmsghdr* header = nlmsg_hdr(message);
    if (header->nlmsg_type != RTM_NEWROUTE ||
        header->nlmsg_len < NLMSG_LENGTH(static_cast<unsigned>(sizeof(rtmsg)))) {
        return;
    }
    const auto* route = static_cast<const rtmsg*>(nlmsg_data(header));
    if (route->rtm_family == AF_INET && route->rtm_dst_len == 0) {
        nl_msg_parse(message, &OnDefaultRoute, target);
    }
}

struct TExchangeContext {
    TRouteSocket::MessageHandler Handler;
    void* Target;
    // The kernel answered with an error message, which is the whole of its answer.
    bool Refused = false;
};

int OnValidMessage(nl_msg* message, void* arg) {
    auto* context = static_cast<TExchangeContext*>(arg);
    context->Handler(message, context->Target);
    return NL_OK;
}

int OnKernelError(sockaddr_nl*, nlmsgerr*, void* arg) {
    static_cast<TExchangeContext*>(arg)->Refused = true;
    // As without this callback: the exchange ends with the kernel's error.
    return NL_STOP;
}

nl_msg* NewRequest(int type, int flags, const void* header, std::size_t length) {
    nl_msg* request = nlmsg_alloc_simple(type, flags);
    if (request == nullptr) {
        throw std::bad_alloc();
    }
    if (nlmsg_append(request, const_cast<void*>(header), length, NLMSG_ALIGNTO) < 0) {
        nlmsg_free(request);
        throw std::bad_alloc();
    }
    return request;
}

nl_msg* LinkRequest(int flags, std::uint32_t index, std::uint32_t filter) {
    ifinfomsg header{};
    header.ifi_family = AF_UNSPEC;
    header.ifi_index = static_cast<int>(index);
    nl_msg* request = NewRequest(RTM_GETLINK, flags, &header, sizeof header);
    if (nla_put_u32(request, IFLA_EXT_MASK, filter) < 0) {
        nlmsg_free(request);
        throw std::bad_alloc();
    }
    return request;
}

// The adapter records need no counters: without them the kernel fills and sends much less.
nl_msg* LinkDumpRequest() {
    return LinkRequest(NLM_F_DUMP, 0, RTEXT_FILTER_SKIP_STATS);
}

// The statistics dump lists every link too; asked only for the per-family block, which no
// family but MPLS fills, it sends a few bytes per link where a link dump sends a kilobyte.
nl_msg* LinkCountRequest() {
    if_stats_msg header{};
    header.family = AF_UNSPEC;
    header.filter_mask = IFLA_STATS_FILTER_BIT(IFLA_STATS_AF_SPEC);
    return NewRequest(RTM_GETSTATS, NLM_F_DUMP, &header, sizeof header);
}

nl_msg* AddressDumpRequest() {
    ifaddrmsg header{};
    header.ifa_family = AF_INET;
    return NewRequest(RTM_GETADDR, NLM_F_DUMP, &header, sizeof header);
}

nl_msg* RouteDumpRequest() {
    // Only the main table; kernels without strict checking send every table and the reader
    // drops the others.
    rtmsg header{};
    header.rtm_family = AF_INET;
    header.rtm_table = RT_TABLE_MAIN;
    return NewRequest(RTM_GETROUTE, NLM_F_DUMP, &header, sizeof header);
}

} // namespace

TRouteSocket::TRouteSocket() {
    m_Socket = nl_socket_alloc();
    m_Callbacks = nl_cb_alloc(NL_CB_DEFAULT);
    if (m_Socket == nullptr || m_Callbacks == nullptr) {
        nl_cb_put(m_Callbacks);
        nl_socket_free(m_Socket);
        throw std::bad_alloc();
    }
    // A socket of our own, left unbound for the kernel to bind at the first send: half the
    // system calls of the library's connect.
    const int descriptor = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    const int status = descriptor < 0 ? -nl_syserr2nlerr(errno)
                                      : nl_socket_set_fd(m_Socket, NETLINK_ROUTE, descriptor);
    if (status < 0) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        nl_cb_put(m_Callbacks);
        nl_socket_free(m_Socket);
        throw TKernelError(std::string("cannot open an rtnetlink socket: ") + nl_geterror(status));
    }
    // Requests carry no ACK flag: every answer ends with its reply or NLMSG_DONE.
    nl_socket_disable_auto_ack(m_Socket);
    // One read per kernel batch instead of a peek first. Dump batches stay within 32 KiB and a
    // single link comes nowhere near, as no virtual-function details are asked for.
    nl_socket_disable_msg_peek(m_Socket);
    nl_socket_set_msg_buf_size(m_Socket, kReceiveBufferSize);
    // With strict checking the kernel honours the route table asked for (and refuses malformed
    // requests instead of guessing); older kernels ignore the option.
    const int one = 1;
    ::setsockopt(descriptor, SOL_NETLINK, NETLINK_GET_STRICT_CHK, &one, sizeof one);
}

TRouteSocket::~TRouteSocket() {
    nl_cb_put(m_Callbacks);
    nl_socket_free(m_Socket);
}

int TRouteSocket::Descriptor() const {
    return nl_socket_get_fd(m_Socket);
}

int TRouteSocket::Exchange(nl_msg* request, MessageHandler handler, void* target) {
    // Until the answer has been read to its end, a later request could meet its remains.
    m_Clean = false;
    const int sent = nl_send_auto(m_Socket, request);
    nlmsg_free(request);
    if (sent < 0) {
        return sent;
    }
    TExchangeContext context{handler, target};
    nl_cb_set(m_Callbacks, NL_CB_VALID, NL_CB_CUSTOM, &OnValidMessage, &context);
    nl_cb_err(m_Callbacks, NL_CB_CUSTOM, &OnKernelError, &context);
    const int status = nl_recvmsgs(m_Socket, m_Callbacks);
    // An interrupted dump is still read to its NLMSG_DONE, and a refusal is a single message;
    // any other failure may have left part of the answer unread.
    m_Clean = status >= 0 || status == -NLE_DUMP_INTR || context.Refused;
    return status;
}

template <typename T>
void TRouteSocket::Dump(nl_msg* (*makeRequest)(), MessageHandler handler, std::vector<T>& result,
                        const char* what) {
    for (int attempt = 1;; ++attempt) {
        result.clear();
        TCollector<T> collector{&result, nullptr};
        const int status = Exchange(makeRequest(), handler, &collector);
        if (collector.Error) {
            std::rethrow_exception(collector.Error);
        }
        if (status == -NLE_DUMP_INTR && attempt < kDumpAttempts) {
            continue;
        }
        if (status < 0 && status != -NLE_DUMP_INTR) {
            throw TKernelError(std::string("cannot read the ") + what + ": " + nl_geterror(status));
        }
        return;
    }
}

std::size_t TRouteSocket::CountLinks() {
    for (int attempt = 1;; ++attempt) {
        std::size_t count = 0;
        const int status = Exchange(LinkCountRequest(), &OnLinkCounted, &count);
        if (status == -NLE_DUMP_INTR && attempt < kDumpAttempts) {
            continue;
        }
        if (status >= 0 || status == -NLE_DUMP_INTR) {
            return count;
        }
        // Kernels before 4.7 know no statistics dump: the link dump counts as well.
        if (!m_Clean) {
            throw TKernelError(std::string("cannot count the links: ") + nl_geterror(status));
        }
        return DumpLinks().size();
    }
}

std::vector<TLinkFacts> TRouteSocket::DumpLinks() {
    std::vector<TLinkFacts> links;
    Dump(&LinkDumpRequest, &OnLink, links, "links");
    std::sort(links.begin(), links.end(),
              [](const TLinkFacts& a, const TLinkFacts& b) { return a.Index < b.Index; });
    // An interrupted dump may list a link twice.
    links.erase(
        std::unique(links.begin(), links.end(),
                    [](const TLinkFacts& a, const TLinkFacts& b) { return a.Index == b.Index; }),
        links.end());
    return links;
}

std::optional<TLinkFacts> TRouteSocket::ReadLink(std::uint32_t index) {
    if (index == 0 || index > 0x7FFFFFFFu) {
        return std::nullopt;
    }
    // The filter leaves out the IPv6 counters that the kernel fills for every link (the
    // greater part of its work here), not the link's own. Should a kernel leave those out
    // too, the link is asked for again without it.
    for (const std::uint32_t filter : {std::uint32_t{RTEXT_FILTER_SKIP_STATS}, std::uint32_t{0}}) {
        std::vector<TLinkFacts> links;
        TCollector<TLinkFacts> collector{&links, nullptr};
        const int status = Exchange(LinkRequest(0, index, filter), &OnLink, &collector);
        if (collector.Error) {
            std::rethrow_exception(collector.Error);
        }
        if (status == -NLE_OBJ_NOTFOUND || status == -NLE_NODEV) {
            return std::nullopt;
        }
        if (status < 0) {
            throw TKernelError(std::string("cannot read link: ") + nl_geterror(status));
        }
        const auto found = std::find_if(links.begin(), links.end(), [&](const TLinkFacts& link) {
            return link.Index == index;
        });
        if (found == links.end()) {
            return std::nullopt;
        }
        if (found->StatisticsTold || filter == 0) {
            return std::move(*found);
        }
    }
    return std::nullopt;
}

std::vector<TAddressFacts> TRouteSocket::DumpIpv4Addresses() {
    std::vector<TAddressFacts> addresses;
    Dump(&AddressDumpRequest, &OnAddress, addresses, "addresses");
    return addresses;
}

std::vector<TDefaultRoute> TRouteSocket::DumpIpv4DefaultRoutes() {
    std::vector<TDefaultRoute> routes;
    Dump(&RouteDumpRequest, &OnRoute, routes, "routes");
    return routes;
}

} // namespace qmr
