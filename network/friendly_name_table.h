#pragma once
// The (service name, description) pairs that the friendly-name lookup searches. On Windows they
// are the NetworkCards keys of the registry; on Linux every interface row of GetIfTable2 whose
// index an adapter record has gives (that record's adapter name, the row's alias: the link's
// alias, or its name when it has none). Read once per poll and shared by all its devices.

#include "network/interface_row_tables.h"
#include "network/iphlpapi_records.h"

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

// `adapters` is the poll's chain of adapter records (null for none); Windows does not need it.
TFriendlyNameTable ReadFriendlyNameTable(const IP_ADAPTER_INFO* adapters);
// The same from the poll's GetIfTable2 rows (null when the poll has none), where Linux takes
// the names; Windows reads the registry as above.
TFriendlyNameTable ReadFriendlyNameTable(const IP_ADAPTER_INFO* adapters,
                                         const std::vector<TInterfaceRow2>* rows);

} // namespace qmr
