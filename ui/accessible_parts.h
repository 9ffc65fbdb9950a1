#pragma once
// What assistive technology sees of the window's own painted controls: the adapter list as a
// list of its items (caption, and the status as description) and the report view as its plain
// text. Qt's widgets describe themselves; these two paint everything and so need telling.

namespace qmr {

// Teaches Qt's accessibility layer about the adapter list and the report view; once per process.
void InstallAccessibleParts();

} // namespace qmr
