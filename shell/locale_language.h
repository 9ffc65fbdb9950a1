#pragma once
// Windows language identifiers for POSIX locale names, so that a Linux user's locale answers
// the user-interface language query the way Windows would.

#include <cstdint>
#include <string_view>

namespace qmr {

constexpr std::uint16_t kLanguageEnglishUnitedStates = 0x0409; // 1033
constexpr std::uint16_t kLanguageRussianRussia = 0x0419;       // 1049
// What Windows reports for a locale that has no identifier of its own.
constexpr std::uint16_t kLanguageCustomUnspecified = 0x1000;

// "language[_territory][.codeset][@modifier]": the identifier of language and territory when
// Windows has one; the language's neutral identifier for another territory or none (so that
// "ru_UA" is Russian but not Russian (Russia)); kLanguageCustomUnspecified for a language it
// does not know. "C" and "POSIX" are English (United States), as is an empty name.
std::uint16_t LanguageIdFromLocaleName(std::string_view locale);

// The first of LC_ALL, LC_MESSAGES and LANG that is set and not empty; empty when none is.
std::string_view MessagesLocaleName(const char* lcAll, const char* lcMessages, const char* lang);

} // namespace qmr
