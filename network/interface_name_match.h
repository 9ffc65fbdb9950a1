#pragma once
// Whether an adapter record and the interface row the poll found for it by index name the same
// link. A poll's calls answer one after the other, and a link renamed between them leaves a
// record under the old name and a row under the new one: on Linux the adapter name and the
// row's name are both the interface name, which a rename changes. On Windows the adapter name
// is the interface GUID, which a rename leaves alone, so they always match.

#include <string>

namespace qmr {

bool InterfaceNamesMatch(const std::u16string& adapterName, const std::u16string& rowName);

} // namespace qmr
