#include "record_text.h"

#include "utf16_text.h"

namespace qmr {

std::u16string RecordBytesToUtf16(const char* bytes, std::size_t length) {
    return Utf8ToUtf16(std::string_view(bytes, length));
}

} // namespace qmr
