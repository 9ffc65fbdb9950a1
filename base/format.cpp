#include "format.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace qmr {

namespace {

// The digits of v, most significant first, in `buffer`, which they end.
std::u16string_view Digits(std::uint64_t v, unsigned base, bool upper, char16_t (&buffer)[64]) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char16_t* start = std::end(buffer);
    do {
        *--start = static_cast<char16_t>(digits[v % base]);
        v /= base;
    } while (v != 0);
    return {start, static_cast<std::size_t>(std::end(buffer) - start)};
}

// Appends the sign and the body padded to `width`: zeros go between the two, spaces before both.
// Built by appending only: GCC 12 at -O3 reports a false overlap (-Werror=restrict) in
// std::u16string's insert.
void Pad(std::u16string& out, std::u16string_view sign, std::u16string_view body, std::size_t width,
         bool zero) {
    const std::size_t length = sign.size() + body.size();
    const std::size_t fill = width > length ? width - length : 0;
    if (!zero) {
        out.append(fill, u' ');
    }
    out.append(sign);
    if (zero) {
        out.append(fill, u'0');
    }
    out.append(body);
}

std::uint64_t AsUnsigned(const FormatArg& arg) {
    if (const auto* u = std::get_if<std::uint64_t>(&arg.Value())) {
        return *u;
    }
    if (const auto* i = std::get_if<std::int64_t>(&arg.Value())) {
        // As printf would see a 32-bit int: negative values wrap at 2^32.
        if (*i < 0 && *i >= INT32_MIN) {
            return static_cast<std::uint32_t>(static_cast<std::int32_t>(*i));
        }
        return static_cast<std::uint64_t>(*i);
    }
    throw std::invalid_argument("Format: text given to a numeric conversion");
}

std::int64_t AsSigned(const FormatArg& arg) {
    if (const auto* i = std::get_if<std::int64_t>(&arg.Value())) {
        return *i;
    }
    if (const auto* u = std::get_if<std::uint64_t>(&arg.Value())) {
        return static_cast<std::int64_t>(*u);
    }
    throw std::invalid_argument("Format: text given to a numeric conversion");
}

} // namespace

std::u16string Format(std::u16string_view format, std::initializer_list<FormatArg> args) {
    // Room for the whole text at once: a number takes at most 20 digits and a sign.
    std::size_t room = format.size();
    for (const FormatArg& arg : args) {
        const auto* text = std::get_if<std::u16string_view>(&arg.Value());
        room += text != nullptr ? text->size() : 21;
    }
    std::u16string out;
    out.reserve(room);
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            // The text up to the next conversion in one piece.
            const std::size_t stop = std::min(format.find(u'%', i), format.size());
            out.append(format.substr(i, stop - i));
            i = stop - 1;
            continue;
        }
        if (++i >= format.size()) {
            throw std::invalid_argument("Format: '%' at the end of the format");
        }
        if (format[i] == u'%') {
            out.push_back(u'%');
            continue;
        }
        bool zero = false;
        if (format[i] == u'0') {
            zero = true;
            ++i;
        }
        std::size_t width = 0;
        while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
            width = width * 10 + (format[i] - u'0');
            ++i;
        }
        if (i >= format.size()) {
            throw std::invalid_argument("Format: incomplete conversion");
        }
        if (next == args.end()) {
            throw std::invalid_argument("Format: fewer arguments than conversions");
        }
        const FormatArg& arg = *next++;
        char16_t digits[64];
        switch (format[i]) {
        case u's': {
            const auto* text = std::get_if<std::u16string_view>(&arg.Value());
            if (text == nullptr) {
                throw std::invalid_argument("Format: number given to %s");
            }
            Pad(out, {}, *text, width, false);
            break;
        }
        case u'i':
        case u'd': {
            const std::int64_t v = AsSigned(arg);
            const std::uint64_t magnitude =
                v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
            Pad(out, v < 0 ? u"-" : u"", Digits(magnitude, 10, false, digits), width, zero);
            break;
        }
        case u'u':
            Pad(out, {}, Digits(AsUnsigned(arg), 10, false, digits), width, zero);
            break;
        case u'X':
        case u'x':
            Pad(out, {}, Digits(AsUnsigned(arg), 16, format[i] == u'X', digits), width, zero);
            break;
        default:
            throw std::invalid_argument("Format: unknown conversion");
        }
    }
    return out;
}

} // namespace qmr
