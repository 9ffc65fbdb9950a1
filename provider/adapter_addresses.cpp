#include "adapter_addresses.h"

#include "base/utf16_text.h"

#include <algorithm>
#include <cstring>
#include <linux/if_addr.h>
#include <sys/socket.h>

namespace qmr {

namespace {

bool IsLoopback(const TIpAddress& a) {
    if (a.Family == AF_INET) {
        return a.Bytes[0] == 127;
    }
    static constexpr std::array<std::uint8_t, 16> kLoopback = {0, 0, 0, 0, 0, 0, 0, 0,
                                                               0, 0, 0, 0, 0, 0, 0, 1};
    return a.Bytes == kLoopback;
}

bool IsLinkLocal(const TIpAddress& a) {
    return a.Family == AF_INET6 && a.Bytes[0] == 0xFE && (a.Bytes[1] & 0xC0) == 0x80;
}

// The modified EUI-64 interface identifier of a 48-bit hardware address.
bool SuffixIsLinkLayer(const TIpAddress& a, const std::vector<std::uint8_t>& hardware) {
    if (hardware.size() != 6) {
        return false;
    }
    const std::uint8_t eui[8] = {static_cast<std::uint8_t>(hardware[0] ^ 0x02),
                                 hardware[1],
                                 hardware[2],
                                 0xFF,
                                 0xFE,
                                 hardware[3],
                                 hardware[4],
                                 hardware[5]};
    return std::memcmp(a.Bytes.data() + 8, eui, sizeof eui) == 0;
}

// Carves the buffer into 8-byte aligned pieces; without a buffer it only counts, so that the
// size and the packing can never disagree.
class TLayout {
public:
    explicit TLayout(char* base) : m_Base(base) {}

