#include "dns_servers.h"

#include "provider/state_files.h"

#include <algorithm>
#include <arpa/inet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace qmr {

bool SharesNetworkNamespaceOf(const std::string& nsPath, std::uint64_t callerNamespace) {
    // Only the thread itself moves to another namespace, never during a call of ours: the inode
    // the call read stays the thread's until the call returns.
    struct TAnswer {
        std::string Path;
        std::uint64_t Namespace = 0;
        bool Shares = true;
    };
    thread_local TAnswer t_Last;
    if (callerNamespace != 0 && t_Last.Namespace == callerNamespace && t_Last.Path == nsPath) {
        return t_Last.Shares;
    }
    struct stat ours {};
    struct stat other {};
    // The calling thread's namespace: /proc/self names the main thread's, which a thread that
    // entered another one (as a caller may, between calls) has left.
    const bool shares =
        ::stat("/proc/thread-self/ns/net", &ours) != 0 || ::stat(nsPath.c_str(), &other) != 0 ||
        (ours.st_dev == other.st_dev && ours.st_ino == other.st_ino);
    if (callerNamespace != 0) {
        t_Last = {nsPath, callerNamespace, shares};
    }
    return shares;
}

bool SharesFirstProcessNetworkNamespace(std::uint64_t callerNamespace) {
    return SharesNetworkNamespaceOf("/proc/1/ns/net", callerNamespace);
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

// What resolv.conf lists, stubs dropped, and whether it is resolved's; and its text, for a
// reader that wants the servers of both families from the same reading.
struct TResolvConf {
    std::vector<TIpv4Address> Servers;
    bool Resolveds = false;
    std::optional<std::string> Text;
};

TResolvConf ReadResolvConf(const TDnsSources& sources) {
    TResolvConf read;
    read.Text = ReadStateFile(sources.ResolvConf, TStateFileKind::ResolverConfiguration);
    if (!read.Text) {
        return read;
    }
    const std::string& conf = *read.Text;
    read.Servers = ParseResolvConf(conf);
    const auto resolveds =
        ReadStateFile(sources.ResolvedResolvConf, TStateFileKind::ResolverConfiguration);
    read.Resolveds = std::any_of(read.Servers.begin(), read.Servers.end(), IsResolvedStub) ||
                     (resolveds && !resolveds->empty() && *resolveds == conf);
    std::erase_if(read.Servers, IsResolvedStub);
    return read;
}

// The link's state file where resolved speaks for the link in this namespace.
std::optional<std::string> ResolvedLinkState(std::uint32_t linkIndex, const TDnsSources& sources,
                                             bool resolveds) {
    auto state = ReadStateFile(sources.ResolvedLinks + "/" + std::to_string(linkIndex),
                               TStateFileKind::ResolverLinkState);
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

namespace {

std::uint32_t InterfaceIndexOf(const char* name) {
    return ::if_nametoindex(name);
}

bool IsResolvedStubAddress(const TIpAddress& address) {
    return address.Family == AF_INET && address.Bytes[0] == 127 && address.Bytes[1] == 0 &&
           address.Bytes[2] == 0 && (address.Bytes[3] == 53 || address.Bytes[3] == 54);
}

bool IsLinkLocal(const TIpAddress& address) {
    return address.Family == AF_INET6 && address.Bytes[0] == 0xFE &&
           (address.Bytes[1] & 0xC0) == 0x80;
}

} // namespace

std::optional<TIpAddress> ParseServerAddress(std::string_view text,
                                             std::uint32_t (*indexOf)(const char* name)) {
    text = text.substr(0, text.find('#'));
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        text = text.substr(1, close - 1);
    } else if (const std::size_t colon = text.find(':');
               colon != std::string_view::npos &&
               text.find(':', colon + 1) == std::string_view::npos) {
        text = text.substr(0, colon);
    }
    std::string_view zone;
    if (const std::size_t percent = text.find('%'); percent != std::string_view::npos) {
        zone = text.substr(percent + 1);
        text = text.substr(0, percent);
    }
    char copy[INET6_ADDRSTRLEN] = {};
    if (text.empty() || text.size() >= sizeof copy) {
        return std::nullopt;
    }
    text.copy(copy, text.size());
    TIpAddress address;
    if (::inet_pton(AF_INET, copy, address.Bytes.data()) == 1) {
        address.Family = AF_INET;
        return zone.empty() ? std::optional<TIpAddress>(address) : std::nullopt;
    }
    if (::inet_pton(AF_INET6, copy, address.Bytes.data()) != 1) {
        return std::nullopt;
    }
    address.Family = AF_INET6;
    if (!zone.empty() && zone.size() < IF_NAMESIZE) {
        const std::string name(zone);
        if (name.find_first_not_of("0123456789") == std::string::npos) {
            address.ScopeId = static_cast<std::uint32_t>(std::stoul(name));
        } else {
            address.ScopeId = indexOf(name.c_str());
        }
    }
    return address;
}

std::vector<TIpAddress> ParseResolvConfServers(std::string_view text) {
    std::vector<TIpAddress> servers;
    for (const std::string_view line : SplitLines(text)) {
        const std::vector<std::string_view> words = SplitWords(line);
        if (words.size() >= 2 && words[0] == "nameserver") {
            if (const auto address = ParseServerAddress(words[1], &InterfaceIndexOf)) {
                servers.push_back(*address);
            }
        }
    }
    return servers;
}

std::vector<TIpAddress> ParseResolvedLinkServers(std::string_view text) {
    constexpr std::string_view kKey = "SERVERS=";
    std::vector<TIpAddress> servers;
    for (const std::string_view line : SplitLines(text)) {
        if (line.substr(0, kKey.size()) != kKey) {
            continue;
        }
        for (const std::string_view word : SplitWords(line.substr(kKey.size()))) {
            if (const auto address = ParseServerAddress(word, &InterfaceIndexOf)) {
                servers.push_back(*address);
            }
        }
    }
    return servers;
}

void TDnsBook::ReadSharedSources() {
    if (m_ResolvConf) {
        return;
    }
    const TResolvConf ipv4 = ReadResolvConf(m_Sources);
    m_ResolvConf = ipv4.Text ? ParseResolvConfServers(*ipv4.Text) : std::vector<TIpAddress>{};
    std::erase_if(*m_ResolvConf, IsResolvedStubAddress);
    if (ipv4.Text) {
        m_ResolvConfDomains = ParseResolvConfDomains(*ipv4.Text);
    }
    m_Resolveds = ipv4.Resolveds;
    m_ResolvedServes = m_Sources.ResolvedServesThisNamespace();
}

const std::optional<std::string>& TDnsBook::LinkState(std::uint32_t linkIndex) {
    if (m_LinkStateIndex == linkIndex && linkIndex != 0) {
        return m_LinkState;
    }
    if (!m_LinkFiles) {
        const std::vector<std::string> names = ListStateFolder(m_Sources.ResolvedLinks);
        m_LinkFiles.emplace(names.begin(), names.end());
    }
    const std::string name = std::to_string(linkIndex);
    m_LinkState = m_LinkFiles->contains(name)
                      ? ReadStateFile(m_Sources.ResolvedLinks + "/" + name,
                                      TStateFileKind::ResolverLinkState)
                      : std::nullopt;
    m_LinkStateIndex = linkIndex;
    return m_LinkState;
}

std::vector<TIpAddress> TDnsBook::ServersOf(std::uint32_t linkIndex) {
    ReadSharedSources();
    // The same rule as ReadDnsServers, for both families: under resolved a link has its own
    // servers or none, never the stub; elsewhere resolv.conf's servers unless resolved names the
    // link's own.
    std::vector<TIpAddress> servers = *m_ResolvConf;
    if (*m_ResolvedServes) {
        const std::optional<std::string>& state = LinkState(linkIndex);
        std::vector<TIpAddress> own =
            state ? ParseResolvedLinkServers(*state) : std::vector<TIpAddress>{};
        std::erase_if(own, IsResolvedStubAddress);
        if (!own.empty() || m_Resolveds) {
            servers = std::move(own);
        }
    }
    for (TIpAddress& server : servers) {
        if (IsLinkLocal(server) && server.ScopeId == 0) {
            server.ScopeId = linkIndex;
        }
    }
    return servers;
}

TDnsDomains TDnsBook::DomainsOf(std::uint32_t linkIndex) {
    ReadSharedSources();
    if (*m_ResolvedServes) {
        const std::optional<std::string>& state = LinkState(linkIndex);
        TDnsDomains own = state ? ParseResolvedLinkDomains(*state) : TDnsDomains{};
        // resolved's own resolv.conf lists every link's domains, not this link's.
        if (!own.Search.empty() || m_Resolveds) {
            return own;
        }
    }
    // resolved's own resolv.conf lists the domains of links that are not here.
    return m_Resolveds ? TDnsDomains{} : m_ResolvConfDomains;
}

} // namespace qmr
