#include "scripted_provider.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace {

struct Script {
    std::vector<QmrTestAdapter> adapters;
    std::optional<std::vector<QmrTestAdapter>> adaptersAfterInfo;
    std::deque<std::pair<ULONG, ULONG>> forced;
    std::vector<ULONG> sizesIn;
    std::vector<ULONG> perAdapterSizesIn;
    int ifEntry2Answers = 1;
    int adaptersAddressesCalls = 0;
    int wlanOpenCalls = 0;
    int wlanEnumCalls = 0;
    int wlanOutstanding = 0;
};

Script& State() {
    static Script script;
    return script;
}

void CopyText(char* out, std::size_t capacity, const char* text) {
    // Not strncpy: GCC at -O3 warns of the cut that is meant here.
    const std::size_t length = std::min(std::strlen(text), capacity - 1);
    std::memcpy(out, text, length);
    std::memset(out + length, 0, capacity - length);
}

void FillNode(IP_ADDR_STRING& node, const char* ip, const char* mask) {
    CopyText(node.IpAddress.String, sizeof node.IpAddress.String, ip);
    CopyText(node.IpMask.String, sizeof node.IpMask.String, mask);
}

// Fills a chain whose first node is embedded; further nodes come from `spare`.
void FillChain(IP_ADDR_STRING& first, int count, const char (*ips)[16], const char (*masks)[16],
               IP_ADDR_STRING*& spare) {
    FillNode(first, count > 0 ? ips[0] : "0.0.0.0", count > 0 && masks ? masks[0] : "0.0.0.0");
    IP_ADDR_STRING* tail = &first;
    for (int i = 1; i < count; ++i) {
        IP_ADDR_STRING* node = spare++;
        std::memset(node, 0, sizeof *node);
        FillNode(*node, ips[i], masks ? masks[i] : "0.0.0.0");
        tail->Next = node;
        tail = node;
    }
}

const QmrTestAdapter* FindByIndex(DWORD index) {
    for (const QmrTestAdapter& a : State().adapters) {
        if (a.Index == index) {
            return &a;
        }
    }
    return nullptr;
}

std::size_t ExtraNodes(const QmrTestAdapter& a) {
    return (a.IpCount > 1 ? a.IpCount - 1 : 0) + (a.GatewayCount > 1 ? a.GatewayCount - 1 : 0);
}

} // namespace

