#include "shell/language_file_location.h"

namespace qmr {

std::u16string LanguageFileLocation(const std::u16string& executableFolder) {
    return executableFolder + u"language.ini";
}

} // namespace qmr
