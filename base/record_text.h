#pragma once
// The 8-bit texts of the IP helper records: the active ANSI code page on Windows, UTF-8 from
// our own provider on Linux.

#include <cstddef>
#include <string>

namespace qmr {

// Converts exactly `length` bytes as they stand (a zero byte included).
std::u16string RecordBytesToUtf16(const char* bytes, std::size_t length);

// Converts up to the first zero byte, reading no more than `capacity` bytes.
std::u16string RecordTextToUtf16(const char* text, std::size_t capacity);
// The same written over `into`, in the room it has where the text is ASCII (as an address is):
// a poll writes every address text of every adapter again.
void AssignRecordText(std::u16string& into, const char* text, std::size_t capacity);

} // namespace qmr
