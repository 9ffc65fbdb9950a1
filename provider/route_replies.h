#pragma once
// The readers of the kernel's rtnetlink replies (and of ethtool's generic netlink ones). Each takes
// one reply message, reads only the attributes the provider uses, and adds what it says to the
// target its exchange hands it.

#include "provider/kernel_facts.h"

#include <cstdint>
#include <exception>
#include <vector>

struct nlattr;
struct nlmsghdr;

namespace qmr {

// What the readers fill; an exception is carried out of the reader by hand.
template <typename T> struct TReplyCollector {
    std::vector<T>* Items = nullptr;
    std::exception_ptr Error;
};

// RTM_NEWLINK into a TReplyCollector<TLinkFacts>.
void ReadLinkReply(const nlmsghdr* message, void* target);
// RTM_NEWSTATS: adds one to a std::size_t per link listed.
void CountLinkReply(const nlmsghdr* message, void* target);
// RTM_NEWADDR of IPv4 into a TReplyCollector<TAddressFacts>.
void ReadAddressReply(const nlmsghdr* message, void* target);
// RTM_NEWADDR of IPv4 into a TReplyCollector<std::uint32_t>: the index of the address's link,
// for every address ReadAddressReply would read, from the header without parsing the rest.
void CountAddressReply(const nlmsghdr* message, void* target);
// One next hop of a default route: the link it leaves through, its gateway attribute (nullptr
// when it names none) and the route's metric.
struct TDefaultRouteHop {
    std::uint32_t LinkIndex = 0;
    const nlattr* Gateway = nullptr;
    std::uint32_t Metric = 0;
};
// A table holds a route for every prefix of every link; only a unicast default route of the
// main table of `family` (no destination bits) gives hops: those its RTA_MULTIPATH lists, else
// the one its own attributes name. A route whose attributes or hops are malformed gives none.
std::vector<TDefaultRouteHop> DefaultRouteHops(const nlmsghdr* message, int family);
// RTM_NEWROUTE into a TReplyCollector<TDefaultRoute>: the IPv4 default routes of the main table
// that have a gateway, one per next hop.
void ReadRouteReply(const nlmsghdr* message, void* target);
// ETHTOOL_MSG_LINKMODES_GET_REPLY into a TReplyCollector<TLinkSpeed>.
void ReadLinkModesReply(const nlmsghdr* message, void* target);

} // namespace qmr
