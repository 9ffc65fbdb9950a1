#pragma once
// One rtnetlink conversation with the kernel of the network namespace the socket was opened in.
// Nothing read through it is kept: every request is answered afresh. Entry points borrow the
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

    // Hands one reply message to a reader; `target` is the reader's own.
    using MessageHandler = void (*)(const nlmsghdr*, void*);

private:
    // Sends the request (taking it over) and hands every reply message to `handler`; returns
    // the netlink library's status.
    int Exchange(nl_msg* request, MessageHandler handler, void* target);
    // Every link the request's dump lists, once each, in ifindex order.
    std::vector<TLinkFacts> DumpLinks(nl_msg* (*makeRequest)());
    // Exchange for a dump, asked again while the kernel reports it interrupted by a change.
    template <typename T>
    void Dump(nl_msg* (*makeRequest)(), MessageHandler handler, std::vector<T>& result,
              const char* what);

    nl_sock* m_Socket = nullptr;
    bool m_Clean = true;
};

} // namespace qmr
