#pragma once
// What the kernel says about the links of the network namespace, copied out of the netlink
// objects into plain values so that nothing of the netlink library outlives one request.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace qmr {

using TIpv4Address = std::array<std::uint8_t, 4>;

struct TLinkStatistics {
    std::uint64_t RxBytes = 0;
    std::uint64_t RxPackets = 0;
    std::uint64_t RxMulticast = 0;
    std::uint64_t RxDropped = 0;
    std::uint64_t RxErrors = 0;
    std::uint64_t RxNoHandler = 0;
    std::uint64_t TxBytes = 0;
    std::uint64_t TxPackets = 0;
    std::uint64_t TxDropped = 0;
    std::uint64_t TxErrors = 0;
};

struct TLinkFacts {
    std::uint32_t Index = 0;
    std::string Name;
    // The rtnetlink link kind ("veth", "bridge", "tun", ...); empty for plain hardware.
    std::string Kind;
    std::string Alias;
    unsigned ArpType = 0;
    unsigned Flags = 0;         // IFF_*
    std::uint8_t OperState = 0; // IF_OPER_*
    bool Carrier = false;
    std::uint32_t Mtu = 0;
    std::vector<std::uint8_t> HardwareAddress;
    TLinkStatistics Statistics;
    // Whether the counters were read for this answer (the mirror of links keeps none).
    bool StatisticsTold = false;
    // The burnt-in hardware address as the kernel names it; empty when it names none.
    std::vector<std::uint8_t> PermanentAddress;
    // Whether the kernel names the burnt-in address whenever a device has one, so that none
    // named means there is none.
    bool PermanentAddressTold = false;
};

// An address of either family; IPv4 fills the first four bytes.
struct TIpAddress {
    int Family = 0; // AF_INET or AF_INET6
    std::array<std::uint8_t, 16> Bytes{};
    // The zone (an interface index) of an IPv6 address that needs one; 0 for none.
    std::uint32_t ScopeId = 0;
    bool operator==(const TIpAddress&) const = default;
};

// The IPv4 address as one of either family.
inline TIpAddress FromIpv4(const TIpv4Address& address) {
    TIpAddress out;
    out.Family = AF_INET;
    std::copy(address.begin(), address.end(), out.Bytes.begin());
    return out;
}

// One address of either family, as the kernel lists it.
struct TIpAddressFacts {
    std::uint32_t LinkIndex = 0;
    TIpAddress Address;
    int PrefixLength = 0;
    unsigned Flags = 0; // IFA_F_*
    // Seconds left; 0xFFFFFFFF is forever.
    std::uint32_t ValidLifetime = 0xFFFFFFFFu;
    std::uint32_t PreferredLifetime = 0xFFFFFFFFu;
    // Hundredths of a second since boot when the kernel last updated the address.
    std::uint32_t UpdatedAt = 0;
};

// One next hop of a default route of the main table that names a gateway.
struct TDefaultRoute {
    std::uint32_t LinkIndex = 0;
    TIpAddress Gateway;
    std::uint32_t Metric = 0;
};

// A link's counters as the statistics dump tells them.
struct TLinkCounters {
    std::uint32_t LinkIndex = 0;
    TLinkStatistics Statistics;
};

// A link's negotiated speed as ethtool tells it.
struct TLinkSpeed {
    std::uint32_t LinkIndex = 0;
    // Bits per second; 0 when unknown.
    std::uint64_t Speed = 0;
};

} // namespace qmr