    std::size_t Take(std::size_t size) {
        m_Used = (m_Used + 7) & ~std::size_t{7};
        const std::size_t at = m_Used;
        m_Used += size;
        return at;
    }
    template <typename T> T* Pointer(std::size_t at) const {
        return m_Base != nullptr ? reinterpret_cast<T*>(m_Base + at) : nullptr;
    }
    void Put(std::size_t at, const void* bytes, std::size_t size) {
        if (m_Base != nullptr) {
            std::memcpy(m_Base + at, bytes, size);
        }
    }
    std::size_t Used() const { return m_Used; }

private:
    char* m_Base;
    std::size_t m_Used = 0;
};

SOCKET_ADDRESS WriteSocketAddress(TLayout& layout, const TIpAddress& address) {
    if (address.Family == AF_INET) {
        SOCKADDR_IN in{};
        in.sin_family = WS_AF_INET;
        std::memcpy(&in.sin_addr, address.Bytes.data(), 4);
        const std::size_t at = layout.Take(sizeof in);
        layout.Put(at, &in, sizeof in);
        return {layout.Pointer<SOCKADDR>(at), static_cast<INT>(sizeof in)};
    }
    SOCKADDR_IN6 in6{};
    in6.sin6_family = WS_AF_INET6;
    std::memcpy(&in6.sin6_addr, address.Bytes.data(), 16);
    in6.sin6_scope_id = address.ScopeId;
    const std::size_t at = layout.Take(sizeof in6);
    layout.Put(at, &in6, sizeof in6);
    return {layout.Pointer<SOCKADDR>(at), static_cast<INT>(sizeof in6)};
}

// A chain of nodes, each followed by its socket address; returns the first node.
template <typename Node, typename Item, typename Fill>
Node* WriteChain(TLayout& layout, const std::vector<Item>& items, Fill fill) {
    Node* first = nullptr;
    std::size_t previous = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::size_t at = layout.Take(sizeof(Node));
        Node node{};
        // The suffix nodes alone carry no length.
        if constexpr (requires { node.Length; }) {
            node.Length = sizeof(Node);
        }
        fill(node, items[i]);
        layout.Put(at, &node, sizeof node);
        Node* self = layout.Pointer<Node>(at);
        if (i == 0) {
            first = self;
        } else {
            layout.Put(previous + offsetof(Node, Next), &self, sizeof self);
        }
        previous = at;
    }
    return first;
}

template <typename Node>
Node* WriteAddressChain(TLayout& layout, const std::vector<TIpAddress>& addresses) {
    return WriteChain<Node>(layout, addresses, [&](Node& node, const TIpAddress& address) {
        node.Address = WriteSocketAddress(layout, address);
    });
}

PCHAR WriteText(TLayout& layout, const std::string& text) {
    const std::size_t at = layout.Take(text.size() + 1);
    layout.Put(at, text.c_str(), text.size() + 1);
    return layout.Pointer<char>(at);
}

PWCHAR WriteWideText(TLayout& layout, const std::string& utf8) {
    const std::u16string text = Utf8ToUtf16(utf8);
    const std::size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    const std::size_t at = layout.Take(bytes);
    layout.Put(at, text.c_str(), bytes);
    return layout.Pointer<WCHAR>(at);
}

void WriteRecord(TLayout& layout, const TAddressesRecord& record, std::size_t at) {
    IP_ADAPTER_ADDRESSES_LH out{};
    out.Length = sizeof out;
    out.IfIndex = record.Index;
    out.Ipv6IfIndex = record.Index;
    out.FirstUnicastAddress = WriteChain<IP_ADAPTER_UNICAST_ADDRESS_LH>(
        layout, record.Unicast, [&](IP_ADAPTER_UNICAST_ADDRESS_LH& node, const TUnicastEntry& e) {
            node.Flags = e.Flags;
            node.Address = WriteSocketAddress(layout, e.Address);
            node.PrefixOrigin = e.PrefixOrigin;
            node.SuffixOrigin = e.SuffixOrigin;
            node.DadState = e.DadState;
            node.ValidLifetime = e.ValidLifetime;
            node.PreferredLifetime = e.PreferredLifetime;
            node.LeaseLifetime = e.LeaseLifetime;
            node.OnLinkPrefixLength = static_cast<UINT8>(e.PrefixLength);
        });
    out.FirstGatewayAddress =
        WriteAddressChain<IP_ADAPTER_GATEWAY_ADDRESS_LH>(layout, record.Gateways);
    out.FirstDnsServerAddress =
        WriteAddressChain<IP_ADAPTER_DNS_SERVER_ADDRESS_XP>(layout, record.DnsServers);
    out.AdapterName = WriteText(layout, record.AdapterName);
    out.DnsSuffix = WriteWideText(layout, record.DnsSuffix);
    out.FirstDnsSuffix = WriteChain<IP_ADAPTER_DNS_SUFFIX>(
        layout, record.SearchDomains, [](IP_ADAPTER_DNS_SUFFIX& node, const std::string& domain) {
            // Cut to the field, as Windows caps a suffix, and always ended.
            const std::u16string text = Utf8ToUtf16(domain);
            const std::size_t length =
                std::min<std::size_t>(text.size(), MAX_DNS_SUFFIX_STRING_LENGTH - 1);
            std::copy_n(text.begin(), length, node.String);
        });
    if (record.Dhcpv4Server) {
        TIpAddress server;
        server.Family = AF_INET;
        std::copy(record.Dhcpv4Server->begin(), record.Dhcpv4Server->end(), server.Bytes.begin());
        out.Dhcpv4Server = WriteSocketAddress(layout, server);
    }
    out.Description = WriteWideText(layout, record.Description);
    out.FriendlyName = WriteWideText(layout, record.FriendlyName);
    out.PhysicalAddressLength =
        static_cast<ULONG>(std::min(record.PhysicalAddress.size(), sizeof out.PhysicalAddress));
    std::copy_n(record.PhysicalAddress.begin(), out.PhysicalAddressLength, out.PhysicalAddress);
    out.Flags = record.Flags;
    out.Mtu = record.Mtu;
    out.IfType = record.IfType;
    out.OperStatus = record.OperStatus;
    out.ZoneIndices[ScopeLevelInterface] = record.Index;
    out.ZoneIndices[ScopeLevelLink] = record.Index;
    out.TransmitLinkSpeed = record.Speed;
    out.ReceiveLinkSpeed = record.Speed;
    out.Luid.Info.NetLuidIndex = record.Index;
    out.Luid.Info.IfType = record.IfType;
    out.CompartmentId = 1;
    out.ConnectionType = NET_IF_CONNECTION_DEDICATED;
    out.TunnelType = record.IfType == IF_TYPE_TUNNEL ? TUNNEL_TYPE_OTHER : TUNNEL_TYPE_NONE;
    layout.Put(at, &out, sizeof out);
}

std::size_t Lay(const std::vector<TAddressesRecord>& records, char* base) {
    TLayout layout(base);
    std::size_t previous = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::size_t at = layout.Take(sizeof(IP_ADAPTER_ADDRESSES_LH));
        WriteRecord(layout, records[i], at);
        if (i > 0) {
            auto* self = layout.Pointer<IP_ADAPTER_ADDRESSES_LH>(at);
            layout.Put(previous + offsetof(IP_ADAPTER_ADDRESSES_LH, Next), &self, sizeof self);
        }
        previous = at;
    }
    return layout.Used();
}

} // namespace

