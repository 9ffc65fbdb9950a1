#include "dhcp_leases.h"

#include "provider/state_files.h"

#include <algorithm>
#include <charconv>
#include <ctime>

namespace qmr {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::optional<std::int64_t> ParseNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "3 2024/01/10 12:00:00" (UTC, the weekday first) or "epoch 1704888000"; 0 for "never".
std::int64_t ParseDhclientTime(const std::vector<std::string_view>& words) {
    if (words.size() >= 3 && words[1] == "epoch") {
        return ParseNumber(words[2]).value_or(0);
    }
    if (words.size() < 4) {
        return 0;
    }
    std::tm parts{};
    const std::string date(words[2]);
    const std::string time(words[3]);
    if (std::sscanf(date.c_str(), "%d/%d/%d", &parts.tm_year, &parts.tm_mon, &parts.tm_mday) != 3 ||
        std::sscanf(time.c_str(), "%d:%d:%d", &parts.tm_hour, &parts.tm_min, &parts.tm_sec) != 3) {
        return 0;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return static_cast<std::int64_t>(::timegm(&parts));
}

std::string_view Unquoted(std::string_view word) {
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"') {
        return word.substr(1, word.size() - 2);
    }
    return word;
}

bool Holds(const std::vector<TIpv4Address>& held, const TIpv4Address& address) {
    return std::find(held.begin(), held.end(), address) != held.end();
}

} // namespace

namespace {

// prefix + a 36-character connection UUID + "-" + the interface + ".lease"; the interface
// name may hold dashes itself, so it is found by position.
std::string LeaseFileLink(std::string_view fileName, std::string_view kPrefix) {
    constexpr std::string_view kSuffix = ".lease";
    constexpr std::size_t kUuidAndDash = 37;
    const std::size_t fixed = kPrefix.size() + kUuidAndDash + kSuffix.size();
    if (!StartsWith(fileName, kPrefix) || !EndsWith(fileName, kSuffix) ||
        fileName.size() <= fixed || fileName[kPrefix.size() + kUuidAndDash - 1] != '-') {
        return {};
    }
    return std::string(fileName.substr(kPrefix.size() + kUuidAndDash, fileName.size() - fixed));
}

} // namespace

std::string NetworkManagerLeaseLink(std::string_view fileName) {
    return LeaseFileLink(fileName, "internal-");
}

std::vector<std::string> NetworkdLinkNetworkFiles(std::string_view text) {
    std::vector<std::string> files;
    for (const std::string_view line : SplitLines(text)) {
        const std::size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        if (equals == std::string_view::npos ||
            (key != "NETWORK_FILE" && key != "NETWORK_FILE_DROPINS")) {
            continue;
        }
        // Drop-ins are one quoted, space-separated list, read after the file they amend.
        for (const std::string_view word : SplitWords(Unquoted(line.substr(equals + 1)))) {
            files.emplace_back(word);
        }
    }
    return files;
}

std::optional<bool> NetworkFileAsksDhcp4(std::string_view text) {
    std::optional<bool> asks;
    bool inNetwork = false;
    for (std::string_view line : SplitLines(text)) {
        const std::vector<std::string_view> words = SplitWords(line);
        if (words.empty() || words[0].front() == '#' || words[0].front() == ';') {
            continue;
        }
        line = line.substr(line.find(words[0]));
        if (line.front() == '[') {
            inNetwork = SplitWords(line)[0] == "[Network]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inNetwork || equals == std::string_view::npos) {
            continue;
        }
        const std::vector<std::string_view> key = SplitWords(line.substr(0, equals));
        const std::vector<std::string_view> value = SplitWords(line.substr(equals + 1));
        if (key.size() == 1 && key[0] == "DHCP") {
            // The last assignment wins, as networkd reads it; "both" is the old spelling.
            const std::string_view v = value.empty() ? std::string_view() : value[0];
            asks = v == "yes" || v == "true" || v == "on" || v == "1" || v == "ipv4" || v == "both";
        }
    }
    return asks;
}

std::optional<TDhcpLease> ParseNetworkdLease(std::string_view text) {
    TDhcpLease lease;
    bool haveAddress = false;
    for (const std::string_view line : SplitLines(text)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, equals);
        const auto address = ParseIpv4(line.substr(equals + 1));
        if (key == "ADDRESS" && address) {
            lease.Address = *address;
            haveAddress = true;
        } else if (key == "SERVER_ADDRESS" && address) {
            lease.Server = address;
        }
    }
    return haveAddress ? std::optional<TDhcpLease>(lease) : std::nullopt;
}

std::vector<TNamedLease> ParseDhclientLeases(std::string_view text) {
    std::vector<TNamedLease> leases;
    TNamedLease current;
    bool inside = false;
    bool haveAddress = false;
    std::int64_t leaseTime = 0;
    for (std::string_view line : SplitLines(text)) {
        line = line.substr(0, line.find('#'));
        const std::vector<std::string_view> opening = SplitWords(line);
        if (!opening.empty() && opening.front() == "lease" &&
            line.find('{') != std::string_view::npos) {
            inside = true;
            haveAddress = false;
            current = TNamedLease{};
            leaseTime = 0;
            continue;
        }
        if (!inside) {
            continue;
        }
        if (line.find('}') != std::string_view::npos) {
            if (haveAddress) {
                TDhcpLease& lease = current.Lease;
                if (lease.Expires != 0 && leaseTime > 0) {
                    lease.Obtained = lease.Expires - leaseTime;
                }
                leases.push_back(current);
            }
            inside = false;
            continue;
        }
        if (const std::size_t semicolon = line.rfind(';'); semicolon != std::string_view::npos) {
            line = line.substr(0, semicolon);
        }
        const std::vector<std::string_view> words = SplitWords(line);
        if (words.size() < 2) {
            continue;
        }
        if (words[0] == "interface") {
            current.Interface = std::string(Unquoted(words[1]));
        } else if (words[0] == "fixed-address") {
            if (const auto address = ParseIpv4(words[1])) {
                current.Lease.Address = *address;
                haveAddress = true;
            }
        } else if (words[0] == "expire") {
            current.Lease.Expires = ParseDhclientTime(words);
        } else if (words[0] == "option" && words.size() >= 3) {
            if (words[1] == "dhcp-server-identifier") {
                current.Lease.Server = ParseIpv4(words[2]);
            } else if (words[1] == "dhcp-lease-time") {
                leaseTime = ParseNumber(words[2]).value_or(0);
            }
        }
    }
    return leases;
}

