#include "device_status.h"

#include "base/format.h"
#include "lang/lang_strings.h"
#include "lang/text_ids.h"

#include <iterator>

namespace qmr {

namespace {

// One row of the classification by operational status.
struct TStatusClass {
    int TextId;
    std::uint32_t Color;
    const char16_t* Picture;
    int ImageIndex;
};

constexpr std::uint32_t kRed = 0xF00000;
constexpr std::uint32_t kOrange = 0xF09040;
constexpr std::uint32_t kGreen = 0x00A000;

TStatusClass Classify(std::uint32_t operStatus, std::uint32_t type) {
    switch (operStatus) {
    case MIB_IF_OPER_STATUS_NON_OPERATIONAL:
        return {LANGUAGE::TextStatusNonOperational, kRed, u"error", 2};
    case MIB_IF_OPER_STATUS_UNREACHABLE:
        return {LANGUAGE::TextStatusUnreachable, kRed, u"error", 2};
    case MIB_IF_OPER_STATUS_DISCONNECTED:
        return {type == MIB_IF_TYPE_ETHERNET ? LANGUAGE::TextStatusDisconnected
                                             : LANGUAGE::TextStatusNoCarrier,
                kRed, u"error", 2};
    case MIB_IF_OPER_STATUS_CONNECTING:
        return {LANGUAGE::TextStatusConnecting, kOrange, u"warning", 3};
    case MIB_IF_OPER_STATUS_CONNECTED:
        return {LANGUAGE::TextStatusConnected, kGreen, u"online", 1};
    default:
        // Operational, and whatever a library might report beyond it.
        return {LANGUAGE::TextStatusOnline, kGreen, u"online", 1};
    }
}

TStatusClass Classify(const TModelNetworkDevice& device) {
    return Classify(device.m_OperStatus, device.m_Type);
}

} // namespace

int GetStatusImageIndex(const TModelNetworkDevice* device) {
    return device != nullptr ? Classify(*device).ImageIndex : 0;
}

std::u16string GetStatusText(const TModelNetworkDevice& device) {
    return GetStatusText(device.m_OperStatus, device.m_Type);
}

std::u16string GetStatusText(std::uint32_t operStatus, std::uint32_t type) {
    return LANGUAGE::GetLangText(Classify(operStatus, type).TextId);
}

std::uint32_t GetStatusColor(const TModelNetworkDevice& device) {
    return Classify(device).Color;
}

std::u16string GetStatusPicture(const TModelNetworkDevice& device) {
    return Classify(device).Picture;
}

TInterfaceKind GetInterfaceKind(const TModelNetworkDevice& device) {
    switch (device.m_IfType != 0 ? device.m_IfType : device.m_Type) {
    case MIB_IF_TYPE_ETHERNET:
        return TInterfaceKind::Ethernet;
    case IF_TYPE_IEEE80211:
        return TInterfaceKind::Wifi;
    case MIB_IF_TYPE_PPP:
        return TInterfaceKind::Ppp;
    case IF_TYPE_TUNNEL:
        return TInterfaceKind::Tunnel;
    case MIB_IF_TYPE_LOOPBACK:
        return TInterfaceKind::Loopback;
    default:
        return TInterfaceKind::Other;
    }
}

std::u16string GetInterfaceTypeText(const TModelNetworkDevice& device) {
    using namespace LANGUAGE;
    static constexpr int kTextIds[] = {TextIfTypeEthernet, TextIfTypeWifi,     TextIfTypePpp,
                                       TextIfTypeTunnel,   TextIfTypeLoopback, TextIfTypeOther};
    return GetLangText(kTextIds[static_cast<int>(GetInterfaceKind(device))]);
}

std::u16string GetSpeedText(const TModelNetworkDevice& device) {
    return GetSpeedText(device.m_Speed);
}

std::u16string GetSpeedText(std::uint64_t speed) {
    if (speed < 1000) {
        return Format(u"%i %s", {speed, LANGUAGE::GetLangText(LANGUAGE::TextBps)});
    }
    if (speed < 1000000) {
        return Format(u"%i %s", {speed / 1000, LANGUAGE::GetLangText(LANGUAGE::TextKbps)});
    }
    return Format(u"%i %s", {speed / 1000000, LANGUAGE::GetLangText(LANGUAGE::TextMbps)});
}

namespace {

// Tenths of `value`, rounded half up; negatives and not-a-number read as zero.
std::uint64_t Tenths(double value) {
    return value > 0 ? static_cast<std::uint64_t>(value * 10.0 + 0.5) : 0;
}

std::u16string OneDecimal(std::uint64_t tenths) {
    return Format(u"%u.%u", {tenths / 10, tenths % 10});
}

} // namespace

std::u16string GetRateText(double bitsPerSecond) {
    constexpr int kUnits[] = {LANGUAGE::TextBps, LANGUAGE::TextKbps, LANGUAGE::TextMbps,
                              LANGUAGE::TextGbps};
    double value = bitsPerSecond;
    std::size_t unit = 0;
    while (unit + 1 < std::size(kUnits) && Tenths(value) >= 10000) {
        value /= 1000.0;
        ++unit;
    }
    return Format(u"%s %s", {OneDecimal(Tenths(value)), LANGUAGE::GetLangText(kUnits[unit])});
}

std::u16string GetLinkShareText(const TModelNetworkDevice& device, double bitsPerSecond) {
    if (device.m_Speed == 0) {
        return {};
    }
    return Format(u" (%s %%)", {OneDecimal(Tenths(bitsPerSecond * 100.0 /
                                                  static_cast<double>(device.m_Speed)))});
}

std::u16string FormatCount(std::uint64_t value) {
    std::u16string result;
    while (value >= 1000) {
        result = Format(u"%s%03u", {u" ", value % 1000}) + result;
        value /= 1000;
    }
    return Format(u"%u", {value}) + result;
}

const std::u16string& SelectCountWord(std::uint64_t n, const std::u16string& one,
                                      const std::u16string& few, const std::u16string& many) {
    if (n > 10 && n < 20) {
        n = 0;
    }
    switch (n % 10) {
    case MIB_IF_OPER_STATUS_UNREACHABLE:
        return one;
    case MIB_IF_OPER_STATUS_DISCONNECTED:
    case MIB_IF_OPER_STATUS_CONNECTING:
    case MIB_IF_OPER_STATUS_CONNECTED:
        return few;
    default:
        return many;
    }
}

} // namespace qmr
