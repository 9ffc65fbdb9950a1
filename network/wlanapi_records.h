#pragma once
// The WLAN API records and entry points: on Windows the system's own (wlanapi.h), elsewhere
// the part the program uses, reproduced field for field in the 64-bit Windows layout, so that
// our Linux provider hands out exactly the bytes that wlanapi.dll would.

#include "network/iphlpapi_records.h"

#ifdef _WIN32

// After the IP helper headers: wlanapi.h needs windows.h, which winsock2.h must precede.
#include <wlanapi.h>

#else

#include <cstddef>
#include <cstdint>

typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef DWORD* PDWORD;
typedef std::int32_t LONG;
typedef ULONG WLAN_SIGNAL_QUALITY;
typedef UCHAR DOT11_MAC_ADDRESS[6];

#define ERROR_INVALID_HANDLE 6u
#define ERROR_INVALID_STATE 5023u
#define DOT11_SSID_MAX_LENGTH 32
#define DOT11_RATE_SET_MAX_LENGTH 126
#define WLAN_MAX_NAME_LENGTH 256

typedef enum _WLAN_INTERFACE_STATE {
    wlan_interface_state_not_ready = 0,
    wlan_interface_state_connected = 1,
    wlan_interface_state_ad_hoc_network_formed = 2,
    wlan_interface_state_disconnecting = 3,
    wlan_interface_state_disconnected = 4,
    wlan_interface_state_associating = 5,
    wlan_interface_state_discovering = 6,
    wlan_interface_state_authenticating = 7
} WLAN_INTERFACE_STATE;

typedef enum _WLAN_CONNECTION_MODE {
    wlan_connection_mode_profile = 0,
    wlan_connection_mode_temporary_profile,
    wlan_connection_mode_discovery_secure,
    wlan_connection_mode_discovery_unsecure,
    wlan_connection_mode_auto,
    wlan_connection_mode_invalid
} WLAN_CONNECTION_MODE;

// Only the questions the program asks; the values are Windows' own.
typedef enum _WLAN_INTF_OPCODE {
    wlan_intf_opcode_current_connection = 7,
    wlan_intf_opcode_channel_number = 8,
    wlan_intf_opcode_rssi = 0x10000102
} WLAN_INTF_OPCODE;

typedef enum _WLAN_OPCODE_VALUE_TYPE {
    wlan_opcode_value_type_query_only = 0,
    wlan_opcode_value_type_set_by_group_policy = 1,
    wlan_opcode_value_type_set_by_user = 2,
    wlan_opcode_value_type_invalid = 3
} WLAN_OPCODE_VALUE_TYPE,
    *PWLAN_OPCODE_VALUE_TYPE;

typedef enum _DOT11_BSS_TYPE {
    dot11_BSS_type_infrastructure = 1,
    dot11_BSS_type_independent = 2,
    dot11_BSS_type_any = 3
} DOT11_BSS_TYPE;

typedef enum _DOT11_PHY_TYPE { dot11_phy_type_unknown = 0, dot11_phy_type_any = 0 } DOT11_PHY_TYPE;
typedef int DOT11_AUTH_ALGORITHM;
typedef int DOT11_CIPHER_ALGORITHM;

#define DOT11_AUTH_ALGO_80211_OPEN 1
#define DOT11_AUTH_ALGO_80211_SHARED_KEY 2
#define DOT11_AUTH_ALGO_WPA 3
#define DOT11_AUTH_ALGO_WPA_PSK 4
#define DOT11_AUTH_ALGO_WPA_NONE 5
#define DOT11_AUTH_ALGO_RSNA 6
#define DOT11_AUTH_ALGO_RSNA_PSK 7

#define DOT11_CIPHER_ALGO_NONE 0x00
#define DOT11_CIPHER_ALGO_WEP40 0x01
#define DOT11_CIPHER_ALGO_TKIP 0x02
#define DOT11_CIPHER_ALGO_CCMP 0x04
#define DOT11_CIPHER_ALGO_WEP104 0x05
#define DOT11_CIPHER_ALGO_WEP 0x101

