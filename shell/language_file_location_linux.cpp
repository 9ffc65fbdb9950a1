#include "shell/language_file_location.h"

#include "base/utf16_text.h"

#include <filesystem>
#include <sys/stat.h>

// The data folder relative to the executables' folder, from the install layout (CMake).
#ifndef QMR_DATA_FROM_BIN
#error "QMR_DATA_FROM_BIN must name the data folder relative to the executables' folder"
#endif

namespace qmr {

namespace {

bool Exists(const std::u16string& path) {
    struct stat info {};
    return ::stat(Utf16ToUtf8(path).c_str(), &info) == 0;
}

} // namespace

std::u16string LanguageFileLocation(const std::u16string& executableFolder) {
    const std::u16string beside = executableFolder + u"language.ini";
    if (Exists(beside) || executableFolder.empty()) {
        return beside;
    }
    // Normalised, so that messages name /usr/share/... rather than /usr/bin/../share/...
    const std::filesystem::path installed =
        (std::filesystem::path(Utf16ToUtf8(executableFolder)) / QMR_DATA_FROM_BIN / "language.ini")
            .lexically_normal();
    const std::u16string installedText = Utf8ToUtf16(installed.string());
    return Exists(installedText) ? installedText : beside;
}

} // namespace qmr
