#pragma once
// What nl80211 tells of a wireless link's association: the access point's station entry (the
// rate we send at, the signal) and the interface (network name, frequency). Wireless drivers
// do not answer ethtool's speed question, so the transmit rate stands in for the speed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct nl_sock;

namespace qmr {

struct TWirelessFacts {
    bool Associated = false;
    // Bits per second; 0 when the station entry carries no rate the kernel could compute.
    std::uint64_t TxBitrate = 0;
    std::optional<int> SignalDbm;
    // Empty and 0 when the interface does not tell them.
    std::string Ssid;
    std::uint32_t FrequencyMhz = 0;
};

// One NL80211_CMD_NEW_STATION message (netlink header first). A station entry counts as an
// association unless its flags say otherwise. False, with `facts` untouched, for a message
// that is cut short or malformed, or that is no station entry.
bool ParseStationMessage(const void* message, std::size_t size, TWirelessFacts& facts);

// One NL80211_CMD_NEW_INTERFACE message: the SSID and frequency, where given. False, with
// `facts` untouched, as above.
bool ParseInterfaceMessage(const void* message, std::size_t size, TWirelessFacts& facts);

// A generic netlink socket of the caller's namespace, opened at the first question: links
// that are not wireless never cost one.
class TNl80211Socket {
public:
    TNl80211Socket() = default;
    TNl80211Socket(const TNl80211Socket&) = delete;
    TNl80211Socket& operator=(const TNl80211Socket&) = delete;
    ~TNl80211Socket();

    // Nothing when nl80211 cannot be asked (no cfg80211, not a wireless link).
    std::optional<TWirelessFacts> Ask(std::uint32_t linkIndex);

private:
    bool Open();

    nl_sock* m_Socket = nullptr;
    int m_Family = -1;
    bool m_Tried = false;
};

} // namespace qmr
