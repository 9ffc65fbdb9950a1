#include "device_status.h"

#include "base/format.h"
#include "lang/lang_strings.h"

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
constexpr std::uint32_t kEthernetType = 6;

TStatusClass Classify(const TModelNetworkDevice& device) {
    switch (device.m_OperStatus) {
    case 0:
        return {1012, kRed, u"error", 2};
    case 1:
        return {1013, kRed, u"error", 2};
    case 2:
        return {device.m_Type == kEthernetType ? 1014 : 1015, kRed, u"error", 2};
    case 3:
        return {1016, kOrange, u"warning", 3};
    case 4:
        return {1017, kGreen, u"online", 1};
    default:
        // 5, and whatever a library might report beyond it.
        return {1018, kGreen, u"online", 1};
    }
}

} // namespace

int GetStatusImageIndex(const TModelNetworkDevice* device) {
    return device != nullptr ? Classify(*device).ImageIndex : 0;
}

std::u16string GetStatusText(const TModelNetworkDevice& device) {
    return LANGUAGE::GetLangText(Classify(device).TextId);
}

std::uint32_t GetStatusColor(const TModelNetworkDevice& device) {
    return Classify(device).Color;
}

std::u16string GetStatusPicture(const TModelNetworkDevice& device) {
    return Classify(device).Picture;
}

std::u16string GetSpeedText(const TModelNetworkDevice& device) {
    const std::uint64_t speed = device.m_Speed;
    if (speed < 1000) {
        return Format(u"%i %s", {speed, LANGUAGE::GetLangText(1019)});
    }
    if (speed < 1000000) {
        return Format(u"%i %s", {speed / 1000, LANGUAGE::GetLangText(1020)});
    }
    return Format(u"%i %s", {speed / 1000000, LANGUAGE::GetLangText(1021)});
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
    case 1:
        return one;
    case 2:
    case 3:
    case 4:
        return few;
    default:
        return many;
    }
}

} // namespace qmr
