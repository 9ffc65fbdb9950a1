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

// One RTM_NEWLINK message; false for one it cannot read (no RTM_NEWLINK, too short, or an
// attribute it uses malformed).
bool ParseLinkMessage(const nlmsghdr* message, TLinkFacts& facts);
// RTM_NEWLINK into a TReplyCollector<TLinkFacts>; a link it cannot read is left out.
void ReadLinkReply(const nlmsghdr* message, void* target);
// RTM_NEWSTATS into a TReplyCollector<TLinkCounters>.
void ReadStatsReply(const nlmsghdr* message, void* target);
// RTM_NEWADDR of IPv4 and IPv6 into a TReplyCollector<TIpAddressFacts>.
void ReadAddressReply(const nlmsghdr* message, void* target);
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
// RTM_NEWROUTE into a TReplyCollector<TDefaultRoute>: the default routes (of the message's
// family) of the main table that have a gateway, one per next hop.
void ReadRouteReply(const nlmsghdr* message, void* target);
// ETHTOOL_MSG_LINKMODES_GET_REPLY into a TReplyCollector<TLinkSpeed>.
void ReadLinkModesReply(const nlmsghdr* message, void* target);

} // namespace qmr
