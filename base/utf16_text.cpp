#include "utf16_text.h"

#include <cstdint>

namespace qmr {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.push_back(b);
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
            out.push_back(kReplacement);
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
            out.push_back(kReplacement);
            i = j;
            continue;
        }
        AppendCodePoint(out, cp);
        i = j;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cu = utf16[i];
        if (cu >= 0xD800 && cu <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cu = 0x10000 + ((cu - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cu >= 0xD800 && cu <= 0xDFFF) {
            cu = kReplacement;
        }
        AppendUtf8(out, cu);
    }
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
