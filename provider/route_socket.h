#pragma once
// One rtnetlink conversation with the kernel of the network namespace the socket was opened in,
// and one with ethtool's generic netlink family there for the links' speeds. The socket keeps
// nothing it reads: the links, addresses and routes are kept by the mirror (kernel_mirror.h),
// which asks through it. Entry points borrow the calling thread's socket
// (caller_route_socket.h) rather than opening one per call.

#include "provider/kernel_facts.h"

#include <optional>
#include <stdexcept>

struct nl_msg;
struct nl_sock;
struct nlmsghdr;

namespace qmr {

// The kernel could not be asked or its answer could not be read.
class TKernelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TRouteSocket {
public:
    TRouteSocket();
    ~TRouteSocket();
    TRouteSocket(const TRouteSocket&) = delete;
    TRouteSocket& operator=(const TRouteSocket&) = delete;

    // The socket's descriptor, good for the interface ioctls of the same namespace.
    int Descriptor() const;

    // Whether every answer was read to its end, so that the next request's reply is the first
    // thing the socket holds. A socket that is not clean must not be asked again.
    bool Clean() const { return m_Clean; }

    // How many requests went out through this socket; the tests' measure of what a call asks.
    std::size_t Requests() const { return m_Requests; }

    // Every link without its counters, in ifindex order.
    std::vector<TLinkFacts> DumpLinks();
    // Every link's counters from one statistics dump, asked for the 64-bit block only.
    std::vector<TLinkCounters> DumpLinkCounters();
    // One link's counters; nothing when no link has that index.
    std::optional<TLinkStatistics> ReadLinkCounters(std::uint32_t index);
    // Every address of the family (AF_INET, AF_INET6, or both with AF_UNSPEC), links in the
    // kernel's order and each link's addresses in its order; with a link index, only that
    // link's (nothing when it is gone).
    std::vector<TIpAddressFacts> DumpAddresses(int family, std::uint32_t linkIndex = 0);
    // The default routes of the family's main table that have a gateway, one per next hop, in
    // the kernel's order.
    std::vector<TDefaultRoute> DumpDefaultRoutes(int family);
    // The negotiated speed of every link whose driver tells one, in ifindex order, from one
    // dump of ethtool's netlink family (kernels from 5.6). Nothing where that family cannot be
    // asked or the dump fails: each link's ioctl then answers, as on older kernels.
    std::optional<std::vector<TLinkSpeed>> DumpLinkSpeeds();

    // Hands one reply message to a reader; `target` is the reader's own.
    using MessageHandler = void (*)(const nlmsghdr*, void*);

private:
    // Sends the request (taking it over) and hands every reply message to `handler`; returns
    // the netlink library's status. A dump's end may carry an error, put in `doneError`:
    // rtnetlink's mean little (an empty table's route dump ends with ENOENT).
    int Exchange(nl_msg* request, MessageHandler handler, void* target) {
        return Exchange(m_Socket, request, handler, target, nullptr);
    }
    int Exchange(nl_sock* socket, nl_msg* request, MessageHandler handler, void* target,
                 int* doneError);
    // Opens the ethtool socket at the first question; whether the family can be asked.
    bool OpenEthtool();
    // Exchange for a dump, asked again while the kernel reports it interrupted by a change.
    // Returns the status of the last exchange when it is one of `tolerated`, else throws.
    template <typename T, typename MakeRequest>
    int Dump(MakeRequest makeRequest, MessageHandler handler, std::vector<T>& result,
             const char* what, int tolerated = 0);

    nl_sock* m_Socket = nullptr;
    nl_sock* m_Ethtool = nullptr;
    int m_EthtoolFamily = -1;
    bool m_EthtoolTried = false;
    bool m_Clean = true;
    std::size_t m_Requests = 0;
};

} // namespace qmr
