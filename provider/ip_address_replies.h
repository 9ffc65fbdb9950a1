#pragma once
// The readers of the replies that GetAdaptersAddresses needs beyond the IPv4 ones: addresses of
// both families, and the IPv6 default routes.

#include "provider/kernel_facts.h"
#include "provider/route_replies.h"

struct nlmsghdr;

namespace qmr {

// RTM_NEWADDR of IPv4 and IPv6 into a TReplyCollector<TIpAddressFacts>.
void ReadIpAddressReply(const nlmsghdr* message, void* target);
// RTM_NEWROUTE into a TReplyCollector<TIpv6DefaultRoute>: the IPv6 default routes of the main
// table that have a gateway, one per next hop.
void ReadIpv6RouteReply(const nlmsghdr* message, void* target);

} // namespace qmr
