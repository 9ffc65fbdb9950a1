#pragma once
// The DNS suffix and search list of a link, from the same files as its DNS servers: the
// "search" and "domain" lines of resolv.conf, and the DOMAINS= line of resolved's link state.

#include <string>
#include <string_view>
#include <vector>

namespace qmr {

struct TDnsDomains {
    // The connection's own domain: resolv.conf's "domain" line, else the first search domain.
    std::string Suffix;
    std::vector<std::string> Search;
};

// As the resolver reads resolv.conf: the last "search" or "domain" line gives the search list
// (a "domain" line a list of one), the root "." left out.
TDnsDomains ParseResolvConfDomains(std::string_view text);

// The search domains of the DOMAINS= line of a resolved link state file, in order; route-only
// domains ("~example.com", "~.") are no search domains and are left out.
TDnsDomains ParseResolvedLinkDomains(std::string_view text);

} // namespace qmr
