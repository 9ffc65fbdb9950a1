#include "file_bytes.h"

#include "utf16_text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qmr {

std::FILE* OpenFileForReading(const std::u16string& path) {
    return std::fopen(Utf16ToUtf8(path).c_str(), "rb");
}

bool FileExists(const std::u16string& path) {
    struct stat info {};
    return ::stat(Utf16ToUtf8(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

TReadOutcome ReadRegularFile(const std::u16string& path, std::string& bytes, std::size_t maxBytes) {
    bytes.clear();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type is checked on what was
    // opened, so a link swapped in between cannot slip past.
    const int fd = ::open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? TReadOutcome::Missing
                                                   : TReadOutcome::Unreadable;
    }
    TReadOutcome outcome = TReadOutcome::Read;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        outcome = TReadOutcome::Unreadable;
    } else if (!S_ISREG(info.st_mode)) {
        outcome = TReadOutcome::NotRegularFile;
    } else if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        outcome = TReadOutcome::TooLarge;
    }
    char buffer[65536];
    while (outcome == TReadOutcome::Read) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            outcome = TReadOutcome::Unreadable;
        } else if (n == 0) {
            break;
        } else if (static_cast<std::size_t>(n) > maxBytes - bytes.size()) {
            outcome = TReadOutcome::TooLarge; // it grew while being read
        } else {
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (outcome != TReadOutcome::Read) {
        bytes.clear();
    }
    return outcome;
}

} // namespace qmr
