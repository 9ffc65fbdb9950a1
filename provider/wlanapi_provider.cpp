// The WLAN API entry points of libqmr-iphlpapi.so, answered from nl80211 through the interface
// facts the IP helper calls read. Only wireless links are asked nl80211's questions, and only
// a caller that found a wireless adapter asks these. No exception leaves the library.

#include "network/wlanapi_records.h"
#include "provider/caller_route_socket.h"
#include "provider/entry_point.h"
#include "provider/interface_guid.h"
#include "provider/wlan_replies.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <set>

namespace {

using qmr::Guarded;

// Handles are numbers, never memory: a closed or invented one is refused, not followed.
struct THandles {
    std::mutex Lock;
    std::set<std::uintptr_t> Open;
    std::uintptr_t Next = 1;
};

THandles& Handles() {
    static THandles handles;
    return handles;
}

bool IsOpen(HANDLE handle) {
    THandles& h = Handles();
    const std::lock_guard<std::mutex> lock(h.Lock);
    return h.Open.count(reinterpret_cast<std::uintptr_t>(handle)) != 0;
}

// The facts of the wireless link the GUID names; nothing for any other GUID or link.
std::optional<qmr::TInterfaceFacts> WirelessLink(const GUID* guid) {
    const std::optional<std::uint32_t> index = qmr::IndexOfInterfaceGuid(*guid);
    if (!index) {
        return std::nullopt;
    }
    auto facts = qmr::ReadInterfaceFacts(qmr::CallerKernel(), *index, false);
    if (!facts || facts->Identity.Type != IF_TYPE_IEEE80211) {
        return std::nullopt;
    }
    return facts;
}

} // namespace

QMR_PROVIDER_EXPORT DWORD WlanOpenHandle(DWORD dwClientVersion, PVOID pReserved,
                                         PDWORD pdwNegotiatedVersion, PHANDLE phClientHandle) {
    if (dwClientVersion == 0 || pReserved != nullptr || pdwNegotiatedVersion == nullptr ||
        phClientHandle == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        THandles& h = Handles();
        const std::lock_guard<std::mutex> lock(h.Lock);
        const std::uintptr_t handle = h.Next++;
        h.Open.insert(handle);
        *pdwNegotiatedVersion = WLAN_API_VERSION_2_0;
        *phClientHandle = reinterpret_cast<HANDLE>(handle);
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT DWORD WlanCloseHandle(HANDLE hClientHandle, PVOID pReserved) {
    if (pReserved != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    THandles& h = Handles();
    const std::lock_guard<std::mutex> lock(h.Lock);
    return h.Open.erase(reinterpret_cast<std::uintptr_t>(hClientHandle)) != 0
               ? ERROR_SUCCESS
               : ERROR_INVALID_HANDLE;
}

QMR_PROVIDER_EXPORT DWORD WlanEnumInterfaces(HANDLE hClientHandle, PVOID pReserved,
                                             PWLAN_INTERFACE_INFO_LIST* ppInterfaceList) {
    if (pReserved != nullptr || ppInterfaceList == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!IsOpen(hClientHandle)) {
        return ERROR_INVALID_HANDLE;
    }
    return Guarded([&]() -> DWORD {
        *ppInterfaceList =
            qmr::MakeWlanInterfaceList(qmr::ReadEveryInterfaceFacts(qmr::CallerKernel()));
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT DWORD WlanQueryInterface(HANDLE hClientHandle, const GUID* pInterfaceGuid,
                                             WLAN_INTF_OPCODE OpCode, PVOID pReserved,
                                             PDWORD pdwDataSize, PVOID* ppData,
                                             PWLAN_OPCODE_VALUE_TYPE pWlanOpcodeValueType) {
    if (pInterfaceGuid == nullptr || pReserved != nullptr || pdwDataSize == nullptr ||
        ppData == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (OpCode != wlan_intf_opcode_current_connection && OpCode != wlan_intf_opcode_rssi &&
        OpCode != wlan_intf_opcode_channel_number) {
        return ERROR_NOT_SUPPORTED;
    }
    if (!IsOpen(hClientHandle)) {
        return ERROR_INVALID_HANDLE;
    }
    return Guarded([&]() -> DWORD {
        const auto facts = WirelessLink(pInterfaceGuid);
        if (!facts) {
            return ERROR_INVALID_PARAMETER;
        }
        const qmr::TWlanBlock block = OpCode == wlan_intf_opcode_rssi ? qmr::MakeRssi(*facts)
                                      : OpCode == wlan_intf_opcode_channel_number
                                          ? qmr::MakeChannel(*facts)
                                          : qmr::MakeCurrentConnection(*facts);
        if (block.Status == ERROR_SUCCESS) {
            *pdwDataSize = block.Size;
            *ppData = block.Data;
            if (pWlanOpcodeValueType != nullptr) {
                *pWlanOpcodeValueType = wlan_opcode_value_type_query_only;
            }
        }
        return block.Status;
    });
}

QMR_PROVIDER_EXPORT DWORD WlanGetNetworkBssList(HANDLE hClientHandle, const GUID* pInterfaceGuid,
                                                const PDOT11_SSID pDot11Ssid,
                                                DOT11_BSS_TYPE dot11BssType, BOOL bSecurityEnabled,
                                                PVOID pReserved, PWLAN_BSS_LIST* ppWlanBssList) {
    (void)dot11BssType;
    (void)bSecurityEnabled;
    if (pInterfaceGuid == nullptr || pReserved != nullptr || ppWlanBssList == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!IsOpen(hClientHandle)) {
        return ERROR_INVALID_HANDLE;
    }
    return Guarded([&]() -> DWORD {
        const auto facts = WirelessLink(pInterfaceGuid);
        if (!facts) {
            return ERROR_INVALID_PARAMETER;
        }
        *ppWlanBssList = static_cast<PWLAN_BSS_LIST>(qmr::MakeBssList(*facts, pDot11Ssid).Data);
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT void WlanFreeMemory(PVOID pMemory) {
    std::free(pMemory);
}
