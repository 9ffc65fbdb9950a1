#pragma once
// The (service name, description) pairs that the friendly-name lookup searches. On Windows they
// are the NetworkCards keys of the registry; on Linux every link of the network namespace gives
// (interface name, its alias, or the interface name when it has none). Read once per poll and
// shared by all its devices.

#include <string>
#include <vector>

namespace qmr {

struct TFriendlyNameEntry {
    std::u16string ServiceName;
    std::u16string Description;
    // A key that could not be opened is skipped by the search.
    bool Opened = true;
    // A value that exists but is no string ends the search where it is met.
    bool ServiceNameReadable = true;
    bool DescriptionReadable = true;
};

// The entries in the order the source lists them; an error while listing ends the list.
using TFriendlyNameTable = std::vector<TFriendlyNameEntry>;

TFriendlyNameTable ReadFriendlyNameTable();

} // namespace qmr
