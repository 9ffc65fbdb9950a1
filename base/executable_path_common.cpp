#include "executable_path.h"

namespace qmr {

namespace {
std::size_t LastSeparator(const std::u16string& path) {
#ifdef _WIN32
    return path.find_last_of(u"\\/");
#else
    return path.find_last_of(u'/');
#endif
}
} // namespace

std::u16string FolderOfPath(const std::u16string& path) {
    const std::size_t sep = LastSeparator(path);
    return sep == std::u16string::npos ? std::u16string() : path.substr(0, sep + 1);
}

std::u16string FileNameOfPath(const std::u16string& path) {
    const std::size_t sep = LastSeparator(path);
    return sep == std::u16string::npos ? path : path.substr(sep + 1);
}

} // namespace qmr
