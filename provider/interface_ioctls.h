#pragma once
// The per-interface questions that rtnetlink does not answer, put to the driver through the
// ethtool and wireless ioctls of a socket of the caller's namespace (unlike sysfs, which shows
// the namespace of whoever mounted it).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmr {

struct TDriverInfo {
    std::string Driver;
    // The bus address of the device behind the link; virtual drivers leave it empty or put
    // a word of their own there ("N/A", "tap", "tun").
    std::string BusInfo;
};

std::optional<TDriverInfo> ReadDriverInfo(int descriptor, const std::string& name);

// Whether the driver names a bus device, so that the hardware database may know its model.
bool NamesBusDevice(const TDriverInfo& info);

// A speed as ethtool tells it, in megabits a second, in bits a second; 0 for unknown.
std::uint64_t SpeedInBits(std::uint32_t megabits);

// The negotiated speed in bits per second; 0 when the driver does not know it.
std::uint64_t ReadLinkSpeed(int descriptor, const std::string& name);

// The burnt-in hardware address; empty when the driver has none to tell.
std::vector<std::uint8_t> ReadPermanentAddress(int descriptor, const std::string& name);

// Whether the driver answers the wireless extensions, as 802.11 drivers do.
bool AnswersWirelessExtensions(int descriptor, const std::string& name);

// The wireless extensions' current bit rate in bits per second; 0 when the driver tells none.
std::uint64_t ReadWirelessRate(int descriptor, const std::string& name);

} // namespace qmr
