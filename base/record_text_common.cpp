#include "record_text.h"

#include <algorithm>
#include <cstring>

namespace qmr {

namespace {

std::size_t TextLength(const char* text, std::size_t capacity) {
    const void* zero = std::memchr(text, 0, capacity);
    return zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - text)
                           : capacity;
}

} // namespace

std::u16string RecordTextToUtf16(const char* text, std::size_t capacity) {
    return RecordBytesToUtf16(text, TextLength(text, capacity));
}

void AssignRecordText(std::u16string& into, const char* text, std::size_t capacity) {
    const std::size_t length = TextLength(text, capacity);
    if (std::any_of(text, text + length, [](char c) { return (c & 0x80) != 0; })) {
        into = RecordBytesToUtf16(text, length);
        return;
    }
    // ASCII reads alike in UTF-8 and in every ANSI code page.
    into.resize(length);
    std::copy_n(text, length, into.begin());
}

} // namespace qmr
