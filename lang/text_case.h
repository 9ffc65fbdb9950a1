#pragma once
// Comparison of names without regard to case: section and key names of the language file and
// language codes.

#include <string>
#include <string_view>

namespace LANGUAGE {

// Lower case for the letters of the basic Latin, Latin-1, Greek and Cyrillic alphabets; every
// other code unit stays as it is.
char16_t FoldCase(char16_t c);
std::u16string FoldCase(std::u16string_view text);

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Negative, zero or positive as `a` sorts before, with or after `b`, case folded.
int CompareIgnoreCase(std::u16string_view a, std::u16string_view b);

} // namespace LANGUAGE