typedef struct _WLAN_INTERFACE_INFO {
    GUID InterfaceGuid;
    WCHAR strInterfaceDescription[WLAN_MAX_NAME_LENGTH];
    WLAN_INTERFACE_STATE isState;
} WLAN_INTERFACE_INFO, *PWLAN_INTERFACE_INFO;

// As many entries as dwNumberOfItems says follow in the one block WlanEnumInterfaces gives.
typedef struct _WLAN_INTERFACE_INFO_LIST {
    DWORD dwNumberOfItems;
    DWORD dwIndex;
    WLAN_INTERFACE_INFO InterfaceInfo[1];
} WLAN_INTERFACE_INFO_LIST, *PWLAN_INTERFACE_INFO_LIST;

typedef struct _DOT11_SSID {
    ULONG uSSIDLength;
    UCHAR ucSSID[DOT11_SSID_MAX_LENGTH];
} DOT11_SSID, *PDOT11_SSID;

typedef struct _WLAN_ASSOCIATION_ATTRIBUTES {
    DOT11_SSID dot11Ssid;
    DOT11_BSS_TYPE dot11BssType;
    DOT11_MAC_ADDRESS dot11Bssid;
    DOT11_PHY_TYPE dot11PhyType;
    ULONG uDot11PhyIndex;
    WLAN_SIGNAL_QUALITY wlanSignalQuality;
    ULONG ulRxRate;
    ULONG ulTxRate;
} WLAN_ASSOCIATION_ATTRIBUTES, *PWLAN_ASSOCIATION_ATTRIBUTES;

typedef struct _WLAN_SECURITY_ATTRIBUTES {
    BOOL bSecurityEnabled;
    BOOL bOneXEnabled;
    DOT11_AUTH_ALGORITHM dot11AuthAlgorithm;
    DOT11_CIPHER_ALGORITHM dot11CipherAlgorithm;
} WLAN_SECURITY_ATTRIBUTES, *PWLAN_SECURITY_ATTRIBUTES;

typedef struct _WLAN_CONNECTION_ATTRIBUTES {
    WLAN_INTERFACE_STATE isState;
    WLAN_CONNECTION_MODE wlanConnectionMode;
    WCHAR strProfileName[WLAN_MAX_NAME_LENGTH];
    WLAN_ASSOCIATION_ATTRIBUTES wlanAssociationAttributes;
    WLAN_SECURITY_ATTRIBUTES wlanSecurityAttributes;
} WLAN_CONNECTION_ATTRIBUTES, *PWLAN_CONNECTION_ATTRIBUTES;

typedef struct _WLAN_RATE_SET {
    ULONG uRateSetLength;
    USHORT usRateSet[DOT11_RATE_SET_MAX_LENGTH];
} WLAN_RATE_SET, *PWLAN_RATE_SET;

typedef struct _WLAN_BSS_ENTRY {
    DOT11_SSID dot11Ssid;
    ULONG uPhyId;
    DOT11_MAC_ADDRESS dot11Bssid;
    DOT11_BSS_TYPE dot11BssType;
    DOT11_PHY_TYPE dot11BssPhyType;
    LONG lRssi;
    ULONG uLinkQuality;
    BOOLEAN bInRegDomain;
    USHORT usBeaconPeriod;
    ULONGLONG ullTimestamp;
    ULONGLONG ullHostTimestamp;
    USHORT usCapabilityInformation;
    ULONG ulChCenterFrequency; // kHz
    WLAN_RATE_SET wlanRateSet;
    ULONG ulIeOffset;
    ULONG ulIeSize;
} WLAN_BSS_ENTRY, *PWLAN_BSS_ENTRY;

typedef struct _WLAN_BSS_LIST {
    DWORD dwTotalSize;
    DWORD dwNumberOfItems;
    WLAN_BSS_ENTRY wlanBssEntries[1];
} WLAN_BSS_LIST, *PWLAN_BSS_LIST;

