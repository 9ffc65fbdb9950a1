#pragma once
// The report of one adapter as a list of lines: the display report in markup (normal and
// expert form) and the plain-text report for the clipboard. Every word is looked up in the
// current language when the lines are built.

#include "network/model_network_device.h"
#include "network/traffic_rates.h"
#include "report/link_event_text.h"

#include <string>
#include <string_view>
#include <vector>

namespace qmr {

// One text per line; an empty text is an empty line.
using TLineList = std::vector<std::u16string>;

// What a live report adds to one poll's facts: the receive and send rates (in the expert forms
// with the share of the link speed; the plain normal form has none), and the adapter's link
// events, of which the expert forms end with the latest kReportedLinkEvents, newest first, under
// their heading. Null parts add nothing, so a default one reads as from a single poll.
struct TReportExtras {
    const TTrafficRate* Rates = nullptr;
    const TReportEvents* Events = nullptr;
};

// Each builder appends to `list` (nothing when it is null); a null device gives the
// no-device report.
void BuildReportMarkup(TLineList* list, const TModelNetworkDevice* device,
                       const TReportExtras& extras = {});
void BuildExpertReportMarkup(TLineList* list, const TModelNetworkDevice* device,
                             const TReportExtras& extras = {});
void BuildReportText(TLineList* list, const TModelNetworkDevice* device,
                     const TReportExtras& extras = {});
void BuildExpertReportText(TLineList* list, const TModelNetworkDevice* device,
                           const TReportExtras& extras = {});

// Appends one small grey line saying why the adapters cannot be read (an IP helper library
// that could not be loaded or lacks an entry point), escaped.
void BuildProblemMarkup(TLineList* list, std::u16string_view problem);

// Every line followed by CR LF, the last one included.
std::u16string JoinClipboardText(const TLineList& lines);

// Writes '&', '<' and '>' as "&amp;", "&lt;" and "&gt;", so that a device's own texts show
// as text in the markup view instead of being read as markup.
std::u16string EscapeMarkupText(std::u16string_view text);

} // namespace qmr
