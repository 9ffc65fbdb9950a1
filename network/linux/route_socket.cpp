#include "route_socket.h"

#include <netlink/errno.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <netlink/route/route.h>
#include <netlink/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
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

// What the parse callbacks fill; an exception is carried out of the C callbacks by hand.
template <typename T> struct TCollector {
    std::vector<T>* Items = nullptr;
    std::exception_ptr Error;
};

std::string Text(const char* text) {
    return text != nullptr ? text : std::string();
}

TLinkFacts CopyLink(rtnl_link* link) {
    TLinkFacts facts;
    facts.Index = static_cast<std::uint32_t>(rtnl_link_get_ifindex(link));
    facts.Name = Text(rtnl_link_get_name(link));
    facts.Kind = Text(rtnl_link_get_type(link));
    facts.Alias = Text(rtnl_link_get_ifalias(link));
    facts.ArpType = rtnl_link_get_arptype(link);
    facts.Flags = rtnl_link_get_flags(link);
    facts.OperState = rtnl_link_get_operstate(link);
    facts.Carrier = rtnl_link_get_carrier(link) != 0;
    facts.Mtu = rtnl_link_get_mtu(link);
    if (nl_addr* address = rtnl_link_get_addr(link); address != nullptr) {
        const auto* bytes = static_cast<const std::uint8_t*>(nl_addr_get_binary_addr(address));
        facts.HardwareAddress.assign(bytes, bytes + nl_addr_get_len(address));
    }
    TLinkStatistics& s = facts.Statistics;
    s.RxBytes = rtnl_link_get_stat(link, RTNL_LINK_RX_BYTES);
    s.RxPackets = rtnl_link_get_stat(link, RTNL_LINK_RX_PACKETS);
    s.RxMulticast = rtnl_link_get_stat(link, RTNL_LINK_MULTICAST);
    s.RxDropped = rtnl_link_get_stat(link, RTNL_LINK_RX_DROPPED);
    s.RxErrors = rtnl_link_get_stat(link, RTNL_LINK_RX_ERRORS);
    s.RxNoHandler = rtnl_link_get_stat(link, RTNL_LINK_RX_NOHANDLER);
    s.TxBytes = rtnl_link_get_stat(link, RTNL_LINK_TX_BYTES);
    s.TxPackets = rtnl_link_get_stat(link, RTNL_LINK_TX_PACKETS);
    s.TxDropped = rtnl_link_get_stat(link, RTNL_LINK_TX_DROPPED);
    s.TxErrors = rtnl_link_get_stat(link, RTNL_LINK_TX_ERRORS);
    return facts;
}

bool CopyIpv4(nl_addr* address, TIpv4Address& out) {
    if (address == nullptr || nl_addr_get_family(address) != AF_INET ||
        nl_addr_get_len(address) != out.size()) {
        return false;
    }
    std::memcpy(out.data(), nl_addr_get_binary_addr(address), out.size());
    return true;
}

void OnLink(nl_object* object, void* target) {
    auto* collector = static_cast<TCollector<TLinkFacts>*>(target);
    try {
        collector->Items->push_back(CopyLink(reinterpret_cast<rtnl_link*>(object)));
    } catch (...) {
        collector->Error = std::current_exception();
    }
}

void OnAddress(nl_object* object, void* target) {
    auto* collector = static_cast<TCollector<TAddressFacts>*>(target);
    auto* address = reinterpret_cast<rtnl_addr*>(object);
    TAddressFacts facts;
    if (rtnl_addr_get_family(address) != AF_INET ||
        !CopyIpv4(rtnl_addr_get_local(address), facts.Address)) {
        return;
    }
    facts.LinkIndex = static_cast<std::uint32_t>(rtnl_addr_get_ifindex(address));
    facts.PrefixLength = rtnl_addr_get_prefixlen(address);
    facts.Flags = rtnl_addr_get_flags(address);
    facts.ValidLifetime = rtnl_addr_get_valid_lifetime(address);
    facts.UpdatedAt = rtnl_addr_get_last_update_time(address);
    try {
        collector->Items->push_back(facts);
    } catch (...) {
        collector->Error = std::current_exception();
    }
}

