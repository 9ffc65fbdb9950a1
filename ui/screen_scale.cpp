#include "ui/screen_scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace qmr {

namespace {
constexpr int kDesignPpi = 120;
} // namespace

double PixelsPerInch(const QWidget& widget) {
    const int dpi = widget.logicalDpiY();
    if (dpi > 0) {
        return dpi;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
}

int ScaledLength(const QWidget& widget, int designLength) {
    return static_cast<int>(std::lround(designLength * PixelsPerInch(widget) / kDesignPpi));
}

} // namespace qmr
