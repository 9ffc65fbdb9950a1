#pragma once
// The rate graph's geometry without a toolkit, so that both windows draw the same graph: the
// axis top, where the legend's boxes and labels go (from text widths the toolkit measures), where
// the points fall in the plot, and where the graph sits beside or below the report lines.

#include "network/traffic_rates.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qmr {

// A rectangle in pixels; Right() and Bottom() are its last column and row, as the toolkits
// count them.
struct TGraphRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Right() const { return Left + Width - 1; }
    int Bottom() const { return Top + Height - 1; }
    bool operator==(const TGraphRect&) const = default;
};

struct TGraphPoint {
    double X = 0;
    double Y = 0;
};

// The graph's font as the toolkit measures it.
class TGraphTextMetrics {
public:
    virtual ~TGraphTextMetrics() = default;
    virtual int Width(const std::u16string& text) const = 0;
    // A line's height, and the baseline's distance from its top.
    virtual int LineHeight() const = 0;
    virtual int Ascent() const = 0;
};

// `text` as it fits in `width` pixels: whole, else cut with an ellipsis (never inside a
// surrogate pair), else empty.
std::u16string ElideRight(const TGraphTextMetrics& metrics, const std::u16string& text, int width);

struct TLegendEntry {
    TGraphRect Swatch;
    int TextX = 0;
    int Baseline = 0;
    std::u16string Text;
};

// Where the legend's colour boxes and labels go in a graph `width` wide, the first row at `top`:
// side by side where they fit, else one under the other, a label that still does not fit cut
// with an ellipsis. Measured, as a translated label may be twice the English one.
std::vector<TLegendEntry> LayOutLegend(const TGraphTextMetrics& metrics, int width, int top,
                                       const std::vector<std::u16string>& labels);

// The points of one track as the graph draws them, and the largest rate among them.
struct TGraphTrack {
    std::vector<TTrafficRate> Points;
    double Largest = 0;
    // The top of the axis: the largest rate shown, at least 1 bit per second.
    double AxisTop() const { return Largest > 1 ? Largest : 1; }
};
// Copies the points of `track` (null for none) into `into`, reusing its room.
void TakeGraphTrack(const TTrafficTrack* track, TGraphTrack& into);

// A run of the plot's columns, first and last included.
struct TColumnSpan {
    int First = 0;
    int Last = 0;
    bool operator==(const TColumnSpan&) const = default;
};

// The columns where the curves drawn for `after` differ from those drawn for `before` (as
// GraphPointAt places them, from the right edge), with the pen's spill a pixel past the plot;
// nothing when they are the same. A tick adds a point at the right and moves every other one,
// except on an idle link, whose flat line only grows at its left end; another axis top moves
// every point.
std::optional<TColumnSpan> ChangedPlotColumns(const TGraphRect& plot, const TGraphTrack& before,
                                              const TGraphTrack& after);
// The points, first and last index, whose segments reach `columns` of the plot, with two more
// either side so that a partial curve is drawn there as the whole one is; nothing when none do.
std::optional<std::pair<int, int>> PointsReaching(const TGraphRect& plot, int count,
                                                  const TColumnSpan& columns);

// The legend's labels in the current language: receive rate, send rate.
std::vector<std::u16string> RateGraphLabels();

// A graph of `width` by `height`: the axis top's text on the first line (its baseline at
// AxisTextBaseline), the framed plot, the legend under it in as many rows as it needs.
struct TRateGraphLayout {
    int AxisTextBaseline = 0;
    TGraphRect Plot;
    std::vector<TLegendEntry> Legend;
    // False when the plot would be too small to draw.
    bool Drawable = false;
};
TRateGraphLayout LayOutRateGraph(const TGraphTextMetrics& metrics, int width, int height,
                                 const std::vector<std::u16string>& labels);

// Where point `i` of `count` with `bps` falls in `plot`: the latest point at the right edge, one
// step a point, a full track across; 0 on the bottom row, `axisTop` on the top one.
TGraphPoint GraphPointAt(const TGraphRect& plot, int i, int count, double bps, double axisTop);

// Where the graph goes in the report, in the report lines' coordinates, and the height it adds
// below them (0 when it sits beside them).
struct TGraphPlacement {
    TGraphRect Rect;
    int AddedHeight = 0;
};
// `scaled` turns a design length (at 120 pixels per inch) into the window's pixels.
TGraphPlacement PlaceRateGraph(int textWidth, int textHeight, int viewWidth,
                               const std::function<int(int)>& scaled);

} // namespace qmr
