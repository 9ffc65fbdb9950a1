#include "wlan_facts.h"

#include "base/display_text.h"
#include "base/utf16_text.h"
#include "network/model_network_device.h"
#include "network/wlan_binding.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace qmr {

namespace {

struct TWlanRelease {
    void operator()(void* block) const { qmr::WlanFreeMemory(block); }
};

template <typename T> using TWlanBlock = std::unique_ptr<T, TWlanRelease>;

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

// The centre frequency (kHz) of the BSS entry the interface is associated with: the one with
// its BSSID, else the first one of the network.
std::uint32_t CentreFrequency(HANDLE handle, const GUID& guid,
                              const WLAN_ASSOCIATION_ATTRIBUTES& association) {
    PWLAN_BSS_LIST raw = nullptr;
    DOT11_SSID ssid = association.dot11Ssid;
    if (qmr::WlanGetNetworkBssList(handle, &guid, &ssid, association.dot11BssType, 0, nullptr,
                                   &raw) != ERROR_SUCCESS ||
        raw == nullptr) {
        return 0;
    }
    const TWlanBlock<WLAN_BSS_LIST> list(raw);
    const WLAN_BSS_ENTRY* entries = list->wlanBssEntries;
    const WLAN_BSS_ENTRY* end = entries + list->dwNumberOfItems;
    const WLAN_BSS_ENTRY* found = std::find_if(entries, end, [&](const WLAN_BSS_ENTRY& entry) {
        return std::memcmp(entry.dot11Bssid, association.dot11Bssid, sizeof entry.dot11Bssid) == 0;
    });
    if (found == end) {
        found = entries;
    }
    return found != end ? found->ulChCenterFrequency : 0;
}

// The channel the interface is on; nothing where the API does not answer.
std::optional<std::uint32_t> ChannelNumber(HANDLE handle, const GUID& guid) {
    DWORD size = 0;
    PVOID data = nullptr;
    if (qmr::WlanQueryInterface(handle, &guid, wlan_intf_opcode_channel_number, nullptr, &size,
                                &data, nullptr) != ERROR_SUCCESS ||
        data == nullptr) {
        return std::nullopt;
    }
    const TWlanBlock<ULONG> channel(static_cast<ULONG*>(data));
    if (size < sizeof(ULONG) || *channel == 0) {
        return std::nullopt;
    }
    return *channel;
}

std::u16string AuthenticationText(DOT11_AUTH_ALGORITHM algorithm) {
    switch (static_cast<int>(algorithm)) {
    case DOT11_AUTH_ALGO_80211_OPEN:
        return {};
    case DOT11_AUTH_ALGO_80211_SHARED_KEY:
        return u"Shared";
    case DOT11_AUTH_ALGO_WPA:
        return u"WPA-Enterprise";
    case DOT11_AUTH_ALGO_WPA_PSK:
        return u"WPA-Personal";
    case DOT11_AUTH_ALGO_WPA_NONE:
        return u"WPA-None";
    case DOT11_AUTH_ALGO_RSNA:
        return u"WPA2-Enterprise";
    case DOT11_AUTH_ALGO_RSNA_PSK:
        return u"WPA2-Personal";
    case kDot11AuthWpa3Enterprise192:
        return u"WPA3-Enterprise 192-bit";
    case kDot11AuthWpa3Sae:
        return u"WPA3-Personal";
    case kDot11AuthOwe:
        return u"OWE";
    case kDot11AuthWpa3Enterprise:
        return u"WPA3-Enterprise";
    default:
        return Utf8ToUtf16(std::to_string(static_cast<unsigned>(algorithm)));
    }
}

std::u16string CipherText(DOT11_CIPHER_ALGORITHM algorithm) {
    switch (static_cast<int>(algorithm)) {
    case DOT11_CIPHER_ALGO_NONE:
        return {};
    case DOT11_CIPHER_ALGO_WEP40:
        return u"WEP-40";
    case DOT11_CIPHER_ALGO_TKIP:
        return u"TKIP";
    case DOT11_CIPHER_ALGO_CCMP:
        return u"CCMP";
    case DOT11_CIPHER_ALGO_WEP104:
        return u"WEP-104";
    case DOT11_CIPHER_ALGO_WEP:
        return u"WEP";
    case kDot11CipherGcmp:
        return u"GCMP";
    case kDot11CipherGcmp256:
        return u"GCMP-256";
    case kDot11CipherCcmp256:
        return u"CCMP-256";
    default:
        return Utf8ToUtf16(std::to_string(static_cast<unsigned>(algorithm)));
    }
}

} // namespace

bool WlanSecurityTold(const TWlanConnection& connection) {
    return connection.AuthAlgorithm != 0;
}

