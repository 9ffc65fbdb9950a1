#include "search_domains.h"

#include "provider/state_files.h"

namespace qmr {

namespace {

// Names only: the root and route-only entries search nothing.
void AddDomains(std::vector<std::string>& list, const std::vector<std::string_view>& words) {
    for (const std::string_view word : words) {
        if (!word.empty() && word != "." && word.front() != '~') {
            list.emplace_back(word);
        }
    }
}

} // namespace

TDnsDomains ParseResolvConfDomains(std::string_view text) {
    TDnsDomains domains;
    std::string domainLine;
    for (const std::string_view line : SplitLines(text)) {
        const std::vector<std::string_view> words = SplitWords(line);
        if (words.empty() || (words[0] != "search" && words[0] != "domain")) {
            continue;
        }
        domains.Search.clear();
        if (words[0] == "domain") {
            AddDomains(domains.Search, {words.begin() + 1, words.begin() + std::min<std::size_t>(words.size(), 2)});
            domainLine = domains.Search.empty() ? std::string() : domains.Search.front();
        } else {
            AddDomains(domains.Search, {words.begin() + 1, words.end()});
        }
    }
    domains.Suffix = !domainLine.empty()   ? domainLine
                     : domains.Search.empty() ? std::string()
                                              : domains.Search.front();
    return domains;
}

TDnsDomains ParseResolvedLinkDomains(std::string_view text) {
    constexpr std::string_view kKey = "DOMAINS=";
    TDnsDomains domains;
    for (const std::string_view line : SplitLines(text)) {
        if (line.substr(0, kKey.size()) == kKey) {
            domains.Search.clear();
            AddDomains(domains.Search, SplitWords(line.substr(kKey.size())));
        }
    }
    if (!domains.Search.empty()) {
        domains.Suffix = domains.Search.front();
    }
    return domains;
}

} // namespace qmr
