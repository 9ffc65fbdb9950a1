#pragma once
// The report for scripts: every fact of the expert report as one JSON document. The keys are
// stable and listed in the README; values are numbers, booleans, strings and arrays, never
// texts of the current language.

#include "network/adapter_poll.h"

#include <string>
#include <vector>

namespace qmr {

// `devices` in their order; `version` is the program's version text. UTF-8, no trailing newline.
std::string BuildJsonReport(const std::vector<const TModelNetworkDevice*>& devices,
                            const std::string& version);

// The number of leading one bits of a dotted IPv4 mask ("255.255.255.0" gives 24); -1 when the
// text is no contiguous mask.
int PrefixLengthOfMask(const std::u16string& mask);

} // namespace qmr
