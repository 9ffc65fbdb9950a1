#include "base/file_replace.h"

#include <windows.h>

namespace qmr {

namespace {

// QLockFile's own age for a lock whose writer is gone, in 100 ns units.
constexpr unsigned long long kStaleLockTicks = 30ull * 10000000ull;

const wchar_t* WidePath(const std::u16string& path) {
    return reinterpret_cast<const wchar_t*>(path.c_str());
}

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool LockIsStale(const std::u16string& lockPath) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(WidePath(lockPath), GetFileExInfoStandard, &data)) {
        return false;
    }
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return Ticks(now) > Ticks(data.ftLastWriteTime) + kStaleLockTicks;
}

} // namespace

bool MakeParentFolders(const std::u16string& path) {
    for (std::size_t at = path.find_first_of(u"\\/", 3); at != std::u16string::npos;
         at = path.find_first_of(u"\\/", at + 1)) {
        const std::u16string folder = path.substr(0, at);
        if (!::CreateDirectoryW(WidePath(folder), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    const std::size_t last = path.find_last_of(u"\\/");
    if (last == std::u16string::npos) {
        return true;
    }
    const DWORD attributes = ::GetFileAttributesW(WidePath(path.substr(0, last)));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TFileLock::TFileLock(const std::u16string& path, int waitMs) : m_LockPath(path + u".lock") {
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(waitMs);
    bool brokeStale = false;
    for (;;) {
        const HANDLE file = ::CreateFileW(WidePath(m_LockPath), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            m_Held = true;
            return;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            m_WhyNot = "cannot be locked for writing";
            return;
        }
        if (!brokeStale && LockIsStale(m_LockPath)) {
            brokeStale = true;
            ::DeleteFileW(WidePath(m_LockPath));
            continue;
        }
        if (::GetTickCount64() >= deadline) {
            m_WhyNot = "is locked by another writer";
            return;
        }
        ::Sleep(20);
    }
}

TFileLock::~TFileLock() {
    if (m_Held) {
        ::DeleteFileW(WidePath(m_LockPath));
    }
}

bool ReplaceRegularFile(const std::u16string& path, const std::string& bytes, std::string& whyNot) {
    const DWORD attributes = ::GetFileAttributesW(WidePath(path));
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
            whyNot = "is not a regular file";
            return false;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            whyNot = "is read-only";
            return false;
        }
    }
    const std::u16string fresh = path + u".new";
    const HANDLE file = ::CreateFileW(WidePath(fresh), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        whyNot = "cannot be written (its folder takes no new file)";
        return false;
    }
    DWORD written = 0;
    const bool ok =
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size() && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    if (!ok || !::MoveFileExW(WidePath(fresh), WidePath(path),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(WidePath(fresh));
        whyNot = "cannot be written";
        return false;
    }
    return true;
}

} // namespace qmr
