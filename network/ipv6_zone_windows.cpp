#include "ipv6_zone.h"

#include "base/utf16_text.h"

#include <string>

namespace qmr {

std::u16string ZoneName(const IP_ADAPTER_ADDRESSES& adapter) {
    // AdapterName is a GUID here; ipconfig and ping name the zone by its index.
    return Utf8ToUtf16(
        std::to_string(adapter.Ipv6IfIndex != 0 ? adapter.Ipv6IfIndex : adapter.IfIndex));
}

} // namespace qmr
