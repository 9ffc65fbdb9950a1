#pragma once
// The window was designed at 120 pixels per inch; its lengths are scaled to the screen it is on.

class QWidget;

namespace qmr {

// The widget's logical pixels per inch, or the primary screen's before it has any.
double PixelsPerInch(const QWidget& widget);

// A design length at 120 pixels per inch, rounded to this widget's screen.
int ScaledLength(const QWidget& widget, int designLength);

} // namespace qmr
