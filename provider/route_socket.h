#pragma once
// One rtnetlink conversation with the kernel of the network namespace the socket was opened in,
// and one with ethtool's generic netlink family there for the links' speeds. Nothing read
// through them is kept: every request is answered afresh. Entry points borrow the
// calling thread's socket (caller_route_socket.h) rather than opening one per call.

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

    // How many links the namespace has, without asking for any of their details.
    std::size_t CountLinks();
    // Every link, in ifindex order; the counters only where the kernel sends them along.
    std::vector<TLinkFacts> DumpLinks();
    // Every link with its counters, in ifindex order.
    std::vector<TLinkFacts> DumpLinksWithStatistics();
    // One link with its statistics; nothing when no link has that index.
    std::optional<TLinkFacts> ReadLink(std::uint32_t index);
    // Every IPv4 address, links in the kernel's order and each link's addresses in its order.
    std::vector<TAddressFacts> DumpIpv4Addresses();
    // The link index of every IPv4 address, as DumpIpv4Addresses would list them.
    std::vector<std::uint32_t> DumpIpv4AddressLinks();
    // The IPv4 default routes of the main table that have a gateway, one per next hop.
    std::vector<TDefaultRoute> DumpIpv4DefaultRoutes();
    // Every address of the family (AF_INET, AF_INET6, or both with AF_UNSPEC), links in the
    // kernel's order and each link's addresses in its order.
    std::vector<TIpAddressFacts> DumpIpAddresses(int family);
    // The IPv6 default routes of the main table that have a gateway, one per next hop.
    std::vector<TIpv6DefaultRoute> DumpIpv6DefaultRoutes();
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
    // Every link the request's dump lists, once each, in ifindex order.
    std::vector<TLinkFacts> DumpLinks(nl_msg* (*makeRequest)());
    // Exchange for a dump, asked again while the kernel reports it interrupted by a change.
    template <typename T>
    void Dump(nl_msg* (*makeRequest)(), MessageHandler handler, std::vector<T>& result,
              const char* what);

    nl_sock* m_Socket = nullptr;
    nl_sock* m_Ethtool = nullptr;
    int m_EthtoolFamily = -1;
    bool m_EthtoolTried = false;
    bool m_Clean = true;
};

} // namespace qmr
