#include "interface_name_match.h"

namespace qmr {

bool InterfaceNamesMatch(const std::u16string& adapterName, const std::u16string& rowName) {
    return adapterName == rowName;
}

} // namespace qmr