TLeaseBook::TLeaseBook(TLeaseSources sources) : m_Sources(std::move(sources)) {
    for (const std::string& name : ListStateFolder(m_Sources.NetworkdLeases)) {
        if (const auto index = ParseNumber(name); index && *index > 0 && *index <= 0xFFFFFFFF) {
            m_NetworkdLinks.push_back(static_cast<std::uint32_t>(*index));
        }
    }
    std::sort(m_NetworkdLinks.begin(), m_NetworkdLinks.end());
    std::vector<std::string> dhclientFiles;
    for (std::string& name : ListStateFolder(m_Sources.DhclientLeases)) {
        if (StartsWith(name, "dhclient") &&
            (EndsWith(name, ".leases") || EndsWith(name, ".lease"))) {
            dhclientFiles.push_back(m_Sources.DhclientLeases + "/" + name);
        }
    }
    for (std::string& name : ListStateFolder(m_Sources.NetworkManager)) {
        if (std::string link = LeaseFileLink(name, "dhclient-"); !link.empty()) {
            m_NetworkManagerDhcpLinks.push_back(std::move(link));
        } else if (std::string internal = NetworkManagerLeaseLink(name); !internal.empty()) {
            m_NetworkManagerDhcpLinks.push_back(std::move(internal));
        }
        if (StartsWith(name, "dhclient-") && EndsWith(name, ".lease")) {
            dhclientFiles.push_back(m_Sources.NetworkManager + "/" + name);
        } else if (const std::string link = NetworkManagerLeaseLink(name); !link.empty()) {
            const auto text =
                ReadStateFile(m_Sources.NetworkManager + "/" + name, TStateFileKind::DhcpLeases);
            if (const auto lease = text ? ParseNetworkdLease(*text) : std::nullopt) {
                m_NetworkManagerLeases.emplace_back(link, *lease);
            }
        }
    }
    // A fixed order gives the same answer at every call.
    std::sort(dhclientFiles.begin(), dhclientFiles.end());
    for (const std::string& path : dhclientFiles) {
        if (const auto text = ReadStateFile(path, TStateFileKind::DhcpLeases)) {
            std::vector<TNamedLease> leases = ParseDhclientLeases(*text);
            m_DhclientLeases.insert(m_DhclientLeases.end(), leases.begin(), leases.end());
        }
    }
}

std::optional<TDhcpLease> TLeaseBook::Find(std::uint32_t linkIndex, const std::string& linkName,
                                           const std::vector<TIpv4Address>& heldAddresses) const {
    if (heldAddresses.empty()) {
        return std::nullopt;
    }
    const bool networkdFile =
        std::binary_search(m_NetworkdLinks.begin(), m_NetworkdLinks.end(), linkIndex);
    if (const auto networkd =
            networkdFile ? ReadStateFile(m_Sources.NetworkdLeases + "/" + std::to_string(linkIndex),
                                         TStateFileKind::NetworkState)
                         : std::nullopt) {
        if (auto lease = ParseNetworkdLease(*networkd);
            lease && Holds(heldAddresses, lease->Address)) {
            return lease;
        }
    }
    std::optional<TDhcpLease> found;
    for (const auto& [link, lease] : m_NetworkManagerLeases) {
        if (link == linkName && Holds(heldAddresses, lease.Address)) {
            found = lease;
        }
    }
    // dhclient appends: the last block for a held address is the current one.
    for (const TNamedLease& named : m_DhclientLeases) {
        if (named.Interface == linkName && Holds(heldAddresses, named.Lease.Address)) {
            found = named.Lease;
        }
    }
    return found;
}

bool TLeaseBook::ConfiguredByDhcp(std::uint32_t linkIndex, const std::string& linkName) const {
    // The managers serve the first process's namespace only; elsewhere their files describe
    // other links that share an index or name.
    if (!m_ManagersServeUs) {
        m_ManagersServeUs = m_Sources.ManagersServeThisNamespace();
    }
    if (!*m_ManagersServeUs) {
        return false;
    }
    // A lease kept for the link: NetworkManager keeps it over a disconnection to ask for the
    // same address again.
    if (std::binary_search(m_NetworkdLinks.begin(), m_NetworkdLinks.end(), linkIndex) ||
        std::find(m_NetworkManagerDhcpLinks.begin(), m_NetworkManagerDhcpLinks.end(), linkName) !=
            m_NetworkManagerDhcpLinks.end()) {
        return true;
    }
    // networkd names the configuration it applied to the link, connected or not.
    const auto state = ReadStateFile(m_Sources.NetworkdLinks + "/" + std::to_string(linkIndex),
                                     TStateFileKind::NetworkState);
    bool asks = false;
    for (const std::string& path :
         state ? NetworkdLinkNetworkFiles(*state) : std::vector<std::string>{}) {
        if (const auto text = ReadStateFile(path, TStateFileKind::NetworkState)) {
            asks = NetworkFileAsksDhcp4(*text).value_or(asks);
        }
    }
    return asks;
}

} // namespace qmr
