#pragma once
// The IP helper records and entry points. On Windows they are the system's own; elsewhere this
// header reproduces the 64-bit Windows layout field for field, so that our Linux provider and
// the core exchange exactly the bytes that iphlpapi.dll would.

#ifdef _WIN32

// In this order: winsock2.h must come before anything that includes windows.h, and netioapi.h
// (through iphlpapi.h) declares MIB_IF_ROW2 and GetIfEntry2 only after ws2ipdef.h.
#include <winsock2.h>

#include <ws2ipdef.h>

#include <iphlpapi.h>

#else

#include <cstddef>
#include <cstdint>

typedef std::uint32_t DWORD;
typedef std::uint32_t ULONG;
typedef std::uint64_t ULONG64;
typedef unsigned int UINT;
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned char UCHAR;
typedef unsigned char BOOLEAN;
typedef char16_t WCHAR;
typedef ULONG* PULONG;
typedef void* PVOID;
typedef std::int64_t IPHLP_TIME_T; // time_t of 64-bit Windows

#define ERROR_SUCCESS 0u
#define NO_ERROR 0u
#define ERROR_INVALID_FUNCTION 1u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_INVALID_DATA 13u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_NOT_SUPPORTED 50u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_BUFFER_OVERFLOW 111u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_NO_DATA 232u

#define MAX_ADAPTER_DESCRIPTION_LENGTH 128
#define MAX_ADAPTER_NAME_LENGTH 256
#define MAX_ADAPTER_ADDRESS_LENGTH 8
#define MAX_INTERFACE_NAME_LEN 256
#define MAXLEN_PHYSADDR 8
#define MAXLEN_IFDESCR 256
#define IF_MAX_STRING_SIZE 256
#define IF_MAX_PHYS_ADDRESS_LENGTH 32

#define MIB_IF_TYPE_OTHER 1
#define MIB_IF_TYPE_ETHERNET 6
#define MIB_IF_TYPE_PPP 23
#define MIB_IF_TYPE_LOOPBACK 24
#define IF_TYPE_IEEE80211 71
#define IF_TYPE_TUNNEL 131

#define MIB_IF_ADMIN_STATUS_UP 1
#define MIB_IF_ADMIN_STATUS_DOWN 2

#define MIB_IF_OPER_STATUS_NON_OPERATIONAL 0
#define MIB_IF_OPER_STATUS_UNREACHABLE 1
#define MIB_IF_OPER_STATUS_DISCONNECTED 2
#define MIB_IF_OPER_STATUS_CONNECTING 3
#define MIB_IF_OPER_STATUS_CONNECTED 4
#define MIB_IF_OPER_STATUS_OPERATIONAL 5

typedef enum {
    IfOperStatusUp = 1,
    IfOperStatusDown,
    IfOperStatusTesting,
    IfOperStatusUnknown,
    IfOperStatusDormant,
    IfOperStatusNotPresent,
    IfOperStatusLowerLayerDown
} IF_OPER_STATUS;

typedef enum {
    NET_IF_ADMIN_STATUS_UP = 1,
    NET_IF_ADMIN_STATUS_DOWN,
    NET_IF_ADMIN_STATUS_TESTING
} NET_IF_ADMIN_STATUS;

typedef enum {
    MediaConnectStateUnknown,
    MediaConnectStateConnected,
    MediaConnectStateDisconnected
} NET_IF_MEDIA_CONNECT_STATE;

typedef struct {
    char String[4 * 4];
} IP_ADDRESS_STRING, *PIP_ADDRESS_STRING, IP_MASK_STRING, *PIP_MASK_STRING;

typedef struct _IP_ADDR_STRING {
    struct _IP_ADDR_STRING* Next;
    IP_ADDRESS_STRING IpAddress;
    IP_MASK_STRING IpMask;
    DWORD Context;
} IP_ADDR_STRING, *PIP_ADDR_STRING;

typedef struct _IP_ADAPTER_INFO {
    struct _IP_ADAPTER_INFO* Next;
    DWORD ComboIndex;
    char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
    char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
    UINT AddressLength;
    BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
    DWORD Index;
    UINT Type;
    UINT DhcpEnabled;
    PIP_ADDR_STRING CurrentIpAddress;
    IP_ADDR_STRING IpAddressList;
    IP_ADDR_STRING GatewayList;
    IP_ADDR_STRING DhcpServer;
    BOOL HaveWins;
    IP_ADDR_STRING PrimaryWinsServer;
    IP_ADDR_STRING SecondaryWinsServer;
    IPHLP_TIME_T LeaseObtained;
    IPHLP_TIME_T LeaseExpires;
} IP_ADAPTER_INFO, *PIP_ADAPTER_INFO;

