#include "file_bytes.h"

#include "utf16_text.h"

#include <sys/stat.h>

namespace qmr {

std::FILE* OpenFileForReading(const std::u16string& path) {
    return std::fopen(Utf16ToUtf8(path).c_str(), "rb");
}

bool FileExists(const std::u16string& path) {
    struct stat info {};
    return ::stat(Utf16ToUtf8(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

} // namespace qmr
