#include "interface_name_match.h"

namespace qmr {

bool InterfaceNamesMatch(const std::u16string&, const std::u16string&) {
    // The GUID of the adapter record outlives any rename; the row names the device path.
    return true;
}

} // namespace qmr
