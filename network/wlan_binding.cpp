#include "wlan_binding.h"

#include "network/ip_helper_library.h"

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

struct Binding {
    std::int32_t references = 0;
    LibraryHandle library = nullptr;
    std::array<void*, kSlotNames.size()> slots{};
};

Binding& State() {
    static Binding binding;
    return binding;
}

// Unlike the IP helper binding nothing holds a reference for the program's life: the library
// is loaded at the first call and stays until the tests release it.
template <typename Fn> Fn Bound(Slot slot) {
    Binding& b = State();
    if (b.references == 0) {
        LoadWlan();
    }
    return reinterpret_cast<Fn>(b.slots[slot]);
}

} // namespace

bool LoadWlan() {
    Binding& b = State();
    if (b.references++ == 0) {
        b.library = OpenWlanLibrary();
        for (std::size_t i = 0; i < kSlotNames.size(); ++i) {
            b.slots[i] = FindLibraryEntryPoint(b.library, kSlotNames[i]);
        }
    }
    return b.library != nullptr;
}

void ReleaseWlan() {
    Binding& b = State();
    if (b.references > 0 && --b.references == 0) {
        b.slots.fill(nullptr);
        CloseLibrary(b.library);
        b.library = nullptr;
    }
}

std::int32_t WlanReferenceCount() {
    return State().references;
}

DWORD WlanOpenHandle(DWORD dwClientVersion, PVOID pReserved, PDWORD pdwNegotiatedVersion,
                     PHANDLE phClientHandle) {
    auto fn = Bound<WlanOpenHandleFn>(kOpenHandle);
    if (fn && State().slots[kCloseHandle] && State().slots[kFreeMemory]) {
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
