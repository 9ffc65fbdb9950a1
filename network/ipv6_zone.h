#pragma once
// The zone of a link-local address as the platform's own tools write it after the '%': the
// interface name on Linux ("fe80::1%eth0"), the interface index on Windows ("fe80::1%12").

#include "network/iphlpapi_records.h"

#include <string>

namespace qmr {

std::u16string ZoneName(const IP_ADAPTER_ADDRESSES& adapter);

} // namespace qmr
