#pragma once
// Where language.ini is read from, for the window and for qmr-report alike.

#include <string>

namespace qmr {

// The language file for an executable in this folder (with its trailing separator). On Linux a
// file beside the executable wins (a build tree, a portable copy); failing that, the installed
// one in the data folder that lies where the executable's folder does in the installation
// (<prefix>/bin -> <prefix>/share/quillmere); when neither exists, the one beside the
// executable, so that a message names where a user would put it. On Windows it is always
// beside the executable.
std::u16string LanguageFileLocation(const std::u16string& executableFolder);

} // namespace qmr
