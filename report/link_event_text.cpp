#include "link_event_text.h"

#include "base/format.h"
#include "lang/lang_strings.h"
#include "lang/text_ids.h"
#include "report/device_status.h"

#include <ctime>

namespace qmr {

namespace {

using LANGUAGE::GetLangText;

std::tm LocalTime(TWallTime time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local;
}

std::u16string ListText(const std::vector<std::u16string>& values) {
    if (values.empty()) {
        return GetLangText(LANGUAGE::TextNone);
    }
    std::u16string text;
    for (const std::u16string& value : values) {
        text += (text.empty() ? u"" : u", ") + value;
    }
    return text;
}

std::u16string Change(const std::u16string& before, const std::u16string& after) {
    return before + u" -> " + after;
}

std::u16string AddressText(int familyId, const TLinkEvent& event, int verbId) {
    return GetLangText(familyId) + u' ' + ListText(event.NewValues) + u' ' + GetLangText(verbId);
}

} // namespace

std::u16string FormatEventTime(TWallTime time, TWallTime now) {
    const std::tm at = LocalTime(time);
    const std::tm today = LocalTime(now);
    if (at.tm_year == today.tm_year && at.tm_yday == today.tm_yday) {
        return Format(u"%02i:%02i:%02i", {at.tm_hour, at.tm_min, at.tm_sec});
    }
    return FormatLocalDateTime(time);
}

std::u16string FormatLocalDateTime(TWallTime time) {
    const std::tm at = LocalTime(time);
    return Format(u"%04i-%02i-%02i %02i:%02i:%02i",
                  {at.tm_year + 1900, at.tm_mon + 1, at.tm_mday, at.tm_hour, at.tm_min, at.tm_sec});
}

std::u16string LinkEventText(const TLinkEvent& event) {
    using namespace LANGUAGE;
    switch (event.Kind) {
    case TLinkEventKind::StatusChanged:
        return Change(GetStatusText(event.OldStatus, event.Type),
                      GetStatusText(event.NewStatus, event.Type));
    case TLinkEventKind::Ipv4Added:
        return AddressText(TextEventIpv4, event, TextEventAdded);
    case TLinkEventKind::Ipv4Removed:
        return AddressText(TextEventIpv4, event, TextEventRemoved);
    case TLinkEventKind::Ipv6Added:
        return AddressText(TextEventIpv6, event, TextEventAdded);
    case TLinkEventKind::Ipv6Removed:
        return AddressText(TextEventIpv6, event, TextEventRemoved);
    case TLinkEventKind::GatewaysChanged:
        return GetLangText(TextGateway) + u' ' +
               Change(ListText(event.OldValues), ListText(event.NewValues));
    case TLinkEventKind::DnsChanged:
        return GetLangText(TextDns) + u' ' +
               Change(ListText(event.OldValues), ListText(event.NewValues));
    case TLinkEventKind::SpeedChanged:
        return GetLangText(TextSpeed) + u' ' +
               Change(GetSpeedText(event.OldSpeed), GetSpeedText(event.NewSpeed));
    case TLinkEventKind::Appeared:
        return GetLangText(TextEventAppeared);
    case TLinkEventKind::Vanished:
        return GetLangText(TextEventVanished);
    }
    return {};
}

} // namespace qmr
