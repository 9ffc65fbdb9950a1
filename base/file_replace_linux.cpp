#include "base/file_replace.h"

#include "base/utf16_text.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qmr {

namespace {

// QLockFile's own age for a lock whose writer is gone.
constexpr std::time_t kStaleLockSeconds = 30;

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool LockIsStale(const std::string& lockPath) {
    struct stat info {};
    return ::lstat(lockPath.c_str(), &info) == 0 &&
           std::time(nullptr) - info.st_mtime > kStaleLockSeconds;
}

} // namespace

bool MakeParentFolders(const std::u16string& path) {
    const std::string text = Utf16ToUtf8(path);
    for (std::size_t slash = text.find('/', 1); slash != std::string::npos;
         slash = text.find('/', slash + 1)) {
        const std::string folder = text.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat info {};
    const std::size_t last = text.rfind('/');
    return last == std::string::npos || last == 0 ||
           (::stat(text.substr(0, last).c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

TFileLock::TFileLock(const std::u16string& path, int waitMs) : m_LockPath(path + u".lock") {
    const std::string lockPath = Utf16ToUtf8(m_LockPath);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    bool brokeStale = false;
    for (;;) {
        const int fd = ::open(lockPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            char host[HOST_NAME_MAX + 1] = {};
            ::gethostname(host, sizeof host - 1);
            // What QLockFile writes, so that a Qt writer can tell who holds it.
            WriteAll(fd, std::to_string(::getpid()) + "\nqmr\n" + host + "\n");
            ::close(fd);
            m_Held = true;
            return;
        }
        if (errno != EEXIST) {
            m_WhyNot = "cannot be locked for writing";
            return;
        }
        if (!brokeStale && LockIsStale(lockPath)) {
            brokeStale = true;
            ::unlink(lockPath.c_str());
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_WhyNot = "is locked by another writer";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

TFileLock::~TFileLock() {
    if (m_Held) {
        ::unlink(Utf16ToUtf8(m_LockPath).c_str());
    }
}

bool ReplaceRegularFile(const std::u16string& path, const std::string& bytes, std::string& whyNot) {
    std::string target = Utf16ToUtf8(path);
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        // The file the link names is replaced, the link stays.
        char* real = ::realpath(target.c_str(), nullptr);
        if (real == nullptr) {
            whyNot = "is a symbolic link to nothing";
            return false;
        }
        target = real;
        std::free(real);
    }
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        whyNot = "is not a regular file";
        return false;
    }
    // Even root, whom the permissions do not stop, leaves a file made read-only alone.
    if (exists && (info.st_mode & 0222) == 0) {
        whyNot = "is read-only";
        return false;
    }
    const std::size_t slash = target.rfind('/');
    std::string fresh = slash == std::string::npos ? "." + target + ".XXXXXX"
                                                   : target.substr(0, slash + 1) + "." +
                                                         target.substr(slash + 1) + ".XXXXXX";
    const int fd = ::mkstemp(fresh.data());
    if (fd < 0) {
        whyNot = "cannot be written (its folder takes no new file)";
        return false;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    mode_t mode = 0;
    if (exists) {
        mode = info.st_mode & 07777;
        if (::geteuid() == 0) {
            // Root writing a user's file leaves it the user's.
            [[maybe_unused]] const int ignored = ::fchown(fd, info.st_uid, info.st_gid);
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(fresh.c_str(), target.c_str()) != 0) {
        ::unlink(fresh.c_str());
        whyNot = "cannot be written";
        return false;
    }
    return true;
}

} // namespace qmr
