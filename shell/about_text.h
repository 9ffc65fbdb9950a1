#pragma once
// The about box's text, made where the version is read so that the window need not know how.

#include <string>

namespace qmr {

// "Version: 1.0 FINAL" or "Version: 1.0 RC 1 build 73", in the current language, from the
// running executable's version block.
std::u16string BuildAboutText();

} // namespace qmr
