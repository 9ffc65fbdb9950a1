// A provider that answers as a broken or hostile library might: a size that wraps the caller's
// arithmetic, a record chain that loops back on itself, a Next pointing anywhere. The caller
// must neither crash, hang nor grow; windows' own library never answers so.

#include "network/iphlpapi_records.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

enum THostility : int {
    kSizeWrap = 0,         // GetAdaptersInfo always needs 0xFFFFFFF9 bytes
    kSelfLoop = 1,         // the adapter record's Next is the record itself
    kWildNext = 2,         // the adapter record's Next points at no memory of the answer
    kAddressLoop = 3,      // a sound adapter; its unicast address chain loops on itself
    kAddressSizeWrap = 4,  // a sound adapter; GetAdaptersAddresses needs 0xFFFFFFF9 bytes
    kWildSocketAddress = 5 // a sound adapter; its address lies outside the answer
};

// Chosen by the test's call, or by QMR_TEST_HOSTILITY for a program run whole.
int InitialHostility() {
    const char* chosen = std::getenv("QMR_TEST_HOSTILITY");
    return chosen != nullptr ? std::atoi(chosen) : kSizeWrap;
}

int g_Hostility = InitialHostility();

constexpr ULONG kWrappingSize = 0xFFFFFFF9u;

} // namespace

#define QMR_HOSTILE_EXPORT extern "C" __attribute__((visibility("default")))

QMR_HOSTILE_EXPORT void QmrHostileProvider_Set(int hostility) {
    g_Hostility = hostility;
}

QMR_HOSTILE_EXPORT ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer) {
    if (g_Hostility == kSizeWrap || AdapterInfo == nullptr || *SizePointer < sizeof *AdapterInfo) {
        *SizePointer = g_Hostility == kSizeWrap ? kWrappingSize : sizeof *AdapterInfo;
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memset(AdapterInfo, 0, sizeof *AdapterInfo);
    std::strcpy(AdapterInfo->AdapterName, "hostile0");
    std::strcpy(AdapterInfo->Description, "hostile0");
    AdapterInfo->Index = 7;
    AdapterInfo->Type = MIB_IF_TYPE_ETHERNET;
    std::strcpy(AdapterInfo->IpAddressList.IpAddress.String, "10.9.9.9");
    std::strcpy(AdapterInfo->IpAddressList.IpMask.String, "255.0.0.0");
    if (g_Hostility == kSelfLoop) {
        AdapterInfo->Next = AdapterInfo;
    } else if (g_Hostility == kWildNext) {
        AdapterInfo->Next = reinterpret_cast<PIP_ADAPTER_INFO>(std::uintptr_t{0x10});
    }
    return ERROR_SUCCESS;
}

// The one adapter's row is sound: a poll leaves out a record whose link has no row.
QMR_HOSTILE_EXPORT DWORD GetIfEntry(PMIB_IFROW Row) {
    if (Row->dwIndex != 7) {
        return ERROR_FILE_NOT_FOUND;
    }
    for (std::size_t i = 0; i < sizeof "hostile0" - 1; ++i) {
        Row->wszName[i] = static_cast<WCHAR>("hostile0"[i]);
    }
    Row->dwType = MIB_IF_TYPE_ETHERNET;
    Row->dwMtu = 1500;
    return ERROR_SUCCESS;
}

QMR_HOSTILE_EXPORT DWORD GetPerAdapterInfo(ULONG, PIP_PER_ADAPTER_INFO, PULONG) {
    return ERROR_NOT_SUPPORTED;
}

QMR_HOSTILE_EXPORT ULONG GetAdaptersAddresses(ULONG, ULONG, PVOID,
                                              PIP_ADAPTER_ADDRESSES AdapterAddresses,
                                              PULONG SizePointer) {
    struct TAnswer {
        IP_ADAPTER_ADDRESSES Adapter;
        IP_ADAPTER_UNICAST_ADDRESS_LH Unicast;
        SOCKADDR_IN6 Address;
    };
    if (g_Hostility == kAddressSizeWrap || AdapterAddresses == nullptr ||
        *SizePointer < sizeof(TAnswer)) {
        *SizePointer = g_Hostility == kAddressSizeWrap ? kWrappingSize : sizeof(TAnswer);
        return ERROR_BUFFER_OVERFLOW;
    }
    auto* answer = reinterpret_cast<TAnswer*>(AdapterAddresses);
    std::memset(answer, 0, sizeof *answer);
    answer->Adapter.IfIndex = 7;
    answer->Adapter.FirstUnicastAddress = &answer->Unicast;
    answer->Address.sin6_family = WS_AF_INET6;
    answer->Address.sin6_addr.u.Byte[0] = 0x20;
    answer->Unicast.Address.lpSockaddr = reinterpret_cast<SOCKADDR*>(&answer->Address);
    answer->Unicast.Address.iSockaddrLength = sizeof answer->Address;
    answer->Unicast.OnLinkPrefixLength = 64;
    if (g_Hostility == kAddressLoop) {
        answer->Unicast.Next = &answer->Unicast;
    } else if (g_Hostility == kWildSocketAddress) {
        answer->Unicast.Address.lpSockaddr = reinterpret_cast<SOCKADDR*>(std::uintptr_t{0x20});
    }
    return ERROR_SUCCESS;
}
