#pragma once
// One rtnetlink conversation with the kernel of the caller's network namespace. A socket lives
// for one entry-point call: nothing read through it is kept afterwards, and a thread that has
// changed namespace is served from its new one at its next call.

#include "network/linux/kernel_facts.h"

#include <optional>
#include <stdexcept>

struct nl_msg;
struct nl_object;
struct nl_sock;

namespace qmr {

// The kernel could not be asked or its answer could not be read.
class TKernelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kParseAll = static_cast<std::size_t>(-1);

struct TLinkDump {
    // In ifindex order.
    std::vector<TLinkFacts> Links;
    // How many links the kernel listed, those not parsed included.
    std::size_t Listed = 0;
};

class TRouteSocket {
public:
    TRouteSocket();
    ~TRouteSocket();
    TRouteSocket(const TRouteSocket&) = delete;
    TRouteSocket& operator=(const TRouteSocket&) = delete;

    // The socket's descriptor, good for the interface ioctls of the same namespace.
    int Descriptor() const;

    // Every link, without traffic statistics; only the first `parseAtMost` listed are parsed,
    // so that a caller who only needs to know how many there are does not pay for the rest.
    TLinkDump DumpLinks(std::size_t parseAtMost = kParseAll);
    // One link with its statistics; nothing when no link has that index.
    std::optional<TLinkFacts> ReadLink(std::uint32_t index);
    // Every IPv4 address, links in the kernel's order and each link's addresses in its order.
    std::vector<TAddressFacts> DumpIpv4Addresses();
    // The IPv4 default routes of the main table that have a gateway, one per next hop.
    std::vector<TDefaultRoute> DumpIpv4DefaultRoutes();

private:
    using ObjectHandler = void (*)(nl_object*, void*);
    // Sends the request (taking it over) and hands every parsed reply object to `handler`;
    // returns the netlink library's status.
    int Exchange(nl_msg* request, ObjectHandler handler, void* target, std::size_t parseAtMost,
                 std::size_t* listed);
    // Exchange for a dump, asked again while the kernel reports it interrupted by a change.
    template <typename T>
    void Dump(nl_msg* (*makeRequest)(), ObjectHandler handler, std::vector<T>& result,
              const char* what, std::size_t parseAtMost, std::size_t* listed);

    nl_sock* m_Socket = nullptr;
};

} // namespace qmr
