#include "interface_ioctls.h"

#include <array>
#include <cstring>
#include <linux/ethtool.h>
#include <linux/if.h>
#include <linux/sockios.h>
#include <linux/wireless.h>
#include <sys/ioctl.h>

namespace qmr {

namespace {

constexpr std::size_t kPermanentAddressRoom = 32;

bool FillName(ifreq& request, const std::string& name) {
    if (name.empty() || name.size() >= sizeof request.ifr_name) {
        return false;
    }
    std::memcpy(request.ifr_name, name.c_str(), name.size() + 1);
    return true;
}

bool Ethtool(int descriptor, const std::string& name, void* command) {
    ifreq request{};
    if (!FillName(request, name)) {
        return false;
    }
    request.ifr_data = static_cast<char*>(command);
    return ::ioctl(descriptor, SIOCETHTOOL, &request) == 0;
}

std::string FieldText(const char* field, std::size_t capacity) {
    return std::string(field, ::strnlen(field, capacity));
}

} // namespace

std::uint64_t SpeedInBits(std::uint32_t megabits) {
    constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;
    return megabits == kUnknown ? 0 : megabits * std::uint64_t{1000000};
}

std::optional<TDriverInfo> ReadDriverInfo(int descriptor, const std::string& name) {
    ethtool_drvinfo info{};
    info.cmd = ETHTOOL_GDRVINFO;
    if (!Ethtool(descriptor, name, &info)) {
        return std::nullopt;
    }
    return TDriverInfo{FieldText(info.driver, sizeof info.driver),
                       FieldText(info.bus_info, sizeof info.bus_info)};
}

bool NamesBusDevice(const TDriverInfo& info) {
    return !info.BusInfo.empty() && info.BusInfo != "N/A" && info.BusInfo != "tap" &&
           info.BusInfo != "tun";
}

std::uint64_t ReadLinkSpeed(int descriptor, const std::string& name) {
    // The older request answers in one call what the newer one needs two for (it first tells
    // the size of its link-mode masks); the kernel serves it for every driver that knows its
    // speed either way, and 32 bits of megabits leave room to spare.
    ethtool_cmd settings{};
    settings.cmd = ETHTOOL_GSET;
    return Ethtool(descriptor, name, &settings) ? SpeedInBits(ethtool_cmd_speed(&settings)) : 0;
}

std::vector<std::uint8_t> ReadPermanentAddress(int descriptor, const std::string& name) {
    // The header is followed by room for the address.
    std::array<std::uint32_t, (sizeof(ethtool_perm_addr) + kPermanentAddressRoom) / 4> storage{};
    auto* command = reinterpret_cast<ethtool_perm_addr*>(storage.data());
    command->cmd = ETHTOOL_GPERMADDR;
    command->size = kPermanentAddressRoom;
    if (!Ethtool(descriptor, name, command) || command->size > kPermanentAddressRoom) {
        return {};
    }
    const auto* bytes =
        reinterpret_cast<const std::uint8_t*>(storage.data()) + sizeof(ethtool_perm_addr);
    std::vector<std::uint8_t> address(bytes, bytes + command->size);
    // Virtual drivers answer with zeros: there is no burnt-in address.
    for (const std::uint8_t byte : address) {
        if (byte != 0) {
            return address;
        }
    }
    return {};
}

bool AnswersWirelessExtensions(int descriptor, const std::string& name) {
    iwreq request{};
    if (name.empty() || name.size() >= sizeof request.ifr_name) {
        return false;
    }
    std::memcpy(request.ifr_name, name.c_str(), name.size() + 1);
    return ::ioctl(descriptor, SIOCGIWNAME, &request) == 0;
}

std::uint64_t ReadWirelessRate(int descriptor, const std::string& name) {
    iwreq request{};
    if (name.empty() || name.size() >= sizeof request.ifr_name) {
        return 0;
    }
    std::memcpy(request.ifr_name, name.c_str(), name.size() + 1);
    if (::ioctl(descriptor, SIOCGIWRATE, &request) != 0 || request.u.bitrate.value < 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(request.u.bitrate.value);
}

} // namespace qmr
