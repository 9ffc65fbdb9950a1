#include "file_bytes.h"

#include <windows.h>

namespace qmr {

namespace {

const wchar_t* WidePath(const std::u16string& path) {
    return reinterpret_cast<const wchar_t*>(path.c_str());
}

} // namespace

std::FILE* OpenFileForReading(const std::u16string& path) {
    return ::_wfopen(WidePath(path), L"rb");
}

bool FileExists(const std::u16string& path) {
    const DWORD attributes = ::GetFileAttributesW(WidePath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace qmr
