#pragma once
// printf-style formatting into UTF-16 text. The arguments carry their types, so a mismatch
// between a conversion and its argument is an error instead of undefined behaviour.
//
// Conversions: %s (text), %i and %d (signed decimal), %u (unsigned decimal), %X and %x (hex),
// each with an optional '0' flag and a width, and %% for a percent sign.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace qmr {

class FormatArg {
public:
    FormatArg(int v) : m_Value(static_cast<std::int64_t>(v)) {}
    FormatArg(long v) : m_Value(static_cast<std::int64_t>(v)) {}
    FormatArg(long long v) : m_Value(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned v) : m_Value(static_cast<std::uint64_t>(v)) {}
    FormatArg(unsigned long v) : m_Value(static_cast<std::uint64_t>(v)) {}
    FormatArg(unsigned long long v) : m_Value(static_cast<std::uint64_t>(v)) {}
    FormatArg(std::u16string_view v) : m_Value(v) {}
    FormatArg(const std::u16string& v) : m_Value(std::u16string_view(v)) {}
    FormatArg(const char16_t* v) : m_Value(std::u16string_view(v)) {}

    const std::variant<std::int64_t, std::uint64_t, std::u16string_view>& Value() const {
        return m_Value;
    }

private:
    std::variant<std::int64_t, std::uint64_t, std::u16string_view> m_Value;
};

// Throws std::invalid_argument for an unknown conversion, a missing argument or a text given
// to a numeric conversion (and the reverse).
std::u16string Format(std::u16string_view format, std::initializer_list<FormatArg> args);

} // namespace qmr
