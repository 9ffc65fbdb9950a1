#pragma once
// UTF-16 text, the core's one text type, and its conversions at the edges.

#include <string>
#include <string_view>

namespace qmr {

// Invalid UTF-8 (stray continuation bytes, overlong forms, surrogates, truncated sequences)
// becomes U+FFFD, one per offending byte run; the conversion never fails.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Blank: nothing left once every leading and trailing code unit up to U+0020 is removed.
bool IsBlankText(std::u16string_view text);

} // namespace qmr
