#include "state_files.h"

#include "base/utf16_text.h"

#include <arpa/inet.h>
#include <dirent.h>

namespace qmr {

std::optional<std::string> ReadStateFile(const std::string& path, TStateFileKind kind) {
    TStateFile read = qmr::ReadStateFile(Utf8ToUtf16(path), kind);
    if (!read.WasRead()) {
        return std::nullopt;
    }
    return std::move(read.Bytes);
}

std::vector<std::string> ListStateFolder(const std::string& path) {
    std::vector<std::string> names;
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(folder);
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
