#include "dns_servers.h"

#include "provider/state_files.h"

#include <sys/stat.h>

namespace qmr {

bool SharesFirstProcessNetworkNamespace() {
    struct stat ours {};
    struct stat first {};
    if (::stat("/proc/self/ns/net", &ours) != 0 || ::stat("/proc/1/ns/net", &first) != 0) {
        return true;
    }
    return ours.st_dev == first.st_dev && ours.st_ino == first.st_ino;
}

std::vector<TIpv4Address> ParseResolvConf(std::string_view text) {
    std::vector<TIpv4Address> servers;
    for (const std::string_view line : SplitLines(text)) {
        const std::vector<std::string_view> words = SplitWords(line);
        if (words.size() >= 2 && words[0] == "nameserver") {
            if (const auto address = ParseIpv4(words[1])) {
                servers.push_back(*address);
            }
        }
    }
    return servers;
}

std::vector<TIpv4Address> ParseResolvedLinkState(std::string_view text) {
    constexpr std::string_view kKey = "SERVERS=";
    std::vector<TIpv4Address> servers;
    for (const std::string_view line : SplitLines(text)) {
        if (line.substr(0, kKey.size()) != kKey) {
            continue;
        }
        for (std::string_view word : SplitWords(line.substr(kKey.size()))) {
            word = word.substr(0, word.find('#'));
            // "a.b.c.d:53"; IPv6 servers hold more than one colon or brackets and are skipped.
            if (const std::size_t colon = word.find(':');
                colon != std::string_view::npos &&
                word.find(':', colon + 1) == std::string_view::npos) {
                word = word.substr(0, colon);
            }
            if (const auto address = ParseIpv4(word)) {
                servers.push_back(*address);
            }
        }
    }
    return servers;
}

std::vector<TIpv4Address> ReadDnsServers(std::uint32_t linkIndex, const TDnsSources& sources) {
    if (const auto state = ReadStateFile(sources.ResolvedLinks + "/" + std::to_string(linkIndex))) {
        std::vector<TIpv4Address> servers = ParseResolvedLinkState(*state);
        if (!servers.empty() && sources.ResolvedServesThisNamespace()) {
            return servers;
        }
    }
    const auto conf = ReadStateFile(sources.ResolvConf);
    return conf ? ParseResolvConf(*conf) : std::vector<TIpv4Address>{};
}

} // namespace qmr
