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

TReadOutcome ReadRegularFile(const std::u16string& path, std::string& bytes, std::size_t maxBytes) {
    bytes.clear();
    const HANDLE file =
        ::CreateFileW(WidePath(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return TReadOutcome::Missing;
        }
        // A folder cannot be opened without backup semantics.
        const DWORD attributes = ::GetFileAttributesW(WidePath(path));
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                   ? TReadOutcome::NotRegularFile
                   : TReadOutcome::Unreadable;
    }
    TReadOutcome outcome = TReadOutcome::Read;
    LARGE_INTEGER size{};
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        outcome = TReadOutcome::NotRegularFile;
    } else if (!::GetFileSizeEx(file, &size)) {
        outcome = TReadOutcome::Unreadable;
    } else if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        outcome = TReadOutcome::TooLarge;
    }
    char buffer[65536];
    while (outcome == TReadOutcome::Read) {
        DWORD n = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
            outcome = TReadOutcome::Unreadable;
        } else if (n == 0) {
            break;
        } else if (n > maxBytes - bytes.size()) {
            outcome = TReadOutcome::TooLarge;
        } else {
            bytes.append(buffer, n);
        }
    }
    ::CloseHandle(file);
    if (outcome != TReadOutcome::Read) {
        bytes.clear();
    }
    return outcome;
}

} // namespace qmr
