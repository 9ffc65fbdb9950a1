// The WLAN API records as the system header lays them out, against the numbers the Linux
// reproduction asserts, and the binding on Wine's wlanapi.dll.

#include <winsock2.h>

#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <wlanapi.h>

#include "network/wlan_binding.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

TEST(WlanRecordsOnWindows, SizesAndOffsetsAreThoseOfTheLinuxRecords) {
    const std::pair<std::size_t, std::size_t> cases[] = {
        {sizeof(GUID), 16},
        {sizeof(WLAN_INTERFACE_INFO), 532},
        {offsetof(WLAN_INTERFACE_INFO, isState), 528},
        {offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo), 8},
        {sizeof(DOT11_SSID), 36},
        {sizeof(WLAN_ASSOCIATION_ATTRIBUTES), 68},
        {offsetof(WLAN_ASSOCIATION_ATTRIBUTES, wlanSignalQuality), 56},
        {sizeof(WLAN_SECURITY_ATTRIBUTES), 16},
        {sizeof(WLAN_CONNECTION_ATTRIBUTES), 604},
        {offsetof(WLAN_CONNECTION_ATTRIBUTES, wlanAssociationAttributes), 520},
        {sizeof(WLAN_BSS_ENTRY), 360},
        {offsetof(WLAN_BSS_ENTRY, lRssi), 56},
        {offsetof(WLAN_BSS_ENTRY, ullTimestamp), 72},
        {offsetof(WLAN_BSS_ENTRY, ulChCenterFrequency), 92},
        {offsetof(WLAN_BSS_ENTRY, ulIeSize), 356},
        {sizeof(WLAN_BSS_LIST), 368},
        {offsetof(WLAN_BSS_LIST, wlanBssEntries), 8},
        {wlan_intf_opcode_current_connection, 7},
        {wlan_intf_opcode_rssi, 0x10000102},
        {wlan_intf_opcode_channel_number, 8},
        {offsetof(WLAN_ASSOCIATION_ATTRIBUTES, dot11Bssid), 40},
        {offsetof(WLAN_ASSOCIATION_ATTRIBUTES, ulRxRate), 60},
        {offsetof(WLAN_ASSOCIATION_ATTRIBUTES, ulTxRate), 64},
        {offsetof(WLAN_CONNECTION_ATTRIBUTES, wlanSecurityAttributes), 588},
        {offsetof(WLAN_SECURITY_ATTRIBUTES, dot11AuthAlgorithm), 8},
        {offsetof(WLAN_SECURITY_ATTRIBUTES, dot11CipherAlgorithm), 12},
        {DOT11_AUTH_ALGO_RSNA_PSK, 7},
        {DOT11_CIPHER_ALGO_CCMP, 4},
        {DOT11_CIPHER_ALGO_WEP, 0x101},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
    }
}

// Wine's wlanapi.dll has no radios to list; the binding must still reach it and give back what
// it hands out.
TEST(WlanBindingOnWine, OpensListsAndClosesThroughWlanapiDll) {
    DWORD version = 0;
    HANDLE handle = nullptr;
    ASSERT_EQ(qmr::WlanOpenHandle(2, nullptr, &version, &handle), 0u);
    PWLAN_INTERFACE_INFO_LIST list = nullptr;
    ASSERT_EQ(qmr::WlanEnumInterfaces(handle, nullptr, &list), 0u);
    ASSERT_NE(list, nullptr);
    qmr::WlanFreeMemory(list);
    EXPECT_EQ(qmr::WlanCloseHandle(handle, nullptr), 0u);
}

} // namespace
