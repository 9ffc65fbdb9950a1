#pragma once
// The GUID that names an interface in the 64-bit row and in the WLAN API, made from its index:
// Linux has no interface GUIDs, and the core must be able to match a row to a WLAN interface.

#include "network/iphlpapi_records.h"

#include <cstdint>
#include <optional>

namespace qmr {

GUID InterfaceGuidOfIndex(std::uint32_t index);
// Nothing for a GUID that InterfaceGuidOfIndex did not make.
std::optional<std::uint32_t> IndexOfInterfaceGuid(const GUID& guid);

} // namespace qmr
