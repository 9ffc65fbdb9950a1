#pragma once
// What a poll learns of its wireless adapters through the WLAN API: the network's name, the
// signal, the band, the access point, the channel, the security and the link rates. One session per poll opens the API and lists its interfaces once; each
// wireless device then asks for its own connection by the interface GUID of its 64-bit row.

#include "network/wlanapi_records.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qmr {

enum class TWlanBand { Unknown, Band2_4GHz, Band5GHz, Band6GHz };

struct TWlanConnection {
    // As the access point sends it, invalid UTF-8 and control characters replaced.
    std::u16string Ssid;
    std::optional<int> SignalDbm;
    TWlanBand Band = TWlanBand::Unknown;
    // The access point's BSSID as "02-FC-00-00-00-01"; empty when the API gives none.
    std::u16string Bssid;
    // Nothing where the API does not tell the channel.
    std::optional<std::uint32_t> Channel;
    // An authentication algorithm of 0 is none the API knows: the security is not told.
    bool SecurityEnabled = false;
    DOT11_AUTH_ALGORITHM AuthAlgorithm = static_cast<DOT11_AUTH_ALGORITHM>(0);
    DOT11_CIPHER_ALGORITHM CipherAlgorithm = DOT11_CIPHER_ALGO_NONE;
    // Bits per second; 0 where the API does not tell.
    std::uint64_t RxRate = 0;
    std::uint64_t TxRate = 0;
};

// Whether the API told the security at all.
bool WlanSecurityTold(const TWlanConnection& connection);
// The security as Windows names it, "WPA2-Personal (CCMP)"; empty for an open network (and
// for an algorithm this program does not know, the number in its place).
std::u16string WlanSecurityText(const TWlanConnection& connection);

// The band of a centre frequency: the channel number alone cannot tell 6 GHz from the others.
TWlanBand BandOfFrequency(std::uint32_t megahertz);

class TWlanSession {
public:
    // Opens the API and lists the interfaces; where either fails, no device has Wi-Fi facts.
    TWlanSession();
    ~TWlanSession();
    TWlanSession(const TWlanSession&) = delete;
    TWlanSession& operator=(const TWlanSession&) = delete;

    // Nothing when the GUID names no WLAN interface or the interface is not connected.
    std::optional<TWlanConnection> Connection(const GUID& guid) const;

private:
    HANDLE m_Handle = nullptr;
    PWLAN_INTERFACE_INFO_LIST m_Interfaces = nullptr;
};

} // namespace qmr
