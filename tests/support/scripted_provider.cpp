#include "scripted_provider.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

namespace {

struct Script {
    std::vector<QmrTestAdapter> adapters;
    std::deque<std::pair<ULONG, ULONG>> forced;
    std::vector<ULONG> sizesIn;
    std::vector<ULONG> perAdapterSizesIn;
    int ifEntry2Answers = 1;
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
        FillNode(r.DhcpServer, a.DhcpEnabled ? "192.168.1.1" : "", "");
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
    pIfRow->dwMtu = 1500;
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
    Row->ReceiveLinkSpeed = a->Speed64;
    Row->TransmitLinkSpeed = a->Speed64;
    Row->InOctets = a->InOctets;
    Row->OutOctets = a->OutOctets;
    Row->InUcastPkts = 11;
    Row->OutQLen = 7;
    return ERROR_SUCCESS;
}

} // extern "C"
