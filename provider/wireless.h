#pragma once
// What nl80211 tells of a wireless link's association: the access point's station entry (the
// rate we send at, the signal) and the interface (network name, frequency). Wireless drivers
// do not answer ethtool's speed question, so the transmit rate stands in for the speed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct nl_sock;

namespace qmr {

// How the associated network is secured, as its beacon says: the RSN element (WPA2 and on),
// else the WPA one, else only the privacy bit (WEP). Suites are the 32-bit selectors of the
// standard, organisation identifier first ("00-0F-AC:4" is 0x000FAC04).
struct TWirelessSecurity {
    bool Privacy = false;
    bool Rsn = false;
    bool Wpa = false;
    // The first key management suite and pairwise cipher the element lists; 0 where it lists none.
    std::uint32_t KeyManagement = 0;
    std::uint32_t PairwiseCipher = 0;
};

struct TWirelessFacts {
    bool Associated = false;
    // Bits per second; 0 when the station entry carries no rate the kernel could compute.
    std::uint64_t TxBitrate = 0;
    std::uint64_t RxBitrate = 0;
    // The access point's address, from its station entry; nothing where the entry has none.
    std::optional<std::array<std::uint8_t, 6>> Bssid;
    // Nothing where the scan results hold no entry for the associated network.
    std::optional<TWirelessSecurity> Security;
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

// One NL80211_CMD_NEW_SCAN_RESULTS message: the security of the network it describes, where
// that is the one the link is associated with (its status says so, or its BSSID is the access
// point's). True for a well-formed scan entry, whether or not it was the associated one.
bool ParseScanMessage(const void* message, std::size_t size, TWirelessFacts& facts);

// The security a beacon's information elements announce: the RSN element (48), else
// Microsoft's WPA element (221, 00-50-F2 type 1). A truncated element counts for what it holds.
TWirelessSecurity ParseSecurityElements(const std::uint8_t* elements, std::size_t size,
                                        bool privacy);

// The channel number of a centre frequency in the 2.4, 5 and 6 GHz bands; 0 outside them.
std::uint32_t ChannelOfFrequency(std::uint32_t megahertz);

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
