#include "winui/window_placement.h"

#include <cmath>

namespace qmr {

namespace {
constexpr int kUnitDpi = 96;

int Scale(int length, int to, int from) {
    return static_cast<int>(std::lround(static_cast<double>(length) * to / from));
}

int Dpi(const TMonitorArea& m) {
    return m.Dpi > 0 ? m.Dpi : kUnitDpi;
}
} // namespace

TWindowRect RememberedRect(const TWindowRect& client, const TMonitorArea& monitor) {
    const int dpi = Dpi(monitor);
    return {monitor.Left + Scale(client.Left - monitor.Left, kUnitDpi, dpi),
            monitor.Top + Scale(client.Top - monitor.Top, kUnitDpi, dpi),
            Scale(client.Width, kUnitDpi, dpi), Scale(client.Height, kUnitDpi, dpi)};
}

std::optional<TWindowRect> PlaceRememberedRect(const TWindowRect& remembered,
                                               const std::vector<TMonitorArea>& monitors) {
    if (remembered.Empty()) {
        return std::nullopt;
    }
    // Halves in 64 bits: a stored rectangle may be anything a file held.
    const long long middleX = remembered.Left + static_cast<long long>(remembered.Width) / 2;
    const long long middleY = remembered.Top + static_cast<long long>(remembered.Height) / 2;
    for (const TMonitorArea& m : monitors) {
        const int dpi = Dpi(m);
        // The monitor as the remembered units see it: its origin, its size scaled.
        const long long right = m.Left + Scale(m.Right - m.Left, kUnitDpi, dpi);
        const long long bottom = m.Top + Scale(m.Bottom - m.Top, kUnitDpi, dpi);
        if (middleX >= m.Left && middleX < right && middleY >= m.Top && middleY < bottom) {
            return TWindowRect{m.Left + Scale(remembered.Left - m.Left, dpi, kUnitDpi),
                               m.Top + Scale(remembered.Top - m.Top, dpi, kUnitDpi),
                               Scale(remembered.Width, dpi, kUnitDpi),
                               Scale(remembered.Height, dpi, kUnitDpi)};
        }
    }
    return std::nullopt;
}

} // namespace qmr
