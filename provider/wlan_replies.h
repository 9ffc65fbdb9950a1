#pragma once
// The WLAN API's answers built from what nl80211 told of the wireless links. Every block is one
// allocation of the C heap, which WlanFreeMemory gives back.

#include "network/wlanapi_records.h"
#include "provider/interface_rows.h"

#include <vector>

namespace qmr {

// The wireless links among `every`, each named by its interface GUID; connected while
// associated.
PWLAN_INTERFACE_INFO_LIST MakeWlanInterfaceList(const std::vector<TInterfaceFacts>& every);

// The answers of WlanQueryInterface and WlanGetNetworkBssList for one link. Each returns a
// status and, on 0, the block and its size: ERROR_INVALID_STATE while the link is not
// associated (as Windows answers for a disconnected interface), or where nl80211 told no
// signal for the rssi question.
struct TWlanBlock {
    DWORD Status = ERROR_SUCCESS;
    void* Data = nullptr;
    DWORD Size = 0;
};
TWlanBlock MakeCurrentConnection(const TInterfaceFacts& facts);
TWlanBlock MakeRssi(const TInterfaceFacts& facts);
// The channel number, a ULONG; ERROR_INVALID_STATE also where the frequency names no channel.
TWlanBlock MakeChannel(const TInterfaceFacts& facts);
// The security of the network as the WLAN API names it: enabled, and the authentication and
// cipher algorithms, from what its beacon announces.
WLAN_SECURITY_ATTRIBUTES DescribeSecurity(const TWirelessSecurity& security);
// The associated network as the one entry, its centre frequency in kHz; no entry while not
// associated or when `ssid` names another network.
TWlanBlock MakeBssList(const TInterfaceFacts& facts, const DOT11_SSID* ssid);

} // namespace qmr
