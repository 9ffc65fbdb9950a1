#pragma once
// Run-time binding of the WLAN API, as the IP helper one: wlanapi.dll on Windows, the provider
// library on Linux. A machine without the WLAN service, or a provider without the entry points,
// still polls: the wrappers then answer 50 and a wireless adapter has no Wi-Fi lines.

#include "network/wlanapi_records.h"

#include <cstdint>

namespace qmr {

// Adds one reference; loads the library and resolves every slot only when there was none.
// Returns whether the library is loaded.
bool LoadWlan();
// Drops one reference; at zero empties the slots and frees the library.
void ReleaseWlan();
std::int32_t WlanReferenceCount();

// The wrappers: call through when the slot is filled (loading on demand), otherwise 50.
// WlanOpenHandle answers 50 also where WlanCloseHandle or WlanFreeMemory is missing: a
// handle or a block that could not be given back is not taken.
DWORD WlanOpenHandle(DWORD dwClientVersion, PVOID pReserved, PDWORD pdwNegotiatedVersion,
                     PHANDLE phClientHandle);
DWORD WlanCloseHandle(HANDLE hClientHandle, PVOID pReserved);
DWORD WlanEnumInterfaces(HANDLE hClientHandle, PVOID pReserved,
                         PWLAN_INTERFACE_INFO_LIST* ppInterfaceList);
DWORD WlanQueryInterface(HANDLE hClientHandle, const GUID* pInterfaceGuid, WLAN_INTF_OPCODE OpCode,
                         PVOID pReserved, PDWORD pdwDataSize, PVOID* ppData,
                         PWLAN_OPCODE_VALUE_TYPE pWlanOpcodeValueType);
DWORD WlanGetNetworkBssList(HANDLE hClientHandle, const GUID* pInterfaceGuid,
                            const PDOT11_SSID pDot11Ssid, DOT11_BSS_TYPE dot11BssType,
                            BOOL bSecurityEnabled, PVOID pReserved, PWLAN_BSS_LIST* ppWlanBssList);
void WlanFreeMemory(PVOID pMemory);

} // namespace qmr
