#pragma once
// The readers of the kernel's rtnetlink replies. Each takes one reply message, reads only the
// attributes the provider uses, and adds what it says to the target its exchange hands it.

#include "provider/kernel_facts.h"

#include <exception>
#include <vector>

struct nl_object;
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
// RTM_NEWROUTE into a TReplyCollector<TDefaultRoute>: the IPv4 default routes of the main table
// that have a gateway, one per next hop.
// A table holds a route for every prefix of every link; only the default ones of `family` (no
// destination bits) are handed to `onRoute` through the library's route parser, which also
// knows multipath next hops.
void ParseDefaultRoute(const nlmsghdr* message, int family, void (*onRoute)(nl_object*, void*),
                       void* target);
void ReadRouteReply(const nlmsghdr* message, void* target);

} // namespace qmr
