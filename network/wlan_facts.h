#pragma once
// What a poll learns of its wireless adapters through the WLAN API: the network's name, the
// signal and the band. One session per poll opens the API and lists its interfaces once; each
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
};

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
