#include "ipv6_facts.h"

#include "base/display_text.h"
#include "base/utf16_text.h"
#include "network/answer_chain.h"
#include "network/iphlpapi_binding.h"
#include "network/ipv6_zone.h"
#include "network/sized_call.h"

#include <cstring>
#include <string>

namespace qmr {

namespace {

// What a record with a few addresses, a router and two servers takes, with room to spare, so
// that the usual poll asks once.
constexpr std::size_t kBytesPerAdapter = 2048;
constexpr std::size_t kBaseBytes = 16 * 1024;

using TZoneNames = std::unordered_map<std::uint32_t, std::u16string>;

// The address and its zone; nothing for another family or a malformed socket address.
bool Ipv6OfSocketAddress(const SOCKET_ADDRESS& address, const TZoneNames& zones,
                         std::uint8_t (&bytes)[16], std::u16string& text) {
    if (address.lpSockaddr == nullptr ||
        address.iSockaddrLength < static_cast<INT>(sizeof(SOCKADDR_IN6)) ||
        address.lpSockaddr->sa_family != WS_AF_INET6) {
        return false;
    }
    SOCKADDR_IN6 in6;
    std::memcpy(&in6, address.lpSockaddr, sizeof in6);
    std::memcpy(bytes, &in6.sin6_addr, sizeof bytes);
    text = Ipv6Text(bytes);
    if (in6.sin6_scope_id != 0 && Ipv6Scope(bytes) == TIpv6Scope::LinkLocal) {
        const auto found = zones.find(in6.sin6_scope_id);
        text += u'%';
        // A zone outside the answer still has its index.
        text += found != zones.end() && !found->second.empty()
                    ? found->second
                    : Utf8ToUtf16(std::to_string(in6.sin6_scope_id));
    }
    return true;
}

template <typename Node>
std::vector<std::u16string> AddressTexts(const Node* first, const TZoneNames& zones) {
    std::vector<std::u16string> texts;
    for (const Node* node = first; node != nullptr; node = node->Next) {
        std::uint8_t bytes[16];
        std::u16string text;
        if (Ipv6OfSocketAddress(node->Address, zones, bytes, text)) {
            texts.push_back(std::move(text));
        }
    }
    return texts;
}

// Every record, list node, socket address and name the collectors read lies inside the answer.
template <typename Node> bool NodesSound(const Node* first, const TAnswerSpan& span) {
    if (!span.ChainSound(first)) {
        return false;
    }
    for (const Node* node = first; node != nullptr; node = node->Next) {
        const SOCKET_ADDRESS& address = node->Address;
        if (address.lpSockaddr != nullptr &&
            (address.iSockaddrLength < 0 ||
             !span.HoldsBytes(address.lpSockaddr,
                              static_cast<std::size_t>(address.iSockaddrLength)))) {
            return false;
        }
    }
    return true;
}

bool AddressesSound(const IP_ADAPTER_ADDRESSES* first, const TAnswerSpan& span) {
    if (!span.ChainSound(first)) {
        return false;
    }
    for (const IP_ADAPTER_ADDRESSES* a = first; a != nullptr; a = a->Next) {
        if ((a->AdapterName != nullptr && !span.HoldsText(a->AdapterName)) ||
            !NodesSound(a->FirstUnicastAddress, span) ||
            !NodesSound(a->FirstGatewayAddress, span) ||
            !NodesSound(a->FirstDnsServerAddress, span)) {
            return false;
        }
    }
    return true;
}

std::uint32_t IndexOf(const IP_ADAPTER_ADDRESSES& adapter) {
    return adapter.IfIndex != 0 ? adapter.IfIndex : adapter.Ipv6IfIndex;
}

} // namespace

TIpv6FactsByIndex CollectIpv6Facts(const IP_ADAPTER_ADDRESSES* first) {
    TZoneNames zones;
    for (const IP_ADAPTER_ADDRESSES* a = first; a != nullptr; a = a->Next) {
        // An interface name is text from outside, shown among the report's own.
        zones.emplace(a->Ipv6IfIndex != 0 ? a->Ipv6IfIndex : a->IfIndex,
                      ContainExternalText(ZoneName(*a)));
    }
    TIpv6FactsByIndex byIndex;
    for (const IP_ADAPTER_ADDRESSES* a = first; a != nullptr; a = a->Next) {
        TIpv6Facts facts;
        for (const auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
            TIpv6Address address;
            std::uint8_t bytes[16];
            if (!Ipv6OfSocketAddress(u->Address, zones, bytes, address.Text)) {
                continue;
            }
            address.PrefixLength = u->OnLinkPrefixLength;
            address.Scope = Ipv6Scope(bytes);
            address.Temporary = u->SuffixOrigin == IpSuffixOriginRandom;
            address.Deprecated = u->DadState == IpDadStateDeprecated;
            address.Tentative = u->DadState == IpDadStateTentative;
            address.Duplicate = u->DadState == IpDadStateDuplicate;
            facts.Addresses.push_back(std::move(address));
        }
        facts.Gateways = AddressTexts(a->FirstGatewayAddress, zones);
        facts.DnsServers = AddressTexts(a->FirstDnsServerAddress, zones);
        if (!facts.Addresses.empty() || !facts.Gateways.empty() || !facts.DnsServers.empty()) {
            byIndex.emplace(IndexOf(*a), std::move(facts));
        }
    }
    return byIndex;
}

TDnsServersByIndex CollectIpv4DnsServers(const IP_ADAPTER_ADDRESSES* first) {
    TDnsServersByIndex byIndex;
    for (const IP_ADAPTER_ADDRESSES* a = first; a != nullptr; a = a->Next) {
        std::vector<std::u16string>& servers = byIndex[IndexOf(*a)];
        for (const auto* node = a->FirstDnsServerAddress; node != nullptr; node = node->Next) {
            if (std::u16string text = Ipv4SocketAddressText(node->Address); !text.empty()) {
                servers.push_back(std::move(text));
            }
        }
    }
    return byIndex;
}

TAddressesAnswer ReadAddressesAnswer(std::size_t adapterCount) {
    TCallBuffer buffer;
    const ULONG size = static_cast<ULONG>(kBaseBytes + adapterCount * kBytesPerAdapter);
    const ULONG flags = GAA_FLAG_INCLUDE_GATEWAYS | GAA_FLAG_SKIP_ANYCAST |
                        GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_FRIENDLY_NAME;
    const ULONG status =
        CallWithGrowingBuffer(buffer, size, 0, [flags](std::uint64_t* data, ULONG* room) {
            return qmr::GetAdaptersAddresses(WS_AF_UNSPEC, flags, nullptr,
                                             reinterpret_cast<PIP_ADAPTER_ADDRESSES>(data), room);
        });
    if (status != ERROR_SUCCESS) {
        return {{}, {}, {}, status};
    }
    const auto* first = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (!AddressesSound(first, TAnswerSpan(buffer.data(), buffer.size() * 8))) {
        return {{}, {}, {}, ERROR_INVALID_DATA};
    }
    return {CollectIpv6Facts(first), CollectIpv4DnsServers(first), CollectAdapterDetails(first),
            ERROR_SUCCESS};
}

const TIpv6Address* ChooseShownIpv6Address(const std::vector<TIpv6Address>& addresses) {
    for (const TIpv6Scope scope : {TIpv6Scope::Global, TIpv6Scope::UniqueLocal}) {
        for (const bool temporary : {false, true}) {
            for (const TIpv6Address& a : addresses) {
                if (a.Scope == scope && a.Temporary == temporary && !a.Deprecated && !a.Tentative &&
                    !a.Duplicate) {
                    return &a;
                }
            }
        }
    }
    return nullptr;
}

} // namespace qmr