typedef struct _MIB_IFROW {
    WCHAR wszName[MAX_INTERFACE_NAME_LEN];
    DWORD dwIndex;
    DWORD dwType;
    DWORD dwMtu;
    DWORD dwSpeed;
    DWORD dwPhysAddrLen;
    BYTE bPhysAddr[MAXLEN_PHYSADDR];
    DWORD dwAdminStatus;
    DWORD dwOperStatus;
    DWORD dwLastChange;
    DWORD dwInOctets;
    DWORD dwInUcastPkts;
    DWORD dwInNUcastPkts;
    DWORD dwInDiscards;
    DWORD dwInErrors;
    DWORD dwInUnknownProtos;
    DWORD dwOutOctets;
    DWORD dwOutUcastPkts;
    DWORD dwOutNUcastPkts;
    DWORD dwOutDiscards;
    DWORD dwOutErrors;
    DWORD dwOutQLen;
    DWORD dwDescrLen;
    BYTE bDescr[MAXLEN_IFDESCR];
} MIB_IFROW, *PMIB_IFROW;

typedef struct _IP_PER_ADAPTER_INFO {
    UINT AutoconfigEnabled;
    UINT AutoconfigActive;
    PIP_ADDR_STRING CurrentDnsServer;
    IP_ADDR_STRING DnsServerList;
} IP_PER_ADAPTER_INFO, *PIP_PER_ADAPTER_INFO;

typedef struct _GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
} GUID;

typedef union _NET_LUID {
    ULONG64 Value;
    struct {
        ULONG64 Reserved : 24;
        ULONG64 NetLuidIndex : 24;
        ULONG64 IfType : 16;
    } Info;
} NET_LUID;

typedef struct _MIB_IF_ROW2 {
    NET_LUID InterfaceLuid;
    ULONG InterfaceIndex;
    GUID InterfaceGuid;
    WCHAR Alias[IF_MAX_STRING_SIZE + 1];
    WCHAR Description[IF_MAX_STRING_SIZE + 1];
    ULONG PhysicalAddressLength;
    UCHAR PhysicalAddress[IF_MAX_PHYS_ADDRESS_LENGTH];
    UCHAR PermanentPhysicalAddress[IF_MAX_PHYS_ADDRESS_LENGTH];
    ULONG Mtu;
    ULONG Type;
    int TunnelType;
    int MediaType;
    int PhysicalMediumType;
    int AccessType;
    int DirectionType;
    struct {
        BOOLEAN HardwareInterface : 1;
        BOOLEAN FilterInterface : 1;
        BOOLEAN ConnectorPresent : 1;
        BOOLEAN NotAuthenticated : 1;
        BOOLEAN NotMediaConnected : 1;
        BOOLEAN Paused : 1;
        BOOLEAN LowPower : 1;
        BOOLEAN EndPointInterface : 1;
    } InterfaceAndOperStatusFlags;
    IF_OPER_STATUS OperStatus;
    NET_IF_ADMIN_STATUS AdminStatus;
    NET_IF_MEDIA_CONNECT_STATE MediaConnectState;
    GUID NetworkGuid;
    int ConnectionType;
    ULONG64 TransmitLinkSpeed;
    ULONG64 ReceiveLinkSpeed;
    ULONG64 InOctets;
    ULONG64 InUcastPkts;
    ULONG64 InNUcastPkts;
    ULONG64 InDiscards;
    ULONG64 InErrors;
    ULONG64 InUnknownProtos;
    ULONG64 InUcastOctets;
    ULONG64 InMulticastOctets;
    ULONG64 InBroadcastOctets;
    ULONG64 OutOctets;
    ULONG64 OutUcastPkts;
    ULONG64 OutNUcastPkts;
    ULONG64 OutDiscards;
    ULONG64 OutErrors;
    ULONG64 OutUcastOctets;
    ULONG64 OutMulticastOctets;
    ULONG64 OutBroadcastOctets;
    ULONG64 OutQLen;
} MIB_IF_ROW2, *PMIB_IF_ROW2;

// As many rows as dwNumEntries says follow, in the caller's buffer.
typedef struct _MIB_IFTABLE {
    DWORD dwNumEntries;
    MIB_IFROW table[1];
} MIB_IFTABLE, *PMIB_IFTABLE;

// As many rows as NumEntries says follow in the one block that GetIfTable2 allocates.
typedef struct _MIB_IF_TABLE2 {
    ULONG NumEntries;
    MIB_IF_ROW2 Table[1];
} MIB_IF_TABLE2, *PMIB_IF_TABLE2;

#include "network/iphlpapi_address_records.h"

// The entry points that a provider exports, as the IP helper library declares them.
extern "C" {
ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer);
DWORD GetIfEntry(PMIB_IFROW pIfRow);
DWORD GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder);
DWORD GetPerAdapterInfo(ULONG IfIndex, PIP_PER_ADAPTER_INFO pPerAdapterInfo, PULONG pOutBufLen);
DWORD GetIfEntry2(PMIB_IF_ROW2 Row);
DWORD GetIfTable2(PMIB_IF_TABLE2* Table);
void FreeMibTable(PVOID Memory);
ULONG GetAdaptersAddresses(ULONG Family, ULONG Flags, PVOID Reserved,
                           PIP_ADAPTER_ADDRESSES AdapterAddresses, PULONG SizePointer);
}