TUnicastEntry DescribeUnicast(const TIpAddressFacts& facts,
                              const std::vector<std::uint8_t>& hardwareAddress) {
    TUnicastEntry entry;
    entry.Address = facts.Address;
    entry.PrefixLength = facts.PrefixLength;
    entry.ValidLifetime = facts.ValidLifetime;
    entry.PreferredLifetime = facts.PreferredLifetime;
    entry.LeaseLifetime = facts.ValidLifetime;
    const TIpAddress& a = facts.Address;
    const unsigned f = facts.Flags;
    const bool dynamic = !(f & IFA_F_PERMANENT);
    const bool temporary = a.Family == AF_INET6 && (f & IFA_F_TEMPORARY);
    if (IsLoopback(a)) {
        entry.PrefixOrigin = IpPrefixOriginWellKnown;
        entry.SuffixOrigin = IpSuffixOriginWellKnown;
    } else if (a.Family == AF_INET) {
        entry.PrefixOrigin = dynamic ? IpPrefixOriginDhcp : IpPrefixOriginManual;
        entry.SuffixOrigin = dynamic ? IpSuffixOriginDhcp : IpSuffixOriginManual;
    } else if (temporary) {
        entry.PrefixOrigin = IpPrefixOriginRouterAdvertisement;
        entry.SuffixOrigin = IpSuffixOriginRandom;
    } else {
        const bool linkLayer = SuffixIsLinkLayer(a, hardwareAddress);
        const bool stable = (f & IFA_F_STABLE_PRIVACY) != 0;
        const IP_SUFFIX_ORIGIN generated = linkLayer ? IpSuffixOriginLinkLayerAddress
                                           : stable  ? IpSuffixOriginOther
                                                     : IpSuffixOriginManual;
        if (IsLinkLocal(a)) {
            entry.PrefixOrigin = IpPrefixOriginWellKnown;
            entry.SuffixOrigin = generated;
        } else if (dynamic && (linkLayer || stable || (f & IFA_F_MANAGETEMPADDR))) {
            entry.PrefixOrigin = IpPrefixOriginRouterAdvertisement;
            entry.SuffixOrigin = generated;
        } else {
            entry.PrefixOrigin = dynamic ? IpPrefixOriginDhcp : IpPrefixOriginManual;
            entry.SuffixOrigin = dynamic ? IpSuffixOriginDhcp : IpSuffixOriginManual;
        }
    }
    entry.DadState = (f & IFA_F_DADFAILED)    ? IpDadStateDuplicate
                     : (f & IFA_F_TENTATIVE)  ? IpDadStateTentative
                     : (f & IFA_F_DEPRECATED) ? IpDadStateDeprecated
                                              : IpDadStatePreferred;
    if (!IsLinkLocal(a) && !IsLoopback(a) && !temporary) {
        entry.Flags = IP_ADAPTER_ADDRESS_DNS_ELIGIBLE;
    }
    return entry;
}

std::size_t AdaptersAddressesSize(const std::vector<TAddressesRecord>& records) {
    return Lay(records, nullptr);
}

void PackAdaptersAddresses(const std::vector<TAddressesRecord>& records, void* buffer) {
    Lay(records, static_cast<char*>(buffer));
}

} // namespace qmr