std::u16string WlanSecurityText(const TWlanConnection& connection) {
    if (!connection.SecurityEnabled) {
        return {};
    }
    std::u16string text = AuthenticationText(connection.AuthAlgorithm);
    const std::u16string cipher = CipherText(connection.CipherAlgorithm);
    if (text.empty()) {
        // Open authentication with a cipher is static WEP.
        return cipher;
    }
    return cipher.empty() ? text : text + u" (" + cipher + u")";
}

TWlanBand BandOfFrequency(std::uint32_t megahertz) {
    if (megahertz >= 2400 && megahertz <= 2500) {
        return TWlanBand::Band2_4GHz;
    }
    if (megahertz >= 5150 && megahertz <= 5895) {
        return TWlanBand::Band5GHz;
    }
    if (megahertz >= 5925 && megahertz <= 7125) {
        return TWlanBand::Band6GHz;
    }
    return TWlanBand::Unknown;
}

TWlanSession::TWlanSession() {
    DWORD negotiated = 0;
    HANDLE handle = nullptr;
    if (qmr::WlanOpenHandle(WLAN_API_VERSION_2_0, nullptr, &negotiated, &handle) != ERROR_SUCCESS) {
        return;
    }
    m_Handle = handle;
    PWLAN_INTERFACE_INFO_LIST list = nullptr;
    if (qmr::WlanEnumInterfaces(m_Handle, nullptr, &list) == ERROR_SUCCESS) {
        m_Interfaces = list;
    }
}

TWlanSession::~TWlanSession() {
    if (m_Interfaces != nullptr) {
        qmr::WlanFreeMemory(m_Interfaces);
    }
    if (m_Handle != nullptr) {
        qmr::WlanCloseHandle(m_Handle, nullptr);
    }
}

std::optional<TWlanConnection> TWlanSession::Connection(const GUID& guid) const {
    if (m_Interfaces == nullptr) {
        return std::nullopt;
    }
    const WLAN_INTERFACE_INFO* first = m_Interfaces->InterfaceInfo;
    const WLAN_INTERFACE_INFO* last = first + m_Interfaces->dwNumberOfItems;
    const auto* info = std::find_if(first, last, [&](const WLAN_INTERFACE_INFO& candidate) {
        return SameGuid(candidate.InterfaceGuid, guid);
    });
    if (info == last || info->isState != wlan_interface_state_connected) {
        return std::nullopt;
    }
    DWORD size = 0;
    PVOID data = nullptr;
    if (qmr::WlanQueryInterface(m_Handle, &guid, wlan_intf_opcode_current_connection, nullptr,
                                &size, &data, nullptr) != ERROR_SUCCESS ||
        data == nullptr) {
        return std::nullopt;
    }
    const TWlanBlock<WLAN_CONNECTION_ATTRIBUTES> attributes(
        static_cast<PWLAN_CONNECTION_ATTRIBUTES>(data));
    if (size < sizeof(WLAN_CONNECTION_ATTRIBUTES) ||
        attributes->isState != wlan_interface_state_connected) {
        return std::nullopt;
    }
    const WLAN_ASSOCIATION_ATTRIBUTES& association = attributes->wlanAssociationAttributes;
    TWlanConnection connection;
    const DOT11_SSID& ssid = association.dot11Ssid;
    connection.Ssid = ContainExternalText(
        Utf8ToUtf16(std::string(reinterpret_cast<const char*>(ssid.ucSSID),
                                std::min<std::size_t>(ssid.uSSIDLength, DOT11_SSID_MAX_LENGTH))));
    data = nullptr;
    if (qmr::WlanQueryInterface(m_Handle, &guid, wlan_intf_opcode_rssi, nullptr, &size, &data,
                                nullptr) == ERROR_SUCCESS &&
        data != nullptr) {
        const TWlanBlock<LONG> rssi(static_cast<LONG*>(data));
        if (size >= sizeof(LONG)) {
            connection.SignalDbm = *rssi;
        }
    }
    connection.Band = BandOfFrequency(CentreFrequency(m_Handle, guid, association) / 1000);
    // An all-zero BSSID is none.
    if (std::any_of(std::begin(association.dot11Bssid), std::end(association.dot11Bssid),
                    [](UCHAR b) { return b != 0; })) {
        connection.Bssid = TModelNetworkDevice::FormatHardwareAddress(
            association.dot11Bssid, sizeof association.dot11Bssid);
    }
    connection.Channel = ChannelNumber(m_Handle, guid);
    const WLAN_SECURITY_ATTRIBUTES& security = attributes->wlanSecurityAttributes;
    connection.SecurityEnabled = security.bSecurityEnabled != 0;
    connection.AuthAlgorithm = security.dot11AuthAlgorithm;
    connection.CipherAlgorithm = security.dot11CipherAlgorithm;
    // The API counts kbit/s.
    connection.RxRate = std::uint64_t{association.ulRxRate} * 1000;
    connection.TxRate = std::uint64_t{association.ulTxRate} * 1000;
    return connection;
}

} // namespace qmr
