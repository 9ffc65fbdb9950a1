#pragma once
// Which lines of a shown report a new report changes, so that the report view measures and
// repaints those alone: a report polled once a second mostly changes its counters and rates.

#include <cstddef>
#include <string>
#include <vector>

namespace qmr {

struct TLineChanges {
    // Positions whose text differs, in order; a line beyond the old end counts as changed.
    std::vector<std::size_t> Changed;
    // Whether the line count differs, so that everything below the last common line moves.
    bool CountChanged = false;
};

TLineChanges CompareLines(const std::vector<std::u16string>& shown,
                          const std::vector<std::u16string>& next);

} // namespace qmr
