#pragma once
// What a poll learns of every adapter's IPv6 from one GetAdaptersAddresses call: addresses with
// their prefix lengths, scopes and states, routers and DNS servers, as text, by interface index.

#include "network/adapter_details.h"
#include "network/address_text.h"
#include "network/iphlpapi_records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qmr {

struct TIpv6Address {
    // RFC 5952, a link-local address with its zone: "fe80::1%eth0".
    std::u16string Text;
    int PrefixLength = 0;
    TIpv6Scope Scope = TIpv6Scope::Other;
    // A random suffix: a privacy address that is replaced every so often.
    bool Temporary = false;
    bool Deprecated = false;
    // Duplicate address detection still runs, or found the address in use.
    bool Tentative = false;
    bool Duplicate = false;
};

struct TIpv6Facts {
    std::vector<TIpv6Address> Addresses;
    std::vector<std::u16string> Gateways;
    std::vector<std::u16string> DnsServers;
};

using TIpv6FactsByIndex = std::unordered_map<std::uint32_t, TIpv6Facts>;

// The IPv6 parts of a GetAdaptersAddresses answer, keyed by IfIndex (Ipv6IfIndex where that is
// 0); addresses of other families and malformed socket addresses are passed over.
TIpv6FactsByIndex CollectIpv6Facts(const IP_ADAPTER_ADDRESSES* first);

// The IPv4 DNS servers of every adapter in a GetAdaptersAddresses answer (an adapter without
// any has an empty list), as dotted text, keyed as above.
using TDnsServersByIndex = std::unordered_map<std::uint32_t, std::vector<std::u16string>>;
TDnsServersByIndex CollectIpv4DnsServers(const IP_ADAPTER_ADDRESSES* first);

// What a poll takes from its one GetAdaptersAddresses call: the IPv6 facts, the IPv4 DNS
// servers, which the per-adapter record would otherwise be asked for adapter by adapter, and the
// DNS suffixes and DHCP servers.
struct TAddressesAnswer {
    TIpv6FactsByIndex Ipv6;
    TDnsServersByIndex Ipv4DnsServers;
    TAdapterDetailsByIndex Details;
    // The call's last status; ERROR_INVALID_DATA for an answer whose chains are not sound.
    std::uint32_t Status = 0;
};

// One GetAdaptersAddresses call for a poll that read `adapterCount` adapter records, asked
// again with the size the library names; empty when the library lacks the call or it fails,
// or answers with a chain that points backwards or outside what it filled.
TAddressesAnswer ReadAddressesAnswer(std::size_t adapterCount);

// The address the normal report shows: the first preferred global one, non-temporary before
// temporary, else the same among the unique-local ones; null when there is none.
const TIpv6Address* ChooseShownIpv6Address(const std::vector<TIpv6Address>& addresses);

} // namespace qmr
