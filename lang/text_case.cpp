#include "lang/text_case.h"

#include <algorithm>

namespace LANGUAGE {

char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c < 0xC0) {
        return c;
    }
    // Latin-1 capitals, except the multiplication sign.
    if (c <= 0xDE && c != 0xD7) {
        return static_cast<char16_t>(c + 0x20);
    }
    // Greek capitals (0x3A2 is unassigned).
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) {
        return static_cast<char16_t>(c + 0x20);
    }
    // Cyrillic: Ѐ..Џ, then А..Я.
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);
    }
    if (c >= 0x410 && c <= 0x42F) {
        return static_cast<char16_t>(c + 0x20);
    }
    return c;
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) {
        c = FoldCase(c);
    }
    return folded;
}

int CompareIgnoreCase(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t ca = FoldCase(a[i]);
        const char16_t cb = FoldCase(b[i]);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

} // namespace LANGUAGE
