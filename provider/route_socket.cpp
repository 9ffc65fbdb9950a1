#include "route_socket.h"

#include "provider/route_replies.h"

#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <linux/ethtool_netlink.h>
#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <memory>
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

// Frees what the netlink library's receive allocated.
struct TFreeBuffer {
    void operator()(unsigned char* buffer) const { std::free(buffer); }
};

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

// Without the IPv6 counters, which nothing here needs: the kernel fills and sends much less.
nl_msg* LinkDumpRequest() {
    ifinfomsg header{};
    header.ifi_family = AF_UNSPEC;
    nl_msg* request = NewRequest(RTM_GETLINK, NLM_F_DUMP, &header, sizeof header);
    if (nla_put_u32(request, IFLA_EXT_MASK, RTEXT_FILTER_SKIP_STATS) < 0) {
        nlmsg_free(request);
        throw std::bad_alloc();
    }
    return request;
}

// The 64-bit counters block alone: a few hundred bytes per link where a link dump fills a
// kilobyte and more.
nl_msg* CountersRequest(int flags, std::uint32_t index) {
    if_stats_msg header{};
    header.family = AF_UNSPEC;
    header.ifindex = index;
    header.filter_mask = IFLA_STATS_FILTER_BIT(IFLA_STATS_LINK_64);
    return NewRequest(RTM_GETSTATS, flags, &header, sizeof header);
}

// Addresses of one family, or of both with AF_UNSPEC; of one link where the index is set
// (kernels without strict checking send every link's, and the caller drops the others).
nl_msg* AddressDumpRequest(int family, std::uint32_t index) {
    ifaddrmsg header{};
    header.ifa_family = static_cast<unsigned char>(family);
    header.ifa_index = index;
    return NewRequest(RTM_GETADDR, NLM_F_DUMP, &header, sizeof header);
}

// Only the main table; kernels without strict checking send every table and the reader drops
// the others.
nl_msg* RouteDumpRequest(int family) {
    rtmsg header{};
    header.rtm_family = static_cast<unsigned char>(family);
    header.rtm_table = RT_TABLE_MAIN;
    return NewRequest(RTM_GETROUTE, NLM_F_DUMP, &header, sizeof header);
}

// Every link's speed, duplex and link modes; the modes as bit masks rather than by name.
nl_msg* LinkModesDumpRequest(int family) {
    nl_msg* request = nlmsg_alloc();
    if (request == nullptr) {
        throw std::bad_alloc();
    }
    nlattr* header = nullptr;
    if (genlmsg_put(request, NL_AUTO_PORT, NL_AUTO_SEQ, family, 0, NLM_F_DUMP,
                    ETHTOOL_MSG_LINKMODES_GET, ETHTOOL_GENL_VERSION) == nullptr ||
        (header = nla_nest_start(request, ETHTOOL_A_LINKMODES_HEADER | NLA_F_NESTED)) == nullptr ||
        nla_put_u32(request, ETHTOOL_A_HEADER_FLAGS, ETHTOOL_FLAG_COMPACT_BITSETS) < 0) {
        nlmsg_free(request);
        throw std::bad_alloc();
    }
    nla_nest_end(request, header);
    return request;
}

} // namespace

