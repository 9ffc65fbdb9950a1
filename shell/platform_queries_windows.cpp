#include "shell/platform_queries.h"

#include "base/executable_path.h"

#include <windows.h>

#include <shellapi.h>

namespace qmr {

namespace {

std::wstring Wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

std::u16string FromWide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

} // namespace

std::u16string GetEnvironmentText(const std::u16string& name) {
    const std::wstring wideName = Wide(name);
    // First the size (0: not set), then the value; a value that grew in between is asked again.
    DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    while (size != 0) {
        std::wstring buffer(size, L'\0');
        const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), buffer.data(), size);
        if (length < size) {
            return FromWide(buffer.data(), length);
        }
        size = length;
    }
    return {};
}

bool DirectoryExists(const std::u16string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void CreateSingleDirectory(const std::u16string& path) {
    (void)::CreateDirectoryW(Wide(path).c_str(), nullptr);
}

std::uint16_t GetUserDefaultUILanguage() {
    return ::GetUserDefaultUILanguage();
}

std::vector<std::u16string> CommandLineArguments(int /*argc*/, char** /*argv*/) {
    std::vector<std::u16string> args;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (argv != nullptr) {
        for (int i = 0; i < count; ++i) {
            args.push_back(FromWide(argv[i], ::lstrlenW(argv[i])));
        }
        ::LocalFree(argv);
    }
    // The command line's first word is whatever started the program; position 0 must be the
    // full path.
    const std::u16string path = ExecutablePath();
    if (args.empty()) {
        args.push_back(path);
    } else if (!path.empty()) {
        args[0] = path;
    }
    return args;
}

bool DesktopAlwaysPresent() {
    return true;
}

bool LocalSocketAccepts(const std::u16string&) {
    return false; // no display server to look for: the desktop is always there
}

std::u16string PathSeparator() {
    return u"\\";
}

} // namespace qmr
