#pragma once
// The remembered geometry of the window in the units the Qt window keeps it in: the client area
// (no frame) in device-independent pixels, 96 per inch, its position measured from the origin
// of the monitor it is on, which keeps its pixel place. So a geometry reads the same at every
// scale, and the Win32 window and the Qt window of an earlier version understand each other.

#include "presenter/user_choices.h"

#include <optional>
#include <vector>

namespace qmr {

// A monitor: its rectangle in physical pixels and its scale in dots per inch.
struct TMonitorArea {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Dpi = 96;
};

// The physical client rectangle `client` on `monitor` as it is remembered.
TWindowRect RememberedRect(const TWindowRect& client, const TMonitorArea& monitor);

// Where a remembered rectangle goes back to: the physical client rectangle on the monitor that
// shows its middle; none when no monitor does (one since unplugged), so that the window does
// not open out of reach.
std::optional<TWindowRect> PlaceRememberedRect(const TWindowRect& remembered,
                                               const std::vector<TMonitorArea>& monitors);

} // namespace qmr
