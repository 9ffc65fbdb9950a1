#include "utf16_text.h"

#include <cstdint>

namespace qmr {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

char16_t* PutCodePoint(char16_t* out, char32_t cp) {
    if (cp < 0x10000) {
        *out++ = static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
        *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    return out;
}

// Writes the code point at `out` and returns the end of what it wrote (at most four bytes).
char* PutUtf8(char* out, char32_t cp) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    // Written in place: no byte makes more than one unit, and four bytes make at most two.
    std::u16string out(utf8.size(), u'\0');
    char16_t* end = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            *end++ = b;
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07, min = 0x10000;
        } else {
            *end++ = kReplacement;
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int got = 0;
        while (got < extra && j < n && (p[j] & 0xC0) == 0x80) {
            cp = (cp << 6) | (p[j] & 0x3F);
            ++j;
            ++got;
        }
        if (got < extra || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // One replacement for the lead byte and the continuation bytes that followed it.
            *end++ = kReplacement;
            i = j;
            continue;
        }
        end = PutCodePoint(end, cp);
        i = j;
    }
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    // Written in place, not appended byte by byte: a report of hundreds of adapters passes
    // megabytes through here. A unit takes at most three bytes, a pair of two units four.
    std::string out(utf16.size() * 3, '\0');
    char* end = out.data();
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cu = utf16[i];
        if (cu < 0x80) {
            *end++ = static_cast<char>(cu);
            continue;
        }
        if (cu >= 0xD800 && cu <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cu = 0x10000 + ((cu - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cu >= 0xD800 && cu <= 0xDFFF) {
            cu = kReplacement;
        }
        end = PutUtf8(end, cu);
    }
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

bool IsBlankText(std::u16string_view text) {
    for (char16_t c : text) {
        if (c > 0x20) {
            return false;
        }
    }
    return true;
}

} // namespace qmr
