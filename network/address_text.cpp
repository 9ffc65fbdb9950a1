#include "address_text.h"

#include <algorithm>

namespace qmr {

namespace {

void AppendHex(std::u16string& text, unsigned group) {
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = (group >> shift) & 0xF;
        if (started || digit != 0 || shift == 0) {
            text += kDigits[digit];
            started = true;
        }
    }
}

void AppendDecimal(std::u16string& text, unsigned byte) {
    if (byte >= 100) {
        text += static_cast<char16_t>(u'0' + byte / 100);
    }
    if (byte >= 10) {
        text += static_cast<char16_t>(u'0' + byte / 10 % 10);
    }
    text += static_cast<char16_t>(u'0' + byte % 10);
}

} // namespace

std::u16string Ipv6Text(const std::uint8_t (&bytes)[16]) {
    unsigned groups[8];
    for (int i = 0; i < 8; ++i) {
        groups[i] = static_cast<unsigned>(bytes[2 * i]) << 8 | bytes[2 * i + 1];
    }
    const bool mapped =
        std::all_of(groups, groups + 5, [](unsigned g) { return g == 0; }) && groups[5] == 0xFFFF;
    const int hexGroups = mapped ? 6 : 8;
    // The longest run of zero groups, two at least; the first of equal ones.
    int bestStart = -1;
    int bestLength = 1;
    for (int i = 0; i < hexGroups;) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        int end = i;
        while (end < hexGroups && groups[end] == 0) {
            ++end;
        }
        if (end - i > bestLength) {
            bestStart = i;
            bestLength = end - i;
        }
        i = end;
    }
    std::u16string text;
    text.reserve(41);
    for (int i = 0; i < hexGroups; ++i) {
        if (i == bestStart) {
            text += u"::";
            i += bestLength - 1;
            continue;
        }
        if (!text.empty() && text.back() != u':') {
            text += u':';
        }
        AppendHex(text, groups[i]);
    }
    if (mapped) {
        if (text.back() != u':') {
            text += u':';
        }
        for (int i = 12; i < 16; ++i) {
            AppendDecimal(text, bytes[i]);
            if (i < 15) {
                text += u'.';
            }
        }
    }
    return text;
}

TIpv6Scope Ipv6Scope(const std::uint8_t (&bytes)[16]) {
    if (bytes[0] == 0xFE && (bytes[1] & 0xC0) == 0x80) {
        return TIpv6Scope::LinkLocal;
    }
    if ((bytes[0] & 0xFE) == 0xFC) {
        return TIpv6Scope::UniqueLocal;
    }
    // Global unicast is 2000::/3; everything else of note (::, ::1, ff00::/8, fec0::/10) is not.
    if ((bytes[0] & 0xE0) == 0x20) {
        return TIpv6Scope::Global;
    }
    return TIpv6Scope::Other;
}

} // namespace qmr
