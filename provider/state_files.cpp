#include "state_files.h"

#include "base/utf16_text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unordered_map>

namespace qmr {

namespace {

// What tells one state of a file from the next: resolvers and DHCP clients write a new file and
// rename it over the old one (another inode), or rewrite it (another size or modification time).
struct TFileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    std::int64_t ModifiedSeconds = 0;
    long ModifiedNanoseconds = 0;
    bool operator==(const TFileIdentity&) const = default;
};

// Through a symbolic link, as resolv.conf often is, the identity of the file it leads to.
// `missing` tells whether nothing is there, as an open would find.
std::optional<TFileIdentity> IdentityOf(const std::string& path, mode_t type,
                                        bool* missing = nullptr) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (missing != nullptr) {
            *missing = errno == ENOENT || errno == ENOTDIR;
        }
        return std::nullopt;
    }
    if ((status.st_mode & S_IFMT) != type) {
        return std::nullopt;
    }
    return TFileIdentity{status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
                         status.st_mtim.tv_nsec};
}

// A file changed within the same tick of the file system's clock as it was read could change
// again without its time moving; one modified this recently is not kept but read every time.
constexpr std::int64_t kSettledSeconds = 2;

bool Settled(const TFileIdentity& identity) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - identity.ModifiedSeconds > kSettledSeconds;
}

template <typename Content> struct TKept {
    TFileIdentity Identity;
    Content Value;
};

// Per thread, as the rest of what the provider keeps: no lock. The paths are the few files of
// the resolvers and DHCP clients; one that can no longer be read is dropped.
thread_local std::unordered_map<std::string, TKept<std::string>> t_Files;
thread_local std::unordered_map<std::string, TKept<std::vector<std::string>>> t_Folders;

} // namespace

std::optional<std::string> ReadStateFile(const std::string& path, TStateFileKind kind) {
    bool missing = false;
    const std::optional<TFileIdentity> identity = IdentityOf(path, S_IFREG, &missing);
    if (missing) {
        // Most of these files are missing on most machines: not opened only to be missed again.
        t_Files.erase(path);
        ForgetStateFileRefusal(Utf8ToUtf16(path));
        return std::nullopt;
    }
    if (identity) {
        if (const auto kept = t_Files.find(path);
            kept != t_Files.end() && kept->second.Identity == *identity) {
            return kept->second.Value;
        }
    }
    // Read as before when it is no regular file, so that the refusal is said, or when it changed.
    // The identity was taken first: a change while reading shows as another one next time.
    TStateFile read = qmr::ReadStateFile(Utf8ToUtf16(path), kind);
    if (!read.WasRead() || !identity || !Settled(*identity)) {
        t_Files.erase(path);
        return read.WasRead() ? std::optional<std::string>(std::move(read.Bytes)) : std::nullopt;
    }
    t_Files.insert_or_assign(path, TKept<std::string>{*identity, read.Bytes});
    return std::move(read.Bytes);
}

std::vector<std::string> ListStateFolder(const std::string& path) {
    // A folder's modification time moves whenever an entry comes, goes or is renamed.
    const std::optional<TFileIdentity> identity = IdentityOf(path, S_IFDIR);
    if (!identity) {
        t_Folders.erase(path);
        return {};
    }
    if (const auto kept = t_Folders.find(path);
        kept != t_Folders.end() && kept->second.Identity == *identity) {
        return kept->second.Value;
    }
    std::vector<std::string> names;
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) {
        t_Folders.erase(path);
        return names;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(folder);
    if (Settled(*identity)) {
        t_Folders.insert_or_assign(path, TKept<std::vector<std::string>>{*identity, names});
    } else {
        t_Folders.erase(path);
    }
    return names;
}

std::optional<TIpv4Address> ParseIpv4(std::string_view text) {
    char copy[INET_ADDRSTRLEN] = {};
    if (text.empty() || text.size() >= sizeof copy) {
        return std::nullopt;
    }
    text.copy(copy, text.size());
    TIpv4Address address{};
    if (::inet_pton(AF_INET, copy, address.data()) != 1) {
        return std::nullopt;
    }
    return address;
}

std::string Ipv4Text(const TIpv4Address& address) {
    // inet_ntop goes through the printf machinery; a record takes several of these per link.
    std::string text;
    text.reserve(15);
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i > 0) {
            text += '.';
        }
        const unsigned byte = address[i];
        if (byte >= 100) {
            text += static_cast<char>('0' + byte / 100);
        }
        if (byte >= 10) {
            text += static_cast<char>('0' + byte / 10 % 10);
        }
        text += static_cast<char>('0' + byte % 10);
    }
    return text;
}

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t begin = text.find_first_not_of(" \t\r", start);
        if (begin == std::string_view::npos) {
            break;
        }
        std::size_t end = text.find_first_of(" \t\r", begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        words.push_back(text.substr(begin, end - begin));
        start = end;
    }
    return words;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace qmr
