#include "wlan_binding.h"

#include "network/runtime_binding.h"

#include <array>

namespace qmr {

namespace {

constexpr std::array<const char*, 6> kSlotNames = {
    "WlanOpenHandle",     "WlanCloseHandle",       "WlanEnumInterfaces",
    "WlanQueryInterface", "WlanGetNetworkBssList", "WlanFreeMemory",
};

enum Slot : std::size_t {
    kOpenHandle,
    kCloseHandle,
    kEnumInterfaces,
    kQueryInterface,
    kGetNetworkBssList,
    kFreeMemory,
};

using WlanOpenHandleFn = decltype(&::WlanOpenHandle);
using WlanCloseHandleFn = decltype(&::WlanCloseHandle);
using WlanEnumInterfacesFn = decltype(&::WlanEnumInterfaces);
using WlanQueryInterfaceFn = decltype(&::WlanQueryInterface);
using WlanGetNetworkBssListFn = decltype(&::WlanGetNetworkBssList);
using WlanFreeMemoryFn = decltype(&::WlanFreeMemory);

using Binding = TRuntimeBinding<kSlotNames.size()>;

Binding& State() {
    static Binding binding(kSlotNames, OpenWlanLibrary);
    return binding;
}

// Unlike the IP helper binding nothing holds a reference for the program's life: the library
// is loaded at the first call and stays until the tests release it.
template <typename Fn> Fn Bound(Slot slot) {
    if (State().References() == 0) {
        LoadWlan();
    }
    return State().Get<Fn>(slot);
}

} // namespace

bool LoadWlan() {
    return State().Bind();
}

void ReleaseWlan() {
    State().Release();
}

std::int32_t WlanReferenceCount() {
    return State().References();
}

DWORD WlanOpenHandle(DWORD dwClientVersion, PVOID pReserved, PDWORD pdwNegotiatedVersion,
                     PHANDLE phClientHandle) {
    auto fn = Bound<WlanOpenHandleFn>(kOpenHandle);
    if (fn && State().Has(kCloseHandle) && State().Has(kFreeMemory)) {
        return fn(dwClientVersion, pReserved, pdwNegotiatedVersion, phClientHandle);
    }
    return ERROR_NOT_SUPPORTED;
}

DWORD WlanCloseHandle(HANDLE hClientHandle, PVOID pReserved) {
    if (auto fn = Bound<WlanCloseHandleFn>(kCloseHandle)) {
        return fn(hClientHandle, pReserved);
    }
    return ERROR_NOT_SUPPORTED;
}

DWORD WlanEnumInterfaces(HANDLE hClientHandle, PVOID pReserved,
                         PWLAN_INTERFACE_INFO_LIST* ppInterfaceList) {
    if (auto fn = Bound<WlanEnumInterfacesFn>(kEnumInterfaces)) {
        return fn(hClientHandle, pReserved, ppInterfaceList);
    }
    return ERROR_NOT_SUPPORTED;
}

DWORD WlanQueryInterface(HANDLE hClientHandle, const GUID* pInterfaceGuid, WLAN_INTF_OPCODE OpCode,
                         PVOID pReserved, PDWORD pdwDataSize, PVOID* ppData,
                         PWLAN_OPCODE_VALUE_TYPE pWlanOpcodeValueType) {
    if (auto fn = Bound<WlanQueryInterfaceFn>(kQueryInterface)) {
        return fn(hClientHandle, pInterfaceGuid, OpCode, pReserved, pdwDataSize, ppData,
                  pWlanOpcodeValueType);
    }
    return ERROR_NOT_SUPPORTED;
}

DWORD WlanGetNetworkBssList(HANDLE hClientHandle, const GUID* pInterfaceGuid,
                            const PDOT11_SSID pDot11Ssid, DOT11_BSS_TYPE dot11BssType,
                            BOOL bSecurityEnabled, PVOID pReserved, PWLAN_BSS_LIST* ppWlanBssList) {
    if (auto fn = Bound<WlanGetNetworkBssListFn>(kGetNetworkBssList)) {
        return fn(hClientHandle, pInterfaceGuid, pDot11Ssid, dot11BssType, bSecurityEnabled,
                  pReserved, ppWlanBssList);
    }
    return ERROR_NOT_SUPPORTED;
}

void WlanFreeMemory(PVOID pMemory) {
    if (auto fn = Bound<WlanFreeMemoryFn>(kFreeMemory)) {
        fn(pMemory);
    }
}

} // namespace qmr