// The entry points a provider exports, as the WLAN API declares them.
extern "C" {
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
}

#endif

// The algorithms of later Windows releases, which mingw-w64's header does not name yet; the
// numbers are Windows' own.
constexpr DOT11_AUTH_ALGORITHM kDot11AuthWpa3Enterprise192 = static_cast<DOT11_AUTH_ALGORITHM>(8);
constexpr DOT11_AUTH_ALGORITHM kDot11AuthWpa3Sae = static_cast<DOT11_AUTH_ALGORITHM>(9);
constexpr DOT11_AUTH_ALGORITHM kDot11AuthOwe = static_cast<DOT11_AUTH_ALGORITHM>(10);
constexpr DOT11_AUTH_ALGORITHM kDot11AuthWpa3Enterprise = static_cast<DOT11_AUTH_ALGORITHM>(11);
constexpr DOT11_CIPHER_ALGORITHM kDot11CipherGcmp = static_cast<DOT11_CIPHER_ALGORITHM>(8);
constexpr DOT11_CIPHER_ALGORITHM kDot11CipherGcmp256 = static_cast<DOT11_CIPHER_ALGORITHM>(9);
constexpr DOT11_CIPHER_ALGORITHM kDot11CipherCcmp256 = static_cast<DOT11_CIPHER_ALGORITHM>(10);

// The client version of Vista and later; mingw-w64's header does not name it.
#ifndef WLAN_API_VERSION_2_0
#define WLAN_API_VERSION_2_0 0x00000002u
#endif

// The 64-bit Windows layout on both platforms; tests/windows asserts the same against the
// system header. mingw-w64 declares InterfaceInfo as a flexible array, so the list's own size
// differs between headers and is never used: only where its entries start.
static_assert(sizeof(GUID) == 16);
static_assert(sizeof(WLAN_INTERFACE_INFO) == 532);
static_assert(offsetof(WLAN_INTERFACE_INFO, isState) == 528);
static_assert(offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) == 8);
static_assert(sizeof(DOT11_SSID) == 36);
static_assert(sizeof(WLAN_ASSOCIATION_ATTRIBUTES) == 68);
static_assert(offsetof(WLAN_ASSOCIATION_ATTRIBUTES, wlanSignalQuality) == 56);
static_assert(sizeof(WLAN_SECURITY_ATTRIBUTES) == 16);
static_assert(sizeof(WLAN_CONNECTION_ATTRIBUTES) == 604);
static_assert(offsetof(WLAN_CONNECTION_ATTRIBUTES, wlanAssociationAttributes) == 520);
static_assert(sizeof(WLAN_BSS_ENTRY) == 360);
static_assert(offsetof(WLAN_BSS_ENTRY, lRssi) == 56);
static_assert(offsetof(WLAN_BSS_ENTRY, ullTimestamp) == 72);
static_assert(offsetof(WLAN_BSS_ENTRY, ulChCenterFrequency) == 92);
static_assert(offsetof(WLAN_BSS_ENTRY, ulIeSize) == 356);
static_assert(sizeof(WLAN_BSS_LIST) == 368);
static_assert(offsetof(WLAN_BSS_LIST, wlanBssEntries) == 8);
static_assert(wlan_intf_opcode_current_connection == 7);
static_assert(wlan_intf_opcode_rssi == 0x10000102);
static_assert(wlan_intf_opcode_channel_number == 8);
static_assert(offsetof(WLAN_ASSOCIATION_ATTRIBUTES, dot11Bssid) == 40);
static_assert(offsetof(WLAN_ASSOCIATION_ATTRIBUTES, ulRxRate) == 60);
static_assert(offsetof(WLAN_ASSOCIATION_ATTRIBUTES, ulTxRate) == 64);
static_assert(offsetof(WLAN_CONNECTION_ATTRIBUTES, wlanSecurityAttributes) == 588);
static_assert(offsetof(WLAN_SECURITY_ATTRIBUTES, dot11CipherAlgorithm) == 12);