#endif

// Our Linux provider's own entry point, which Windows' library lacks: why it refused the state
// files it reads from (resolv.conf, leases, ...), UTF-8 lines ended by '\n' and a NUL. 0 and
// the size written; 111 and the size needed when the buffer is too small or null.
extern "C" ULONG QmrGetStateFileProblems(char* Buffer, PULONG SizePointer);

// Windows' address family numbers, on both platforms: the Family argument of
// GetAdaptersAddresses and the family of every socket address it returns.
#define WS_AF_UNSPEC 0
#define WS_AF_INET 2
#define WS_AF_INET6 23

// Both layouts must be the 64-bit Windows ones.
static_assert(sizeof(void*) != 8 || sizeof(IP_ADAPTER_INFO) == 704);
static_assert(sizeof(void*) != 8 || sizeof(IP_ADDR_STRING) == 48);
static_assert(sizeof(MIB_IFROW) == 860);
static_assert(sizeof(void*) != 8 || sizeof(IP_PER_ADAPTER_INFO) == 64);
static_assert(sizeof(void*) != 8 || sizeof(MIB_IF_ROW2) == 1352);
static_assert(offsetof(MIB_IFROW, bDescr) == 604);
static_assert(offsetof(MIB_IFTABLE, table) == 4);
static_assert(sizeof(void*) != 8 || offsetof(IP_ADAPTER_INFO, LeaseExpires) == 696);
static_assert(sizeof(void*) != 8 || offsetof(MIB_IF_ROW2, ReceiveLinkSpeed) == 1200);
static_assert(sizeof(void*) != 8 || offsetof(MIB_IF_ROW2, OutQLen) == 1344);
static_assert(sizeof(void*) != 8 || offsetof(MIB_IF_TABLE2, Table) == 8);
static_assert(sizeof(void*) != 8 || sizeof(MIB_IF_TABLE2) == 1360);
static_assert(sizeof(void*) != 8 || sizeof(IP_ADAPTER_ADDRESSES_LH) == 448);
static_assert(sizeof(void*) != 8 || sizeof(IP_ADAPTER_UNICAST_ADDRESS_LH) == 64);
static_assert(sizeof(void*) != 8 || sizeof(IP_ADAPTER_GATEWAY_ADDRESS_LH) == 32);
static_assert(sizeof(void*) != 8 || sizeof(IP_ADAPTER_DNS_SERVER_ADDRESS_XP) == 32);
static_assert(sizeof(void*) != 8 || sizeof(IP_ADAPTER_PREFIX_XP) == 40);
static_assert(sizeof(void*) != 8 || sizeof(SOCKET_ADDRESS) == 16);
static_assert(sizeof(SOCKADDR_IN6) == 28);
static_assert(sizeof(SOCKADDR_IN) == 16);
static_assert(sizeof(void*) != 8 || offsetof(IP_ADAPTER_ADDRESSES_LH, ZoneIndices) == 112);
static_assert(sizeof(void*) != 8 || offsetof(IP_ADAPTER_ADDRESSES_LH, FirstGatewayAddress) == 208);
static_assert(sizeof(void*) != 8 || offsetof(IP_ADAPTER_ADDRESSES_LH, Dhcpv6Server) == 280);
static_assert(sizeof(void*) != 8 || offsetof(IP_ADAPTER_ADDRESSES_LH, FirstDnsSuffix) == 440);
static_assert(sizeof(void*) != 8 || offsetof(IP_ADAPTER_ADDRESSES_LH, DnsSuffix) == 56);
static_assert(sizeof(void*) != 8 || offsetof(IP_ADAPTER_ADDRESSES_LH, Mtu) == 96);
static_assert(sizeof(void*) != 8 || offsetof(IP_ADAPTER_ADDRESSES_LH, Dhcpv4Server) == 232);
static_assert(sizeof(void*) != 8 || sizeof(IP_ADAPTER_DNS_SUFFIX) == 520);
static_assert(offsetof(MIB_IF_ROW2, PhysicalAddressLength) == 1056);
static_assert(offsetof(MIB_IF_ROW2, PermanentPhysicalAddress) == 1092);
static_assert(offsetof(MIB_IF_ROW2, Mtu) == 1124);
static_assert(sizeof(void*) != 8 ||
              offsetof(IP_ADAPTER_UNICAST_ADDRESS_LH, OnLinkPrefixLength) == 56);
static_assert(offsetof(SOCKADDR_IN6, sin6_scope_id) == 24);