void OnRoute(nl_object* object, void* target) {
    auto* collector = static_cast<TCollector<TDefaultRoute>*>(target);
    auto* route = reinterpret_cast<rtnl_route*>(object);
    nl_addr* destination = rtnl_route_get_dst(route);
    if (rtnl_route_get_family(route) != AF_INET || rtnl_route_get_table(route) != RT_TABLE_MAIN ||
        rtnl_route_get_type(route) != RTN_UNICAST ||
        (destination != nullptr && nl_addr_get_prefixlen(destination) != 0)) {
        return;
    }
    try {
        const int hops = rtnl_route_get_nnexthops(route);
        for (int i = 0; i < hops; ++i) {
            rtnl_nexthop* hop = rtnl_route_nexthop_n(route, i);
            TDefaultRoute facts;
            if (hop == nullptr || !CopyIpv4(rtnl_route_nh_get_gateway(hop), facts.Gateway)) {
                continue;
            }
            facts.LinkIndex = static_cast<std::uint32_t>(rtnl_route_nh_get_ifindex(hop));
            facts.Metric = rtnl_route_get_priority(route);
            collector->Items->push_back(facts);
        }
    } catch (...) {
        collector->Error = std::current_exception();
    }
}

struct TExchangeContext {
    void (*Handler)(nl_object*, void*);
    void* Target;
    // Messages beyond this many are counted, not parsed.
    std::size_t ParseAtMost;
    std::size_t Listed = 0;
};

int OnValidMessage(nl_msg* message, void* arg) {
    auto* context = static_cast<TExchangeContext*>(arg);
    if (++context->Listed <= context->ParseAtMost) {
        // A message of a type the library cannot parse is simply not ours.
        nl_msg_parse(message, context->Handler, context->Target);
    }
    return NL_OK;
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

nl_msg* AddressDumpRequest() {
    ifaddrmsg header{};
    header.ifa_family = AF_INET;
    return NewRequest(RTM_GETADDR, NLM_F_DUMP, &header, sizeof header);
}

nl_msg* RouteDumpRequest() {
    // Only the main table; kernels without strict checking send every table and the parser
    // drops the others.
    rtmsg header{};
    header.rtm_family = AF_INET;
    header.rtm_table = RT_TABLE_MAIN;
    return NewRequest(RTM_GETROUTE, NLM_F_DUMP, &header, sizeof header);
}

} // namespace

TRouteSocket::TRouteSocket() {
    m_Socket = nl_socket_alloc();
    if (m_Socket == nullptr) {
        throw std::bad_alloc();
    }
    // A socket of our own, left unbound for the kernel to bind at the first send: half the
    // system calls of the library's connect, which a call per adapter row notices.
    const int descriptor = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    const int status = descriptor < 0 ? -nl_syserr2nlerr(errno)
                                      : nl_socket_set_fd(m_Socket, NETLINK_ROUTE, descriptor);
    if (status < 0) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        nl_socket_free(m_Socket);
        throw TKernelError(std::string("cannot open an rtnetlink socket: ") + nl_geterror(status));
    }
    // Requests carry no ACK flag: every answer ends with its reply or NLMSG_DONE.
    nl_socket_disable_auto_ack(m_Socket);
    // One read per kernel batch instead of a peek first. Dump batches stay within 32 KiB and a
    // single link comes nowhere near, as no virtual-function details are asked for.
    nl_socket_disable_msg_peek(m_Socket);
    nl_socket_set_msg_buf_size(m_Socket, kReceiveBufferSize);
}

TRouteSocket::~TRouteSocket() {
    nl_socket_free(m_Socket);
}

