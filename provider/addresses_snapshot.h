#pragma once
// Every link with its addresses of both families and default gateways, as the mirror holds
// them, and its DNS servers, as the records of GetAdaptersAddresses.

#include "provider/adapter_addresses.h"
#include "provider/dhcp_leases.h"
#include "provider/dns_servers.h"
#include "provider/kernel_mirror.h"

#include <vector>

namespace qmr {

// Every link in ifindex order, with what `family` (Windows' numbers: WS_AF_UNSPEC, WS_AF_INET,
// WS_AF_INET6) and the GAA_FLAG_* `flags` ask for: the unicast addresses of the family unless
// skipped, the default gateways only when included, the DNS servers of the family unless
// skipped, with the DNS suffix and search list unless GAA_FLAG_SKIP_DNS_INFO. Type and
// description come from the view's cache where it knows them. With `leases`, a link that holds
// the address of a lease is DHCP and names the lease's server (the files are read only where
// some link holds an IPv4 address).
std::vector<TAddressesRecord> ReadAddressesRecords(const TKernelView& kernel, ULONG family,
                                                   ULONG flags, TDnsBook& dns,
                                                   const TLeaseSources* leases = nullptr);

} // namespace qmr
