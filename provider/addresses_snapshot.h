#pragma once
// One reading of every link with its addresses of both families, default gateways and DNS
// servers, as the records of GetAdaptersAddresses.

#include "provider/adapter_addresses.h"
#include "provider/dhcp_leases.h"
#include "provider/dns_servers.h"
#include "provider/link_identity_cache.h"
#include "provider/route_socket.h"

#include <vector>

namespace qmr {

// Every link in ifindex order, with what `family` (Windows' numbers: WS_AF_UNSPEC, WS_AF_INET,
// WS_AF_INET6) and the GAA_FLAG_* `flags` ask for: the unicast addresses of the family unless
// skipped, the default gateways only when included, the DNS servers of the family unless
// skipped, with the DNS suffix and search list unless GAA_FLAG_SKIP_DNS_INFO. Type and
// description come from `cache` where it knows them. With `leases`, a link that holds the
// address of a lease is DHCP and names the lease's server (the files are read only where some
// link holds an IPv4 address).
std::vector<TAddressesRecord> ReadAddressesRecords(TRouteSocket& socket, ULONG family, ULONG flags,
                                                   TDnsBook& dns,
                                                   TLinkIdentityCache* cache = nullptr,
                                                   const TLeaseSources* leases = nullptr);

} // namespace qmr
