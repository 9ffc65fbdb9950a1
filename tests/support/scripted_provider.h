#pragma once
// A provider library of the tests' own: it serves adapter records that a test scripts, and
// answers statuses that a test forces, so the binding, the device model and the window can be
// driven through every path without touching the machine's adapters.

#include "network/iphlpapi_records.h"
#include "network/wlanapi_records.h"

#include <cstdint>

extern "C" {

struct QmrTestAdapter {
    char Name[64];
    char Description[128];
    DWORD Index;
    UINT Type;
    // 1: DHCP with the server 192.168.1.1 in the adapter record; 2: DHCP with none there.
    UINT DhcpEnabled;
    int IpCount;
    char Ip[4][16];
    char Mask[4][16];
    int GatewayCount;
    char Gateway[3][16];
    int DnsCount;
    char Dns[3][16];
    UINT MacLength;
    BYTE Mac[8];
    DWORD OperStatus;
    DWORD Speed32;
    ULONG64 Speed64;
    ULONG64 InOctets;
    ULONG64 OutOctets;
    // The interface row of this adapter cannot be read (GetIfEntry answers 2).
    int RowFails;
    DWORD LastChange;
    char IfDescription[64];
    // What GetAdaptersAddresses lists besides the first IPv4 address: IPv6 addresses in text
    // with their prefix lengths, DAD states (0 counts as preferred) and suffix origins, and
    // one IPv6 router and DNS server (empty: none).
    int Ipv6Count;
    char Ipv6[3][48];
    int Ipv6Prefix[3];
    int Ipv6Dad[3];
    int Ipv6Suffix[3];
    char Ipv6Gateway[48];
    char Ipv6Dns[48];
    // GetIfEntry2 flags the adapter as hardware (a device behind it) when not 0.
    int Hardware;
    // What the WLAN API tells of an adapter of type 71: whether it is connected, the network
    // name, the signal (0: not told) and the centre frequency in MHz.
    int WlanConnected;
    char WlanSsid[33];
    int WlanSignalDbm;
    DWORD WlanFrequencyMhz;
    // The channel (0: not told), the authentication and cipher algorithms (security enabled
    // when the authentication is not 0) and the link rates in kbit/s.
    ULONG WlanChannel;
    int WlanAuth;
    int WlanCipher;
    ULONG WlanRxKbps;
    ULONG WlanTxKbps;
    // The interface row's MTU (0: 1500), and the 64-bit row's permanent address (all zero:
    // none), as long as the current one.
    DWORD Mtu;
    BYTE PermanentMac[8];
    // What GetAdaptersAddresses adds: the DNS suffix and search list, and the DHCPv4 server
    // (empty: none).
    char DnsSuffix[64];
    int SearchCount;
    char Search[3][64];
    char Dhcpv4Server[16];
};

// Forgets adapters, forced statuses and counters.
void QmrTestProvider_Reset();
// The adapters that GetAdaptersInfo reports from now on, in this order.
void QmrTestProvider_SetAdapters(const QmrTestAdapter* adapters, int count);
// The adapters every call sees once the next GetAdaptersInfo call has answered with the ones
// before: a link deleted, added or renamed between the calls of one poll.
void QmrTestProvider_SetAdaptersAfterAdaptersInfo(const QmrTestAdapter* adapters, int count);
// Forces the answer of the next GetAdaptersInfo call (first in, first out): the status, and
// the size reported back with it.
void QmrTestProvider_PushAdaptersInfoAnswer(ULONG status, ULONG size);
// Calls of GetAdaptersInfo so far, and the buffer size passed in by call `n`.
int QmrTestProvider_AdaptersInfoCalls();
ULONG QmrTestProvider_AdaptersInfoSizeIn(int n);
// Calls of GetPerAdapterInfo so far, and the buffer size passed in by call `n`.
int QmrTestProvider_PerAdapterInfoCalls();
ULONG QmrTestProvider_PerAdapterInfoSizeIn(int n);
// Whether GetIfEntry2 answers (0) or fails (50).
void QmrTestProvider_SetIfEntry2Answers(int answers);
// Calls of GetAdaptersAddresses so far.
int QmrTestProvider_AdaptersAddressesCalls();
// Calls of WlanOpenHandle and WlanEnumInterfaces so far, and the handles and blocks the WLAN
// calls gave out that are not yet closed or freed.
int QmrTestProvider_WlanOpenCalls();
int QmrTestProvider_WlanEnumCalls();
int QmrTestProvider_WlanOutstanding();
}

// The GUID the scripted 64-bit row and WLAN interface list give the adapter with this index.
inline GUID ScriptedInterfaceGuid(DWORD index) {
    return GUID{index, 0x5157, 0x4C41, {0x4E, 0x74, 0x65, 0x73, 0x74, 0x00, 0x00, 0x01}};
}

// Fills an adapter description with sensible defaults for tests.
QmrTestAdapter MakeTestAdapter(const char* name, DWORD index, const char* ip = "",
                               DWORD operStatus = 5);
