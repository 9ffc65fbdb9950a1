#pragma once
// The friendly-name search over one table, answered for every adapter of a poll without walking
// the table each time. The search runs through the entries in order: an entry whose key did not
// open is passed over; an entry whose service name could not be read ends the search with no
// name; the first entry whose service name is the adapter's gives its description, or no name
// when that could not be read.

#include "network/friendly_name_table.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace qmr {

class TFriendlyNameIndex {
public:
    // The table must outlive the index and stay as it is: the index points into it.
    explicit TFriendlyNameIndex(const TFriendlyNameTable& table);

    // The description the search ends on, or null when it ends with no name.
    const std::u16string* Find(std::u16string_view adapterName) const;

private:
    // Per service name, the entry the search would stop at.
    std::unordered_map<std::u16string_view, const TFriendlyNameEntry*> m_First;
};

} // namespace qmr