extern "C" {

void QmrTestProvider_Reset() {
    State() = Script{};
}

void QmrTestProvider_SetAdapters(const QmrTestAdapter* adapters, int count) {
    State().adapters.assign(adapters, adapters + count);
}

void QmrTestProvider_SetAdaptersAfterAdaptersInfo(const QmrTestAdapter* adapters, int count) {
    State().adaptersAfterInfo.emplace(adapters, adapters + count);
}

void QmrTestProvider_PushAdaptersInfoAnswer(ULONG status, ULONG size) {
    State().forced.emplace_back(status, size);
}

int QmrTestProvider_AdaptersInfoCalls() {
    return static_cast<int>(State().sizesIn.size());
}

ULONG QmrTestProvider_AdaptersInfoSizeIn(int n) {
    return State().sizesIn.at(static_cast<std::size_t>(n));
}

int QmrTestProvider_PerAdapterInfoCalls() {
    return static_cast<int>(State().perAdapterSizesIn.size());
}

ULONG QmrTestProvider_PerAdapterInfoSizeIn(int n) {
    return State().perAdapterSizesIn.at(static_cast<std::size_t>(n));
}

int QmrTestProvider_AdaptersAddressesCalls() {
    return State().adaptersAddressesCalls;
}

int QmrTestProvider_WlanOpenCalls() {
    return State().wlanOpenCalls;
}

int QmrTestProvider_WlanEnumCalls() {
    return State().wlanEnumCalls;
}

int QmrTestProvider_WlanOutstanding() {
    return State().wlanOutstanding;
}

void QmrTestProvider_SetIfEntry2Answers(int answers) {
    State().ifEntry2Answers = answers;
}

ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer) {
    Script& s = State();
    s.sizesIn.push_back(*SizePointer);
    if (!s.forced.empty()) {
        const auto [status, size] = s.forced.front();
        s.forced.pop_front();
        *SizePointer = size;
        return status;
    }
    if (s.adapters.empty()) {
        return ERROR_NO_DATA;
    }
    std::size_t nodes = 0;
    for (const QmrTestAdapter& a : s.adapters) {
        nodes += ExtraNodes(a);
    }
    const std::size_t needed =
        s.adapters.size() * sizeof(IP_ADAPTER_INFO) + nodes * sizeof(IP_ADDR_STRING);
    if (*SizePointer < needed) {
        *SizePointer = static_cast<ULONG>(needed);
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memset(AdapterInfo, 0, needed);
    auto* spare = reinterpret_cast<IP_ADDR_STRING*>(AdapterInfo + s.adapters.size());
    for (std::size_t i = 0; i < s.adapters.size(); ++i) {
        const QmrTestAdapter& a = s.adapters[i];
        IP_ADAPTER_INFO& r = AdapterInfo[i];
        r.Next = i + 1 < s.adapters.size() ? &AdapterInfo[i + 1] : nullptr;
        CopyText(r.AdapterName, sizeof r.AdapterName, a.Name);
        CopyText(r.Description, sizeof r.Description, a.Description);
        r.AddressLength = a.MacLength;
        std::memcpy(r.Address, a.Mac, sizeof r.Address);
        r.Index = a.Index;
        r.Type = a.Type;
        r.DhcpEnabled = a.DhcpEnabled;
        FillChain(r.IpAddressList, a.IpCount, a.Ip, a.Mask, spare);
        FillChain(r.GatewayList, a.GatewayCount, a.Gateway, nullptr, spare);
        FillNode(r.DhcpServer, a.DhcpEnabled == 1 ? "192.168.1.1" : "", "");
    }
    if (s.adaptersAfterInfo) {
        s.adapters = std::move(*s.adaptersAfterInfo);
        s.adaptersAfterInfo.reset();
    }
    return ERROR_SUCCESS;
}

DWORD GetIfEntry(PMIB_IFROW pIfRow) {
    const QmrTestAdapter* a = FindByIndex(pIfRow->dwIndex);
    if (a == nullptr || a->RowFails) {
        return ERROR_FILE_NOT_FOUND;
    }
    for (std::size_t i = 0; a->Name[i] != '\0' && i + 1 < MAX_INTERFACE_NAME_LEN; ++i) {
        pIfRow->wszName[i] = static_cast<WCHAR>(a->Name[i]);
    }
    pIfRow->dwType = a->Type;
    pIfRow->dwMtu = a->Mtu != 0 ? a->Mtu : 1500;
    pIfRow->dwSpeed = a->Speed32;
    pIfRow->dwPhysAddrLen = a->MacLength;
    std::memcpy(pIfRow->bPhysAddr, a->Mac, sizeof pIfRow->bPhysAddr);
    pIfRow->dwAdminStatus = 1;
    pIfRow->dwOperStatus = a->OperStatus;
    pIfRow->dwLastChange = a->LastChange;
    pIfRow->dwInOctets = static_cast<DWORD>(a->InOctets);
    pIfRow->dwOutOctets = static_cast<DWORD>(a->OutOctets);
    pIfRow->dwDescrLen = static_cast<DWORD>(std::strlen(a->IfDescription));
    std::memcpy(pIfRow->bDescr, a->IfDescription, pIfRow->dwDescrLen);
    return ERROR_SUCCESS;
}

#ifndef QMR_TEST_PROVIDER_WITHOUT_PER_ADAPTER_INFO
DWORD GetPerAdapterInfo(ULONG IfIndex, PIP_PER_ADAPTER_INFO pPerAdapterInfo, PULONG pOutBufLen) {
    State().perAdapterSizesIn.push_back(*pOutBufLen);
    const QmrTestAdapter* a = FindByIndex(IfIndex);
    if (a == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const int extra = a->DnsCount > 1 ? a->DnsCount - 1 : 0;
    const ULONG needed =
        static_cast<ULONG>(sizeof(IP_PER_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING));
    if (*pOutBufLen < needed) {
        *pOutBufLen = needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memset(pPerAdapterInfo, 0, needed);
    auto* spare = reinterpret_cast<IP_ADDR_STRING*>(pPerAdapterInfo + 1);
    FillChain(pPerAdapterInfo->DnsServerList, a->DnsCount, a->Dns, nullptr, spare);
    return ERROR_SUCCESS;
}
#endif

DWORD GetIfEntry2(PMIB_IF_ROW2 Row) {
    const QmrTestAdapter* a = FindByIndex(Row->InterfaceIndex);
    if (a == nullptr || a->RowFails || !State().ifEntry2Answers) {
        return ERROR_NOT_SUPPORTED;
    }
    Row->InterfaceAndOperStatusFlags.HardwareInterface = a->Hardware != 0;
    Row->InterfaceGuid = ScriptedInterfaceGuid(a->Index);
    Row->ReceiveLinkSpeed = a->Speed64;
    Row->TransmitLinkSpeed = a->Speed64;
    Row->InOctets = a->InOctets;
    Row->OutOctets = a->OutOctets;
    Row->InUcastPkts = 11;
    Row->OutQLen = 7;
    Row->PhysicalAddressLength = a->MacLength;
    std::memcpy(Row->PhysicalAddress, a->Mac, sizeof a->Mac);
    std::memcpy(Row->PermanentPhysicalAddress, a->PermanentMac, sizeof a->PermanentMac);
    Row->InterfaceAndOperStatusFlags.HardwareInterface = a->Hardware != 0;
    return ERROR_SUCCESS;
}

#ifndef QMR_TEST_PROVIDER_WITHOUT_PER_ADAPTER_INFO
// Each adapter's record, unicast nodes, router and server nodes and their socket addresses lie
// one after the other; the size is that of the whole.
ULONG GetAdaptersAddresses(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES AdapterAddresses,
                           PULONG SizePointer) {
    Script& s = State();
    ++s.adaptersAddressesCalls;
    std::vector<char> out;
    std::vector<std::size_t> records;
    const auto take = [&out](std::size_t size) {
        const std::size_t at = (out.size() + 7) & ~std::size_t{7};
        out.resize(at + size);
        return at;
    };
    // Offsets until the end, when they become pointers into the caller's buffer.
    std::vector<std::pair<std::size_t, std::size_t>> links; // (pointer field, target)
    const auto socketAddress = [&](std::size_t field, int family, const char* text) {
        const std::size_t size = family == AF_INET ? sizeof(SOCKADDR_IN) : sizeof(SOCKADDR_IN6);
        const std::size_t at = take(size);
        if (family == AF_INET) {
            auto* in = reinterpret_cast<SOCKADDR_IN*>(out.data() + at);
            in->sin_family = WS_AF_INET;
            inet_pton(AF_INET, text, &in->sin_addr);
        } else {
            auto* in6 = reinterpret_cast<SOCKADDR_IN6*>(out.data() + at);
            in6->sin6_family = WS_AF_INET6;
            inet_pton(AF_INET6, text, &in6->sin6_addr);
            // A link-local address is reached through the adapter it is listed with.
            if (std::strncmp(text, "fe80:", 5) == 0) {
                in6->sin6_scope_id = records.empty() ? 0 : s.adapters[records.size() - 1].Index;
            }
        }
        links.emplace_back(field + offsetof(SOCKET_ADDRESS, lpSockaddr), at);
        reinterpret_cast<SOCKET_ADDRESS*>(out.data() + field)->iSockaddrLength =
            static_cast<INT>(size);
    };
    for (const QmrTestAdapter& a : s.adapters) {
        const std::size_t record = take(sizeof(IP_ADAPTER_ADDRESSES));
        if (!records.empty()) {
            links.emplace_back(records.back() + offsetof(IP_ADAPTER_ADDRESSES, Next), record);
        }
        records.push_back(record);
        auto* r = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(out.data() + record);
        r->Length = sizeof *r;
        r->IfIndex = a.Index;
        r->Ipv6IfIndex = a.Index;
        const std::size_t name = take(std::strlen(a.Name) + 1);
        std::memcpy(out.data() + name, a.Name, std::strlen(a.Name) + 1);
        links.emplace_back(record + offsetof(IP_ADAPTER_ADDRESSES, AdapterName), name);
        // The suffix as UTF-16, the search list as a chain of suffix nodes.
        const std::size_t suffix = take(sizeof(WCHAR) * (std::strlen(a.DnsSuffix) + 1));
        for (std::size_t i = 0; a.DnsSuffix[i] != '\0'; ++i) {
            reinterpret_cast<WCHAR*>(out.data() + suffix)[i] = static_cast<WCHAR>(a.DnsSuffix[i]);
        }
        links.emplace_back(record + offsetof(IP_ADAPTER_ADDRESSES, DnsSuffix), suffix);
        std::size_t nextSuffix = record + offsetof(IP_ADAPTER_ADDRESSES, FirstDnsSuffix);
        for (int i = 0; i < a.SearchCount; ++i) {
            const std::size_t node = take(sizeof(IP_ADAPTER_DNS_SUFFIX));
            links.emplace_back(nextSuffix, node);
            nextSuffix = node + offsetof(IP_ADAPTER_DNS_SUFFIX, Next);
            for (std::size_t c = 0; a.Search[i][c] != '\0'; ++c) {
                reinterpret_cast<IP_ADAPTER_DNS_SUFFIX*>(out.data() + node)->String[c] =
                    static_cast<WCHAR>(a.Search[i][c]);
            }
        }
        if (a.Dhcpv4Server[0] != '\0') {
            socketAddress(record + offsetof(IP_ADAPTER_ADDRESSES, Dhcpv4Server), AF_INET,
                          a.Dhcpv4Server);
        }
        std::size_t next = record + offsetof(IP_ADAPTER_ADDRESSES, FirstUnicastAddress);
        for (int i = -1; i < a.Ipv6Count; ++i) {
            if (i < 0 && a.IpCount == 0) {
                continue;
            }
            const std::size_t node = take(sizeof(IP_ADAPTER_UNICAST_ADDRESS_LH));
            links.emplace_back(next, node);
            next = node + offsetof(IP_ADAPTER_UNICAST_ADDRESS_LH, Next);
            auto* u = reinterpret_cast<IP_ADAPTER_UNICAST_ADDRESS_LH*>(out.data() + node);
            u->Length = sizeof *u;
            u->OnLinkPrefixLength = static_cast<UINT8>(i < 0 ? 24 : a.Ipv6Prefix[i]);
            u->DadState = i < 0 || a.Ipv6Dad[i] == 0 ? IpDadStatePreferred
                                                     : static_cast<IP_DAD_STATE>(a.Ipv6Dad[i]);
            u->SuffixOrigin = static_cast<IP_SUFFIX_ORIGIN>(i < 0 ? 0 : a.Ipv6Suffix[i]);
            socketAddress(node + offsetof(IP_ADAPTER_UNICAST_ADDRESS_LH, Address),
                          i < 0 ? AF_INET : AF_INET6, i < 0 ? a.Ip[0] : a.Ipv6[i]);
        }
        // As Windows lists them: the IPv4 DNS servers of the per-adapter record (text that is
        // no address as 0.0.0.0), then the IPv6 one.
        std::vector<std::pair<int, const char*>> servers;
        for (int i = 0; i < a.DnsCount; ++i) {
            servers.emplace_back(AF_INET, a.Dns[i]);
        }
        if (a.Ipv6Dns[0] != '\0') {
            servers.emplace_back(AF_INET6, a.Ipv6Dns);
        }
        const std::vector<std::pair<int, const char*>> gateways = {
            {AF_INET6, a.Ipv6Gateway[0] != '\0' ? a.Ipv6Gateway : nullptr}};
        const std::pair<std::size_t, const std::vector<std::pair<int, const char*>>*> lists[] = {
            {offsetof(IP_ADAPTER_ADDRESSES, FirstGatewayAddress), &gateways},
            {offsetof(IP_ADAPTER_ADDRESSES, FirstDnsServerAddress), &servers}};
        for (const auto& [field, texts] : lists) {
            std::size_t previous = record + field;
            for (const auto& [family, text] : *texts) {
                if (text == nullptr) {
                    continue;
                }
                const std::size_t node = take(sizeof(IP_ADAPTER_GATEWAY_ADDRESS_LH));
                links.emplace_back(previous, node);
                previous = node + offsetof(IP_ADAPTER_GATEWAY_ADDRESS_LH, Next);
                reinterpret_cast<IP_ADAPTER_GATEWAY_ADDRESS_LH*>(out.data() + node)->Length =
                    sizeof(IP_ADAPTER_GATEWAY_ADDRESS_LH);
                socketAddress(node + offsetof(IP_ADAPTER_GATEWAY_ADDRESS_LH, Address), family,
                              text);
            }
        }
    }
    if (records.empty()) {
        return ERROR_NO_DATA;
    }
    if (AdapterAddresses == nullptr || *SizePointer < out.size()) {
        *SizePointer = static_cast<ULONG>(out.size());
        return ERROR_BUFFER_OVERFLOW;
    }
    char* base = reinterpret_cast<char*>(AdapterAddresses);
    for (const auto& [field, target] : links) {
        char* pointer = base + target;
        std::memcpy(out.data() + field, &pointer, sizeof pointer);
    }
    std::memcpy(base, out.data(), out.size());
    return ERROR_SUCCESS;
}
#endif

#ifndef QMR_TEST_PROVIDER_WITHOUT_PER_ADAPTER_INFO
namespace {

const QmrTestAdapter* FindWireless(const GUID* guid) {
    for (const QmrTestAdapter& a : State().adapters) {
        const GUID own = ScriptedInterfaceGuid(a.Index);
        if (a.Type == IF_TYPE_IEEE80211 && std::memcmp(&own, guid, sizeof own) == 0) {
            return &a;
        }
    }
    return nullptr;
}

// Zeroed blocks of malloc that WlanFreeMemory counts back.
void* Hand(std::size_t size) {
    ++State().wlanOutstanding;
    return std::calloc(1, size);
}

DOT11_SSID SsidOf(const QmrTestAdapter& a) {
    DOT11_SSID ssid{};
    ssid.uSSIDLength = static_cast<ULONG>(std::strlen(a.WlanSsid));
    std::memcpy(ssid.ucSSID, a.WlanSsid, ssid.uSSIDLength);
    return ssid;
}

} // namespace

DWORD WlanOpenHandle(DWORD, PVOID, PDWORD negotiated, PHANDLE handle) {
    ++State().wlanOpenCalls;
    ++State().wlanOutstanding;
    *negotiated = WLAN_API_VERSION_2_0;
    *handle = reinterpret_cast<HANDLE>(std::uintptr_t{0x57});
    return ERROR_SUCCESS;
}

DWORD WlanCloseHandle(HANDLE, PVOID) {
    --State().wlanOutstanding;
    return ERROR_SUCCESS;
}

DWORD WlanEnumInterfaces(HANDLE, PVOID, PWLAN_INTERFACE_INFO_LIST* list) {
    Script& s = State();
    ++s.wlanEnumCalls;
    std::vector<const QmrTestAdapter*> wireless;
    for (const QmrTestAdapter& a : s.adapters) {
        if (a.Type == IF_TYPE_IEEE80211) {
            wireless.push_back(&a);
        }
    }
    auto* out = static_cast<PWLAN_INTERFACE_INFO_LIST>(
        Hand(8 + std::max<std::size_t>(wireless.size(), 1) * sizeof(WLAN_INTERFACE_INFO)));
    out->dwNumberOfItems = static_cast<DWORD>(wireless.size());
    for (std::size_t i = 0; i < wireless.size(); ++i) {
        out->InterfaceInfo[i].InterfaceGuid = ScriptedInterfaceGuid(wireless[i]->Index);
        out->InterfaceInfo[i].isState = wireless[i]->WlanConnected
                                            ? wlan_interface_state_connected
                                            : wlan_interface_state_disconnected;
    }
    *list = out;
    return ERROR_SUCCESS;
}

DWORD WlanQueryInterface(HANDLE, const GUID* guid, WLAN_INTF_OPCODE opcode, PVOID, PDWORD size,
                         PVOID* data, PWLAN_OPCODE_VALUE_TYPE) {
    const QmrTestAdapter* a = FindWireless(guid);
    if (a == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!a->WlanConnected || (opcode == wlan_intf_opcode_rssi && a->WlanSignalDbm == 0) ||
        (opcode == wlan_intf_opcode_channel_number && a->WlanChannel == 0)) {
        return ERROR_INVALID_STATE;
    }
    if (opcode == wlan_intf_opcode_channel_number) {
        auto* channel = static_cast<ULONG*>(Hand(sizeof(ULONG)));
        *channel = a->WlanChannel;
        *size = sizeof(ULONG);
        *data = channel;
        return ERROR_SUCCESS;
    }
    if (opcode == wlan_intf_opcode_rssi) {
        auto* rssi = static_cast<LONG*>(Hand(sizeof(LONG)));
        *rssi = a->WlanSignalDbm;
        *size = sizeof(LONG);
        *data = rssi;
        return ERROR_SUCCESS;
    }
    auto* attributes =
        static_cast<PWLAN_CONNECTION_ATTRIBUTES>(Hand(sizeof(WLAN_CONNECTION_ATTRIBUTES)));
    attributes->isState = wlan_interface_state_connected;
    attributes->wlanAssociationAttributes.dot11Ssid = SsidOf(*a);
    attributes->wlanAssociationAttributes.dot11BssType = dot11_BSS_type_infrastructure;
    const UCHAR bssid[6] = {2, 0, 0, 0, 0, 7};
    std::memcpy(attributes->wlanAssociationAttributes.dot11Bssid, bssid, sizeof bssid);
    attributes->wlanAssociationAttributes.ulRxRate = a->WlanRxKbps;
    attributes->wlanAssociationAttributes.ulTxRate = a->WlanTxKbps;
    attributes->wlanSecurityAttributes.bSecurityEnabled = a->WlanAuth != 0;
    attributes->wlanSecurityAttributes.dot11AuthAlgorithm =
        static_cast<DOT11_AUTH_ALGORITHM>(a->WlanAuth);
    attributes->wlanSecurityAttributes.dot11CipherAlgorithm =
        static_cast<DOT11_CIPHER_ALGORITHM>(a->WlanCipher);
    *size = sizeof(WLAN_CONNECTION_ATTRIBUTES);
    *data = attributes;
    return ERROR_SUCCESS;
}

// Another access point of the same network comes first: the associated one must be picked
// by its BSSID.
DWORD WlanGetNetworkBssList(HANDLE, const GUID* guid, const PDOT11_SSID, DOT11_BSS_TYPE, BOOL,
                            PVOID, PWLAN_BSS_LIST* list) {
    const QmrTestAdapter* a = FindWireless(guid);
    if (a == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    auto* out = static_cast<PWLAN_BSS_LIST>(
        Hand(offsetof(WLAN_BSS_LIST, wlanBssEntries) + 2 * sizeof(WLAN_BSS_ENTRY)));
    out->dwNumberOfItems = 2;
    out->wlanBssEntries[0].dot11Ssid = SsidOf(*a);
    out->wlanBssEntries[0].dot11Bssid[5] = 9;
    out->wlanBssEntries[0].ulChCenterFrequency = 2412000;
    out->wlanBssEntries[1].dot11Ssid = SsidOf(*a);
    const UCHAR bssid[6] = {2, 0, 0, 0, 0, 7};
    std::memcpy(out->wlanBssEntries[1].dot11Bssid, bssid, sizeof bssid);
    out->wlanBssEntries[1].ulChCenterFrequency = a->WlanFrequencyMhz * 1000;
    *list = out;
    return ERROR_SUCCESS;
}

void WlanFreeMemory(PVOID memory) {
    if (memory != nullptr) {
        --State().wlanOutstanding;
        std::free(memory);
    }
}
#endif

} // extern "C"
