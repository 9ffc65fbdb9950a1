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

// The suite selectors of the standard (00-0F-AC) and of WPA (00-50-F2).
constexpr std::uint32_t kRsnSuite = 0x000FAC00;
constexpr std::uint32_t kWpaSuite = 0x0050F200;

DOT11_AUTH_ALGORITHM RsnAuthentication(std::uint32_t suite) {
    if ((suite & 0xFFFFFF00u) != kRsnSuite) {
        return static_cast<DOT11_AUTH_ALGORITHM>(DOT11_AUTH_ALGO_RSNA);
    }
    switch (suite & 0xFF) {
    case 2:  // PSK
    case 4:  // FT-PSK
    case 6:  // PSK-SHA256
        return static_cast<DOT11_AUTH_ALGORITHM>(DOT11_AUTH_ALGO_RSNA_PSK);
    case 8:  // SAE
    case 9:  // FT-SAE
    case 24: // SAE with a group-dependent hash
    case 25: // FT-SAE, the same
        return kDot11AuthWpa3Sae;
    case 11: // Suite B
        return kDot11AuthWpa3Enterprise;
    case 12: // Suite B 192-bit
    case 13: // FT-802.1X SHA-384
        return kDot11AuthWpa3Enterprise192;
    case 18:
        return kDot11AuthOwe;
    default: // 802.1X and its variants
        return static_cast<DOT11_AUTH_ALGORITHM>(DOT11_AUTH_ALGO_RSNA);
    }
}

DOT11_CIPHER_ALGORITHM CipherOfSuite(std::uint32_t suite) {
    const std::uint32_t organisation = suite & 0xFFFFFF00u;
    if (organisation != kRsnSuite && organisation != kWpaSuite) {
        return static_cast<DOT11_CIPHER_ALGORITHM>(DOT11_CIPHER_ALGO_NONE);
    }
    switch (suite & 0xFF) {
    case 1:
        return static_cast<DOT11_CIPHER_ALGORITHM>(DOT11_CIPHER_ALGO_WEP40);
    case 2:
        return static_cast<DOT11_CIPHER_ALGORITHM>(DOT11_CIPHER_ALGO_TKIP);
    case 4:
        return static_cast<DOT11_CIPHER_ALGORITHM>(DOT11_CIPHER_ALGO_CCMP);
    case 5:
        return static_cast<DOT11_CIPHER_ALGORITHM>(DOT11_CIPHER_ALGO_WEP104);
    case 8:
        return kDot11CipherGcmp;
    case 9:
        return kDot11CipherGcmp256;
    case 10:
        return kDot11CipherCcmp256;
    default:
        return static_cast<DOT11_CIPHER_ALGORITHM>(DOT11_CIPHER_ALGO_NONE);
    }
}

} // namespace

WLAN_SECURITY_ATTRIBUTES DescribeSecurity(const TWirelessSecurity& security) {
    WLAN_SECURITY_ATTRIBUTES out{};
    out.dot11AuthAlgorithm = static_cast<DOT11_AUTH_ALGORITHM>(DOT11_AUTH_ALGO_80211_OPEN);
    out.dot11CipherAlgorithm = static_cast<DOT11_CIPHER_ALGORITHM>(DOT11_CIPHER_ALGO_NONE);
    if (security.Rsn) {
        out.bSecurityEnabled = 1;
        out.dot11AuthAlgorithm = RsnAuthentication(security.KeyManagement);
        out.bOneXEnabled = out.dot11AuthAlgorithm == DOT11_AUTH_ALGO_RSNA ||
                           out.dot11AuthAlgorithm == kDot11AuthWpa3Enterprise ||
                           out.dot11AuthAlgorithm == kDot11AuthWpa3Enterprise192;
        out.dot11CipherAlgorithm = CipherOfSuite(security.PairwiseCipher);
    } else if (security.Wpa) {
        out.bSecurityEnabled = 1;
        out.dot11AuthAlgorithm = static_cast<DOT11_AUTH_ALGORITHM>(
            security.KeyManagement == (kWpaSuite | 2) ? DOT11_AUTH_ALGO_WPA_PSK
                                                      : DOT11_AUTH_ALGO_WPA);
        out.bOneXEnabled = out.dot11AuthAlgorithm == DOT11_AUTH_ALGO_WPA;
        out.dot11CipherAlgorithm = CipherOfSuite(security.PairwiseCipher);
    } else if (security.Privacy) {
        // Privacy without either element is static WEP, whose key length the beacon does not tell.
        out.bSecurityEnabled = 1;
        out.dot11CipherAlgorithm = static_cast<DOT11_CIPHER_ALGORITHM>(DOT11_CIPHER_ALGO_WEP);
    }
    return out;
}

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
    association.ulRxRate =
        static_cast<ULONG>(std::min<std::uint64_t>(radio.RxBitrate / 1000, 0xFFFFFFFFu));
    if (radio.Bssid) {
        std::memcpy(association.dot11Bssid, radio.Bssid->data(), sizeof association.dot11Bssid);
    }
    // Where the scan results do not hold the network, its security is not claimed either way.
    if (radio.Security) {
        attributes->wlanSecurityAttributes = DescribeSecurity(*radio.Security);
    }
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

TWlanBlock MakeChannel(const TInterfaceFacts& facts) {
    const std::uint32_t channel = Associated(facts) ? ChannelOfFrequency(facts.Radio->FrequencyMhz) : 0;
    if (channel == 0) {
        return {ERROR_INVALID_STATE};
    }
    auto* number = static_cast<ULONG*>(Allocate(sizeof(ULONG)));
    *number = channel;
    return {ERROR_SUCCESS, number, sizeof(ULONG)};
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
    if (radio.Bssid) {
        std::memcpy(entry.dot11Bssid, radio.Bssid->data(), sizeof entry.dot11Bssid);
    }
    return {ERROR_SUCCESS, list, sizeof(WLAN_BSS_LIST)};
}

} // namespace qmr
