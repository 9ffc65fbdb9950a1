#pragma once
// The words of the link events, made when a report is built, in the language current then.

#include "network/link_events.h"

#include <deque>
#include <string>

namespace qmr {

// What a report shows of an adapter's events: its history and the moment the report is made,
// which decides whether a time needs its date.
struct TReportEvents {
    const std::deque<TLinkEvent>* Events = nullptr;
    TWallTime Now;
};

// The report lists this many of the latest events.
inline constexpr std::size_t kReportedLinkEvents = 20;

// Local time: "10:42:13" for a moment of the same local day as `now`, else
// "2026-03-04 23:59:59".
std::u16string FormatEventTime(TWallTime time, TWallTime now);
// Local time with its date: "2026-03-04 23:59:59".
std::u16string FormatLocalDateTime(TWallTime time);

// "Online -> Disconnected", "IP 10.20.30.6/24 added", "Gateway 10.0.0.1 -> None"; the values
// are the device's, unescaped.
std::u16string LinkEventText(const TLinkEvent& event);

} // namespace qmr
