#include "record_text.h"

#include <cstring>

namespace qmr {

std::u16string RecordTextToUtf16(const char* text, std::size_t capacity) {
    const void* zero = std::memchr(text, 0, capacity);
    const std::size_t length = zero != nullptr
                                   ? static_cast<std::size_t>(static_cast<const char*>(zero) - text)
                                   : capacity;
    return RecordBytesToUtf16(text, length);
}

} // namespace qmr
