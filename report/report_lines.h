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

// Each builder appends to `list` (nothing when it is null); a null device gives the
// no-device report. These read as from a single poll, without rates.
void BuildReportMarkup(TLineList* list, const TModelNetworkDevice* device);
void BuildExpertReportMarkup(TLineList* list, const TModelNetworkDevice* device);
void BuildReportText(TLineList* list, const TModelNetworkDevice* device);
void BuildExpertReportText(TLineList* list, const TModelNetworkDevice* device);

// Appends one small grey line saying why the adapters cannot be read (an IP helper library
// that could not be loaded or lacks an entry point), escaped.
void BuildProblemMarkup(TLineList* list, std::u16string_view problem);

// The same forms with the receive and send rate lines of `rates` (none when null), in the
// expert forms with the share of the link speed. The plain normal form has no rate lines.
void BuildReportMarkupWithRates(TLineList* list, const TModelNetworkDevice* device,
                                const TTrafficRate* rates);
void BuildExpertReportMarkupWithRates(TLineList* list, const TModelNetworkDevice* device,
                                      const TTrafficRate* rates);
void BuildExpertReportTextWithRates(TLineList* list, const TModelNetworkDevice* device,
                                    const TTrafficRate* rates);

// The expert forms with rates that end with the latest kReportedLinkEvents of `events`, newest
// first, under their heading; with no events (or null) they read as the forms above.
void BuildExpertReportMarkupWithEvents(TLineList* list, const TModelNetworkDevice* device,
                                       const TTrafficRate* rates, const TReportEvents* events);
void BuildExpertReportTextWithEvents(TLineList* list, const TModelNetworkDevice* device,
                                     const TTrafficRate* rates, const TReportEvents* events);

// Every line followed by CR LF, the last one included.
std::u16string JoinClipboardText(const TLineList& lines);

// Writes '&', '<' and '>' as "&amp;", "&lt;" and "&gt;", so that a device's own texts show
// as text in the markup view instead of being read as markup.
std::u16string EscapeMarkupText(std::u16string_view text);

} // namespace qmr
