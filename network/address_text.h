#pragma once
// IPv6 addresses as text and by scope, for the reports: the same on every platform, whatever
// text the system's own functions would make.

#include <cstdint>
#include <string>

namespace qmr {

// RFC 5952: lower case, no leading zeros, the longest run of two or more zero groups (the
// first of equally long ones) as "::", and an IPv4-mapped address with its dotted tail.
std::u16string Ipv6Text(const std::uint8_t (&bytes)[16]);

enum class TIpv6Scope { Global, UniqueLocal, LinkLocal, Other };

// fe80::/10 link-local, fc00::/7 unique-local, other unicast global; loopback, unspecified,
// multicast and the old site-local prefix are other.
TIpv6Scope Ipv6Scope(const std::uint8_t (&bytes)[16]);

} // namespace qmr
