#include "wlan_replies.h"

#include "base/utf16_text.h"
#include "provider/interface_guid.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace qmr {

namespace {

// Zeroed C heap, or std::bad_alloc for the entry point to answer 8.
void* Allocate(std::size_t size) {
    void* block = std::calloc(1, size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

bool Associated(const TInterfaceFacts& facts) {
    return facts.Radio && facts.Radio->Associated;
}

DOT11_SSID SsidOf(const TWirelessFacts& radio) {
    DOT11_SSID ssid{};
    ssid.uSSIDLength =
        static_cast<ULONG>(std::min<std::size_t>(radio.Ssid.size(), DOT11_SSID_MAX_LENGTH));
    std::memcpy(ssid.ucSSID, radio.Ssid.data(), ssid.uSSIDLength);
    return ssid;
}

// Windows' link quality from the signal: 0 at -100 dBm, 100 at -50 dBm and above.
ULONG QualityOf(const std::optional<int>& dbm) {
    return dbm ? static_cast<ULONG>(std::clamp(2 * (*dbm + 100), 0, 100)) : 0;
}

void CopyDescription(const std::string& utf8, WCHAR (&field)[WLAN_MAX_NAME_LENGTH]) {
    const std::u16string text = Utf8ToUtf16(utf8);
    const std::size_t length = std::min<std::size_t>(text.size(), WLAN_MAX_NAME_LENGTH - 1);
    std::memcpy(field, text.data(), length * sizeof(WCHAR));
}

} // namespace

PWLAN_INTERFACE_INFO_LIST MakeWlanInterfaceList(const std::vector<TInterfaceFacts>& every) {
    std::vector<const TInterfaceFacts*> wireless;
    for (const TInterfaceFacts& facts : every) {
        if (facts.Identity.Type == IF_TYPE_IEEE80211) {
            wireless.push_back(&facts);
        }
    }
    auto* list = static_cast<PWLAN_INTERFACE_INFO_LIST>(
        Allocate(offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) +
                 std::max<std::size_t>(wireless.size(), 1) * sizeof(WLAN_INTERFACE_INFO)));
    list->dwNumberOfItems = static_cast<DWORD>(wireless.size());
    for (std::size_t i = 0; i < wireless.size(); ++i) {
        WLAN_INTERFACE_INFO& info = list->InterfaceInfo[i];
        info.InterfaceGuid = InterfaceGuidOfIndex(wireless[i]->Link.Index);
        CopyDescription(wireless[i]->Identity.Description, info.strInterfaceDescription);
        info.isState = Associated(*wireless[i]) ? wlan_interface_state_connected
                                                : wlan_interface_state_disconnected;
    }
    return list;
}

TWlanBlock MakeCurrentConnection(const TInterfaceFacts& facts) {
    if (!Associated(facts)) {
        return {ERROR_INVALID_STATE};
    }
    const TWirelessFacts& radio = *facts.Radio;
    auto* attributes =
        static_cast<PWLAN_CONNECTION_ATTRIBUTES>(Allocate(sizeof(WLAN_CONNECTION_ATTRIBUTES)));
    attributes->isState = wlan_interface_state_connected;
    attributes->wlanConnectionMode = wlan_connection_mode_profile;
    // The profile is the network's name, as Windows names profiles it makes.
    CopyDescription(radio.Ssid, attributes->strProfileName);
    WLAN_ASSOCIATION_ATTRIBUTES& association = attributes->wlanAssociationAttributes;
    association.dot11Ssid = SsidOf(radio);
    association.dot11BssType = dot11_BSS_type_infrastructure;
    association.wlanSignalQuality = QualityOf(radio.SignalDbm);
    // kbit/s, as the WLAN API counts.
    association.ulTxRate =
        static_cast<ULONG>(std::min<std::uint64_t>(radio.TxBitrate / 1000, 0xFFFFFFFFu));
    return {ERROR_SUCCESS, attributes, sizeof(WLAN_CONNECTION_ATTRIBUTES)};
}

TWlanBlock MakeRssi(const TInterfaceFacts& facts) {
    if (!Associated(facts) || !facts.Radio->SignalDbm) {
        return {ERROR_INVALID_STATE};
    }
    auto* rssi = static_cast<LONG*>(Allocate(sizeof(LONG)));
    *rssi = *facts.Radio->SignalDbm;
    return {ERROR_SUCCESS, rssi, sizeof(LONG)};
}

TWlanBlock MakeBssList(const TInterfaceFacts& facts, const DOT11_SSID* ssid) {
    auto* list = static_cast<PWLAN_BSS_LIST>(Allocate(sizeof(WLAN_BSS_LIST)));
    list->dwTotalSize = sizeof(WLAN_BSS_LIST);
    if (!Associated(facts)) {
        return {ERROR_SUCCESS, list, sizeof(WLAN_BSS_LIST)};
    }
    const TWirelessFacts& radio = *facts.Radio;
    const DOT11_SSID own = SsidOf(radio);
    if (ssid != nullptr &&
        (ssid->uSSIDLength != own.uSSIDLength ||
         std::memcmp(ssid->ucSSID, own.ucSSID, std::min<ULONG>(own.uSSIDLength, 32)) != 0)) {
        return {ERROR_SUCCESS, list, sizeof(WLAN_BSS_LIST)};
    }
    list->dwNumberOfItems = 1;
    WLAN_BSS_ENTRY& entry = list->wlanBssEntries[0];
    entry.dot11Ssid = own;
    entry.dot11BssType = dot11_BSS_type_infrastructure;
    entry.lRssi = radio.SignalDbm.value_or(0);
    entry.uLinkQuality = QualityOf(radio.SignalDbm);
    entry.bInRegDomain = 1;
    entry.ulChCenterFrequency = radio.FrequencyMhz * 1000;
    return {ERROR_SUCCESS, list, sizeof(WLAN_BSS_LIST)};
}

} // namespace qmr
