#pragma once
// What an engineer looks for beyond the addresses, from the poll's one GetAdaptersAddresses
// call: the connection's DNS suffix, its DNS search list and the DHCP server that leased its
// IPv4 address, as text, by interface index.

#include "network/iphlpapi_records.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qmr {

struct TAdapterDetails {
    // Empty where the adapter has none.
    std::u16string DnsSuffix;
    std::vector<std::u16string> SearchDomains;
    // Dotted text; empty where the record names no IPv4 server.
    std::u16string Dhcpv4Server;
};

using TAdapterDetailsByIndex = std::unordered_map<std::uint32_t, TAdapterDetails>;

// The details of every adapter of a GetAdaptersAddresses answer that has any, keyed by IfIndex
// (Ipv6IfIndex where that is 0). Texts from outside are contained; a search list that does not
// end within 64 entries is cut there.
TAdapterDetailsByIndex CollectAdapterDetails(const IP_ADAPTER_ADDRESSES* first);

// "a.b.c.d" of an IPv4 socket address; empty for another family or a malformed one.
std::u16string Ipv4SocketAddressText(const SOCKET_ADDRESS& address);

} // namespace qmr
