#pragma once
// A device's status in its four forms (text, colour, picture name, picture index) and the
// value texts of the reports: speed with its unit, grouped counts and the count word.

#include "network/model_network_device.h"

#include <cstdint>
#include <string>

namespace qmr {

// Pictures of the item list and the tray icon: 0 without a device, 1 link works, 2 no link,
// 3 connecting.
int GetStatusImageIndex(const TModelNetworkDevice* device);

// The status text in the current language.
std::u16string GetStatusText(const TModelNetworkDevice& device);
// The same for an operational state and adapter type of another time (the link events).
std::u16string GetStatusText(std::uint32_t operStatus, std::uint32_t type);

// 0xRRGGBB.
std::uint32_t GetStatusColor(const TModelNetworkDevice& device);

// Name of the report's status picture: "error", "warning" or "online".
std::u16string GetStatusPicture(const TModelNetworkDevice& device);

// The kinds of interface the expert report names, told from the interface row's type (the
// adapter record's where there is no row).
enum class TInterfaceKind { Ethernet, Wifi, Ppp, Tunnel, Loopback, Other };
TInterfaceKind GetInterfaceKind(const TModelNetworkDevice& device);
// The kind in the current language: "Ethernet", "Wi-Fi", "PPP", "Tunnel", "Loopback", "Other".
std::u16string GetInterfaceTypeText(const TModelNetworkDevice& device);

// "999 bps", "54 Mbps", "10000 Mbps": truncated, no unit above Mbps.
std::u16string GetSpeedText(const TModelNetworkDevice& device);
std::u16string GetSpeedText(std::uint64_t bitsPerSecond);

// A rate in bits per second in the units of the speed line, with one decimal: "0.0 bps",
// "999.9 bps", "12.5 Kbps", "1.0 Gbps". The unit is chosen after rounding, so that no value
// reads 1000.0 of a unit.
std::u16string GetRateText(double bitsPerSecond);

// The share of the device's link speed as " (12.5 %)"; empty when the speed is not known.
std::u16string GetLinkShareText(const TModelNetworkDevice& device, double bitsPerSecond);

// Decimal digits grouped by three with ordinary spaces: 1234567 gives "1 234 567".
std::u16string FormatCount(std::uint64_t value);

// The word that follows a count: `one` for a last digit 1, `few` for 2 to 4, `many` otherwise,
// with 11 to 19 themselves counting as `many`. Returns one of its arguments.
const std::u16string& SelectCountWord(std::uint64_t n, const std::u16string& one,
                                      const std::u16string& few, const std::u16string& many);

} // namespace qmr
