#include "shell/platform_queries.h"

#include "base/executable_path.h"
#include "base/utf16_text.h"
#include "shell/locale_language.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qmr {

std::u16string GetEnvironmentText(const std::u16string& name) {
    const char* value = std::getenv(Utf16ToUtf8(name).c_str());
    return value == nullptr ? std::u16string() : Utf8ToUtf16(value);
}

bool DirectoryExists(const std::u16string& path) {
    struct stat info {};
    return ::stat(Utf16ToUtf8(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void CreateSingleDirectory(const std::u16string& path) {
    // The umask decides the final mode, as for any folder the user makes.
    (void)::mkdir(Utf16ToUtf8(path).c_str(), 0777);
}

std::uint16_t GetUserDefaultUILanguage() {
    return LanguageIdFromLocaleName(
        MessagesLocaleName(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")));
}

std::vector<std::u16string> CommandLineArguments(int argc, char** argv) {
    std::vector<std::u16string> args;
    // argv[0] is whatever the caller typed; position 0 must be the full path.
    std::u16string path = ExecutablePath();
    if (path.empty() && argc > 0 && argv[0] != nullptr) {
        path = Utf8ToUtf16(argv[0]);
    }
    args.push_back(std::move(path));
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8ToUtf16(argv[i] != nullptr ? argv[i] : ""));
    }
    return args;
}

bool DesktopAlwaysPresent() {
    return false;
}

std::u16string PathSeparator() {
    return u"/";
}

namespace {

bool Connects(const std::string& path, bool abstractNamespace) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstractNamespace ? 1 : 0;
    if (path.empty() || path.size() + offset >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool accepted = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return accepted;
}

} // namespace

bool LocalSocketAccepts(const std::u16string& path) {
    const std::string bytes = Utf16ToUtf8(path);
    return Connects(bytes, true) || Connects(bytes, false);
}

} // namespace qmr
