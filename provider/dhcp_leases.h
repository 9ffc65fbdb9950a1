#pragma once
// DHCP leases that clients keep on disk: systemd-networkd's (and NetworkManager's internal
// client's, same format) and ISC dhclient's. A lease counts only while its link still holds
// the leased address, which also keeps a lease of the host from being taken for a link of
// another namespace that shares its index or name. A link that holds no address (cable out,
// radio not associated) still counts as DHCP where its manager says it is configured so.

#include "provider/dns_servers.h"
#include "provider/kernel_facts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qmr {

struct TDhcpLease {
    TIpv4Address Address{};
    std::optional<TIpv4Address> Server;
    // Seconds since 1970; 0 when the lease does not say.
    std::int64_t Obtained = 0;
    std::int64_t Expires = 0;
};

// KEY=value lines with ADDRESS= and SERVER_ADDRESS=; nothing without an address.
std::optional<TDhcpLease> ParseNetworkdLease(std::string_view text);

struct TNamedLease {
    std::string Interface;
    TDhcpLease Lease;
};

// The `lease { ... }` blocks of a dhclient lease file that hold an address, in file order.
std::vector<TNamedLease> ParseDhclientLeases(std::string_view text);

// The interface of a NetworkManager internal-client lease file name; empty for other names.
std::string NetworkManagerLeaseLink(std::string_view fileName);

// The .network file and its drop-ins, in reading order, that a networkd link state file names.
std::vector<std::string> NetworkdLinkNetworkFiles(std::string_view text);

// Whether the [Network] section's DHCP= asks for DHCPv4; nothing when the file does not say.
std::optional<bool> NetworkFileAsksDhcp4(std::string_view text);

struct TLeaseSources {
    std::string NetworkdLeases = "/run/systemd/netif/leases";
    std::string DhclientLeases = "/var/lib/dhcp";
    std::string NetworkManager = "/var/lib/NetworkManager";
    // networkd's per-link state files, named by ifindex.
    std::string NetworkdLinks = "/run/systemd/netif/links";
    // Asked once, and only for a link that holds no address.
    std::function<bool()> ManagersServeThisNamespace = [] {
        return SharesFirstProcessNetworkNamespace(0);
    };
};

// The leases known at one call: every file is read once, whatever the number of links.
class TLeaseBook {
public:
    explicit TLeaseBook(TLeaseSources sources);
    // The newest lease for the link whose address the link holds.
    std::optional<TDhcpLease> Find(std::uint32_t linkIndex, const std::string& linkName,
                                   const std::vector<TIpv4Address>& heldAddresses) const;
    // For a link that holds no IPv4 address: whether networkd or NetworkManager configure it
    // by DHCP (a lease kept for it, or the configuration networkd applied).
    bool ConfiguredByDhcp(std::uint32_t linkIndex, const std::string& linkName) const;

private:
    TLeaseSources m_Sources;
    // The links networkd keeps a lease file for, by index: a poll of many links then opens
    // only the files that are there.
    std::vector<std::uint32_t> m_NetworkdLinks;
    // (interface, lease) of NetworkManager's internal client.
    std::vector<std::pair<std::string, TDhcpLease>> m_NetworkManagerLeases;
    std::vector<TNamedLease> m_DhclientLeases;
    // The interfaces NetworkManager keeps a lease file for, whatever the file holds.
    std::vector<std::string> m_NetworkManagerDhcpLinks;
    mutable std::optional<bool> m_ManagersServeUs;
};

} // namespace qmr
