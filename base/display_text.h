#pragma once
// Text from outside the program (adapter names, aliases, descriptions) shown among our own:
// it must not change the direction of what follows it, nor carry control characters.

#include <string>
#include <string_view>

namespace qmr {

// Control characters other than tab become U+FFFD, and so do direction closers (PDF, PDI)
// that close nothing of the text's own; embeddings, overrides and isolates the text leaves open
// are closed at its end. Text without such characters comes back unchanged.
std::u16string ContainExternalText(std::u16string_view text);

} // namespace qmr
