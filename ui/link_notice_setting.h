#pragma once
// "Notify on Link Changes", remembered between runs with the window's other choices.

namespace qmr {

// On when never chosen.
bool ReadNotifyOnLinkChanges();
void WriteNotifyOnLinkChanges(bool notify);

} // namespace qmr