TRouteSocket::TRouteSocket() {
    m_Socket = nl_socket_alloc();
    if (m_Socket == nullptr) {
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
    nl_socket_free(m_Socket);
    if (m_Ethtool != nullptr) {
        nl_socket_free(m_Ethtool);
    }
}

int TRouteSocket::Descriptor() const {
    return nl_socket_get_fd(m_Socket);
}

int TRouteSocket::Exchange(nl_sock* socket, nl_msg* request, MessageHandler handler, void* target,
                           int* doneError) {
    // Until the answer has been read to its end, a later request could meet its remains.
    m_Clean = false;
    ++m_Requests;
    const int sent = nl_send_auto(socket, request);
    const std::uint32_t sequence = nlmsg_hdr(request)->nlmsg_seq;
    nlmsg_free(request);
    if (sent < 0) {
        return sent;
    }
    // The replies are read where they lie in the received block: the library's own loop copies
    // every message into an allocation of its own first, a thousand times per link dump.
    bool interrupted = false;
    for (;;) {
        sockaddr_nl sender{};
        unsigned char* received = nullptr;
        const int length = nl_recv(socket, &sender, &received, nullptr);
        const std::unique_ptr<unsigned char, TFreeBuffer> block(received);
        if (length <= 0) {
            return length < 0 ? length : -NLE_FAILURE;
        }
        // Only the kernel answers; anything another process sent to this port is not read.
        if (sender.nl_pid != 0) {
            continue;
        }
        int left = length;
        for (auto* message = reinterpret_cast<nlmsghdr*>(received); nlmsg_ok(message, left);
             message = nlmsg_next(message, &left)) {
            if (message->nlmsg_seq != sequence) {
                continue;
            }
            interrupted = interrupted || (message->nlmsg_flags & NLM_F_DUMP_INTR) != 0;
            if (message->nlmsg_type == NLMSG_DONE) {
                m_Clean = true;
                if (doneError != nullptr &&
                    message->nlmsg_len >= static_cast<std::uint32_t>(nlmsg_size(sizeof(int)))) {
                    std::memcpy(doneError, nlmsg_data(message), sizeof(int));
                }
                return interrupted ? -NLE_DUMP_INTR : 0;
            }
            if (message->nlmsg_type == NLMSG_ERROR) {
                // A refusal is the whole answer; so is an acknowledgement.
                if (message->nlmsg_len < static_cast<std::uint32_t>(nlmsg_size(sizeof(nlmsgerr)))) {
                    return -NLE_MSG_TRUNC;
                }
                m_Clean = true;
                const int error = static_cast<const nlmsgerr*>(nlmsg_data(message))->error;
                return error == 0 ? 0 : -nl_syserr2nlerr(error);
            }
            if (message->nlmsg_type == NLMSG_OVERRUN) {
                return -NLE_MSG_OVERFLOW;
            }
            if (message->nlmsg_type == NLMSG_NOOP) {
                continue;
            }
            handler(message, target);
            // A reply to a request for one object is a single message.
            if ((message->nlmsg_flags & NLM_F_MULTI) == 0) {
                m_Clean = true;
                return 0;
            }
        }
    }
}

template <typename T, typename MakeRequest>
int TRouteSocket::Dump(MakeRequest makeRequest, MessageHandler handler, std::vector<T>& result,
                       const char* what, int tolerated) {
    for (int attempt = 1;; ++attempt) {
        result.clear();
        TReplyCollector<T> collector{&result, nullptr};
        const int status = Exchange(makeRequest(), handler, &collector);
        if (collector.Error) {
            std::rethrow_exception(collector.Error);
        }
        if (status == -NLE_DUMP_INTR && attempt < kDumpAttempts) {
            continue;
        }
        if (status < 0 && status != -NLE_DUMP_INTR && status != tolerated) {
            throw TKernelError(std::string("cannot read the ") + what + ": " + nl_geterror(status));
        }
        return status;
    }
}

std::vector<TLinkFacts> TRouteSocket::DumpLinks() {
    std::vector<TLinkFacts> links;
    Dump(&LinkDumpRequest, &ReadLinkReply, links, "links");
    std::sort(links.begin(), links.end(),
              [](const TLinkFacts& a, const TLinkFacts& b) { return a.Index < b.Index; });
    // An interrupted dump may list a link twice.
    links.erase(
        std::unique(links.begin(), links.end(),
                    [](const TLinkFacts& a, const TLinkFacts& b) { return a.Index == b.Index; }),
        links.end());
    return links;
}

std::vector<TLinkCounters> TRouteSocket::DumpLinkCounters() {
    std::vector<TLinkCounters> counters;
    Dump([] { return CountersRequest(NLM_F_DUMP, 0); }, &ReadStatsReply, counters, "counters");
    std::sort(counters.begin(), counters.end(),
              [](const TLinkCounters& a, const TLinkCounters& b) {
                  return a.LinkIndex < b.LinkIndex;
              });
    return counters;
}

std::optional<TLinkStatistics> TRouteSocket::ReadLinkCounters(std::uint32_t index) {
    if (index == 0 || index > 0x7FFFFFFFu) {
        return std::nullopt;
    }
    std::vector<TLinkCounters> counters;
    TReplyCollector<TLinkCounters> collector{&counters, nullptr};
    const int status = Exchange(CountersRequest(0, index), &ReadStatsReply, &collector);
    if (collector.Error) {
        std::rethrow_exception(collector.Error);
    }
    if (status == -NLE_OBJ_NOTFOUND || status == -NLE_NODEV) {
        return std::nullopt;
    }
    if (status < 0) {
        throw TKernelError(std::string("cannot read a link's counters: ") + nl_geterror(status));
    }
    for (const TLinkCounters& link : counters) {
        if (link.LinkIndex == index) {
            return link.Statistics;
        }
    }
    return std::nullopt;
}

std::vector<TIpAddressFacts> TRouteSocket::DumpAddresses(int family, std::uint32_t linkIndex) {
    std::vector<TIpAddressFacts> addresses;
    // A link that went away since it was named has no addresses to list.
    Dump([&] { return AddressDumpRequest(family, linkIndex); }, &ReadAddressReply, addresses,
         "addresses", linkIndex != 0 ? -NLE_NODEV : 0);
    if (linkIndex != 0) {
        std::erase_if(addresses,
                      [&](const TIpAddressFacts& a) { return a.LinkIndex != linkIndex; });
    }
    return addresses;
}

std::vector<TDefaultRoute> TRouteSocket::DumpDefaultRoutes(int family) {
    std::vector<TDefaultRoute> routes;
    Dump([&] { return RouteDumpRequest(family); }, &ReadRouteReply, routes, "routes");
    std::erase_if(routes, [&](const TDefaultRoute& r) { return r.Gateway.Family != family; });
    return routes;
}

bool TRouteSocket::OpenEthtool() {
    if (!m_EthtoolTried) {
        m_EthtoolTried = true;
        m_Ethtool = nl_socket_alloc();
        if (m_Ethtool != nullptr && genl_connect(m_Ethtool) == 0) {
            m_EthtoolFamily = genl_ctrl_resolve(m_Ethtool, "ethtool");
            nl_socket_disable_auto_ack(m_Ethtool);
            nl_socket_disable_msg_peek(m_Ethtool);
            nl_socket_set_msg_buf_size(m_Ethtool, kReceiveBufferSize);
        }
    }
    return m_EthtoolFamily >= 0;
}

std::optional<std::vector<TLinkSpeed>> TRouteSocket::DumpLinkSpeeds() {
    if (!OpenEthtool()) {
        return std::nullopt;
    }
    std::vector<TLinkSpeed> speeds;
    TReplyCollector<TLinkSpeed> collector{&speeds, nullptr};
    // A driver that fails the question (rather than knowing no speed) breaks the dump off
    // there, and its end carries the error: what came before is not every link's answer.
    int doneError = 0;
    const int status = Exchange(m_Ethtool, LinkModesDumpRequest(m_EthtoolFamily),
                                &ReadLinkModesReply, &collector, &doneError);
    if (collector.Error) {
        std::rethrow_exception(collector.Error);
    }
    if (status < 0 || doneError < 0) {
        return std::nullopt;
    }
    // Older kernels list the links in the order of their name hash.
    std::sort(speeds.begin(), speeds.end(),
              [](const TLinkSpeed& a, const TLinkSpeed& b) { return a.LinkIndex < b.LinkIndex; });
    return speeds;
}

} // namespace qmr
