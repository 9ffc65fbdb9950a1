#include "winui/line_changes.h"

namespace qmr {

TLineChanges CompareLines(const std::vector<std::u16string>& shown,
                          const std::vector<std::u16string>& next) {
    TLineChanges changes;
    changes.CountChanged = shown.size() != next.size();
    for (std::size_t i = 0; i < next.size(); ++i) {
        if (i >= shown.size() || shown[i] != next[i]) {
            changes.Changed.push_back(i);
        }
    }
    return changes;
}

} // namespace qmr
