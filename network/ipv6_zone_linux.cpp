#include "ipv6_zone.h"

#include "base/utf16_text.h"

#include <cstring>

namespace qmr {

std::u16string ZoneName(const IP_ADAPTER_ADDRESSES& adapter) {
    // The provider names the adapter by its interface name.
    return adapter.AdapterName != nullptr ? Utf8ToUtf16(adapter.AdapterName) : std::u16string();
}

} // namespace qmr