int TRouteSocket::Descriptor() const {
    return nl_socket_get_fd(m_Socket);
}

int TRouteSocket::Exchange(nl_msg* request, ObjectHandler handler, void* target,
                           std::size_t parseAtMost, std::size_t* listed) {
    const int sent = nl_send_auto(m_Socket, request);
    nlmsg_free(request);
    if (sent < 0) {
        return sent;
    }
    // The socket hands out a reference to its own callbacks; the clone is ours to change.
    nl_cb* shared = nl_socket_get_cb(m_Socket);
    nl_cb* callbacks = nl_cb_clone(shared);
    nl_cb_put(shared);
    if (callbacks == nullptr) {
        throw std::bad_alloc();
    }
    TExchangeContext context{handler, target, parseAtMost};
    nl_cb_set(callbacks, NL_CB_VALID, NL_CB_CUSTOM, &OnValidMessage, &context);
    const int status = nl_recvmsgs(m_Socket, callbacks);
    nl_cb_put(callbacks);
    if (listed != nullptr) {
        *listed = context.Listed;
    }
    return status;
}

template <typename T>
void TRouteSocket::Dump(nl_msg* (*makeRequest)(), ObjectHandler handler, std::vector<T>& result,
                        const char* what, std::size_t parseAtMost, std::size_t* listed) {
    for (int attempt = 1;; ++attempt) {
        result.clear();
        TCollector<T> collector{&result, nullptr};
        const int status = Exchange(makeRequest(), handler, &collector, parseAtMost, listed);
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

TLinkDump TRouteSocket::DumpLinks(std::size_t parseAtMost) {
    TLinkDump dump;
    Dump(&LinkDumpRequest, &OnLink, dump.Links, "links", parseAtMost, &dump.Listed);
    std::vector<TLinkFacts>& links = dump.Links;
    std::sort(links.begin(), links.end(),
              [](const TLinkFacts& a, const TLinkFacts& b) { return a.Index < b.Index; });
    // An interrupted dump may list a link twice.
    links.erase(
        std::unique(links.begin(), links.end(),
                    [](const TLinkFacts& a, const TLinkFacts& b) { return a.Index == b.Index; }),
        links.end());
    return dump;
}

std::optional<TLinkFacts> TRouteSocket::ReadLink(std::uint32_t index) {
    if (index == 0 || index > 0x7FFFFFFFu) {
        return std::nullopt;
    }
    std::vector<TLinkFacts> links;
    TCollector<TLinkFacts> collector{&links, nullptr};
    const int status = Exchange(LinkRequest(0, index, 0), &OnLink, &collector, kParseAll, nullptr);
    if (collector.Error) {
        std::rethrow_exception(collector.Error);
    }
    if (status == -NLE_OBJ_NOTFOUND || status == -NLE_NODEV) {
        return std::nullopt;
    }
    if (status < 0) {
        throw TKernelError(std::string("cannot read link: ") + nl_geterror(status));
    }
    for (TLinkFacts& link : links) {
        if (link.Index == index) {
            return std::move(link);
        }
    }
    return std::nullopt;
}

std::vector<TAddressFacts> TRouteSocket::DumpIpv4Addresses() {
    std::vector<TAddressFacts> addresses;
    Dump(&AddressDumpRequest, &OnAddress, addresses, "addresses", kParseAll, nullptr);
    return addresses;
}

std::vector<TDefaultRoute> TRouteSocket::DumpIpv4DefaultRoutes() {
    // With strict checking the kernel honours the table asked for (and refuses malformed
    // requests instead of guessing); older kernels ignore the option.
    const int one = 1;
    ::setsockopt(Descriptor(), SOL_NETLINK, NETLINK_GET_STRICT_CHK, &one, sizeof one);
    std::vector<TDefaultRoute> routes;
    Dump(&RouteDumpRequest, &OnRoute, routes, "routes", kParseAll, nullptr);
    return routes;
}

} // namespace qmr
