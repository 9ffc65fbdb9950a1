#include "dns_servers.h"

#include "provider/state_files.h"

#include <algorithm>
#include <arpa/inet.h>
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

namespace {

bool IsResolvedStub(const TIpv4Address& address) {
    return address == TIpv4Address{127, 0, 0, 53} || address == TIpv4Address{127, 0, 0, 54};
}

// What resolv.conf lists, stubs dropped, and whether it is resolved's.
struct TResolvConf {
    std::vector<TIpv4Address> Servers;
    bool Resolveds = false;
};

TResolvConf ReadResolvConf(const TDnsSources& sources) {
    TResolvConf read;
    const auto conf = ReadStateFile(sources.ResolvConf);
    if (!conf) {
        return read;
    }
    read.Servers = ParseResolvConf(*conf);
    const auto resolveds = ReadStateFile(sources.ResolvedResolvConf);
    read.Resolveds = std::any_of(read.Servers.begin(), read.Servers.end(), IsResolvedStub) ||
                     (resolveds && !resolveds->empty() && *resolveds == *conf);
    std::erase_if(read.Servers, IsResolvedStub);
    return read;
}

// The link's state file where resolved speaks for the link in this namespace.
std::optional<std::string> ResolvedLinkState(std::uint32_t linkIndex, const TDnsSources& sources,
                                             bool resolveds) {
    auto state = ReadStateFile(sources.ResolvedLinks + "/" + std::to_string(linkIndex));
    if ((!state && !resolveds) || !sources.ResolvedServesThisNamespace()) {
        return std::nullopt;
    }
    return state ? state : std::string();
}

} // namespace

std::vector<TIpv4Address> ReadDnsServers(std::uint32_t linkIndex, const TDnsSources& sources) {
    const TResolvConf conf = ReadResolvConf(sources);
    if (const auto state = ResolvedLinkState(linkIndex, sources, conf.Resolveds)) {
        std::vector<TIpv4Address> servers = ParseResolvedLinkState(*state);
        if (!servers.empty() || conf.Resolveds) {
            return servers;
        }
    }
    return conf.Servers;
}

std::vector<TDnsIpv6Address> ParseResolvedLinkStateIpv6(std::string_view text) {
    constexpr std::string_view kKey = "SERVERS=";
    std::vector<TDnsIpv6Address> servers;
    for (const std::string_view line : SplitLines(text)) {
        if (line.substr(0, kKey.size()) != kKey) {
            continue;
        }
        for (std::string_view word : SplitWords(line.substr(kKey.size()))) {
            word = word.substr(0, word.find('#'));
            if (!word.empty() && word.front() == '[') {
                word = word.substr(1, word.find(']') - 1);
            }
            word = word.substr(0, word.find('%'));
            char copy[INET6_ADDRSTRLEN] = {};
            TDnsIpv6Address address{};
            if (!word.empty() && word.size() < sizeof copy) {
                word.copy(copy, word.size());
                if (::inet_pton(AF_INET6, copy, address.data()) == 1) {
                    servers.push_back(address);
                }
            }
        }
    }
    return servers;
}

std::optional<std::vector<TDnsIpv6Address>> ReadResolvedIpv6DnsServers(std::uint32_t linkIndex,
                                                                       const TDnsSources& sources) {
    const bool resolveds = ReadResolvConf(sources).Resolveds;
    if (const auto state = ResolvedLinkState(linkIndex, sources, resolveds)) {
        // Under resolved a link's IPv4 servers alone also mean it has no IPv6 ones.
        std::vector<TDnsIpv6Address> servers = ParseResolvedLinkStateIpv6(*state);
        if (resolveds || !servers.empty() || !ParseResolvedLinkState(*state).empty()) {
            return servers;
        }
    }
    return std::nullopt;
}

} // namespace qmr
