#pragma once
// The answer of GetAdaptersAddresses: what each adapter record says, how the kernel's address
// flags read in the IP helper library's terms, and the packing into the caller's buffer.

#include "network/iphlpapi_records.h"
#include "provider/kernel_facts.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qmr {

struct TUnicastEntry {
    TIpAddress Address;
    int PrefixLength = 0;
    DWORD Flags = 0;
    IP_PREFIX_ORIGIN PrefixOrigin = IpPrefixOriginOther;
    IP_SUFFIX_ORIGIN SuffixOrigin = IpSuffixOriginOther;
    IP_DAD_STATE DadState = IpDadStatePreferred;
    ULONG ValidLifetime = 0xFFFFFFFFu;
    ULONG PreferredLifetime = 0xFFFFFFFFu;
    ULONG LeaseLifetime = 0xFFFFFFFFu;
};

// What one IP_ADAPTER_ADDRESSES record says; the lists hold only what the call asked for.
struct TAddressesRecord {
    std::string AdapterName;
    std::string FriendlyName;
    std::string Description;
    std::vector<std::uint8_t> PhysicalAddress;
    std::uint32_t Index = 0;
    ULONG Flags = 0;
    ULONG Mtu = 0;
    IFTYPE IfType = MIB_IF_TYPE_OTHER;
    IF_OPER_STATUS OperStatus = IfOperStatusDown;
    std::uint64_t Speed = 0;
    std::vector<TUnicastEntry> Unicast;
    // Lowest metric first within each family, IPv4 before IPv6.
    std::vector<TIpAddress> Gateways;
    std::vector<TIpAddress> DnsServers;
    // The connection's DNS suffix and search list; empty where the link has none.
    std::string DnsSuffix;
    std::vector<std::string> SearchDomains;
    // The server of the DHCP lease the link holds an address of.
    std::optional<TIpv4Address> Dhcpv4Server;
};

// How the kernel's address reads as a unicast entry. IPv4: DHCP for a dynamic address, manual
// for a permanent one. IPv6: a temporary address has a router-advertised prefix and a random
// suffix; a dynamic one is router-advertised when its suffix is the link-layer one (or the
// kernel manages temporary addresses or a stable-privacy suffix for it), DHCP otherwise;
// link-local prefixes are well known; a permanent address is manual. Loopback is well known.
// The DAD state: duplicate, tentative, deprecated, else preferred.
TUnicastEntry DescribeUnicast(const TIpAddressFacts& facts,
                              const std::vector<std::uint8_t>& hardwareAddress);

// The bytes the records take in the caller's buffer.
std::size_t AdaptersAddressesSize(const std::vector<TAddressesRecord>& records);
// `buffer` holds at least AdaptersAddressesSize(records) bytes; nothing outside them is
// written. Every pointer points inside them, each record and node 8-byte aligned to the
// buffer's start.
void PackAdaptersAddresses(const std::vector<TAddressesRecord>& records, void* buffer);

} // namespace qmr
