#include "report/rate_graph_layout.h"

#include "lang/lang_strings.h"
#include "lang/text_ids.h"

#include <algorithm>
#include <cmath>

namespace qmr {

std::vector<std::u16string> RateGraphLabels() {
    return {LANGUAGE::GetLangText(LANGUAGE::TextReceiveRate),
            LANGUAGE::GetLangText(LANGUAGE::TextSendRate)};
}

std::u16string ElideRight(const TGraphTextMetrics& metrics, const std::u16string& text, int width) {
    if (metrics.Width(text) <= width) {
        return text;
    }
    const std::u16string ellipsis = u"\u2026";
    // The longest head that fits with the ellipsis; a longer head is never narrower.
    std::size_t fits = 0;
    std::size_t low = 1, high = text.size();
    while (low <= high) {
        const std::size_t middle = low + (high - low) / 2;
        if (metrics.Width(text.substr(0, middle) + ellipsis) <= width) {
            fits = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    if (fits > 0 && text[fits - 1] >= 0xD800 && text[fits - 1] <= 0xDBFF) {
        --fits; // not half a character
    }
    if (fits == 0) {
        return metrics.Width(ellipsis) <= width ? ellipsis : std::u16string();
    }
    return text.substr(0, fits) + ellipsis;
}

std::vector<TLegendEntry> LayOutLegend(const TGraphTextMetrics& metrics, int width, int top,
                                       const std::vector<std::u16string>& labels) {
    const int line = metrics.LineHeight();
    // A box, a gap, the label; a line's height between entries of one row.
    const int boxAndGap = line - 2;
    int oneRow = 0;
    for (const std::u16string& label : labels) {
        oneRow += (oneRow > 0 ? line : 0) + boxAndGap + metrics.Width(label);
    }
    const bool stacked = oneRow > width;
    std::vector<TLegendEntry> entries;
    int x = 0;
    int y = top;
    for (const std::u16string& label : labels) {
        std::u16string text = ElideRight(metrics, label, std::max(0, width - boxAndGap));
        const int textWidth = metrics.Width(text);
        entries.push_back({TGraphRect{x, y + 3, line - 6, line - 6}, x + boxAndGap,
                           y + metrics.Ascent(), std::move(text)});
        if (stacked) {
            y += line;
        } else {
            x += boxAndGap + textWidth + line;
        }
    }
    return entries;
}

void TakeGraphTrack(const TTrafficTrack* track, TGraphTrack& into) {
    into.Points.clear();
    into.Largest = 0;
    const int count = track != nullptr ? track->Count() : 0;
    for (int i = 0; i < count; ++i) {
        const TTrafficRate& point = track->Point(i);
        into.Points.push_back(point);
        into.Largest = std::max({into.Largest, point.InBps, point.OutBps});
    }
}

TRateGraphLayout LayOutRateGraph(const TGraphTextMetrics& metrics, int width, int height,
                                 const std::vector<std::u16string>& labels) {
    TRateGraphLayout layout;
    const int line = metrics.LineHeight();
    layout.AxisTextBaseline = metrics.Ascent();
    layout.Legend = LayOutLegend(metrics, width, 0, labels);
    const int legendHeight = layout.Legend.empty() ? 0 : layout.Legend.back().Swatch.Top - 3 + line;
    layout.Plot = {0, line + 2, width, height - line - legendHeight - 6};
    const int legendTop = layout.Plot.Bottom() + 4;
    for (TLegendEntry& entry : layout.Legend) {
        entry.Swatch.Top += legendTop;
        entry.Baseline += legendTop;
    }
    layout.Drawable = layout.Plot.Width >= 2 && layout.Plot.Height >= 2;
    return layout;
}

namespace {
// The distance between two points' columns.
double PointStep(const TGraphRect& plot) {
    return static_cast<double>(plot.Width - 1) / (TTrafficTrack::kCapacity - 1);
}
} // namespace

TGraphPoint GraphPointAt(const TGraphRect& plot, int i, int count, double bps, double axisTop) {
    return {plot.Right() - (count - 1 - i) * PointStep(plot),
            plot.Bottom() - bps / axisTop * (plot.Height - 1)};
}

std::optional<TColumnSpan> ChangedPlotColumns(const TGraphRect& plot, const TGraphTrack& before,
                                              const TGraphTrack& after) {
    const TColumnSpan whole{plot.Left - 1, plot.Right() + 1};
    if (before.AxisTop() != after.AxisTop()) {
        return whole;
    }
    // Points are compared by their place from the right end, where both curves are anchored.
    const std::size_t n0 = before.Points.size();
    const std::size_t n1 = after.Points.size();
    std::optional<std::size_t> nearest;
    std::size_t farthest = 0;
    for (std::size_t j = 0; j < std::max(n0, n1); ++j) {
        const bool same = j < n0 && j < n1 &&
                          before.Points[n0 - 1 - j].InBps == after.Points[n1 - 1 - j].InBps &&
                          before.Points[n0 - 1 - j].OutBps == after.Points[n1 - 1 - j].OutBps;
        if (!same) {
            nearest = nearest.value_or(j);
            farthest = j;
        }
    }
    if (!nearest) {
        return std::nullopt;
    }
    // A point's segments reach its neighbours' columns; the pen and its antialiasing one more.
    const double step = PointStep(plot);
    const int first = static_cast<int>(std::floor(plot.Right() - (farthest + 1.0) * step)) - 1;
    const int last = static_cast<int>(std::ceil(plot.Right() - (*nearest - 1.0) * step)) + 1;
    return TColumnSpan{std::max(first, whole.First), std::min(last, whole.Last)};
}

std::optional<std::pair<int, int>> PointsReaching(const TGraphRect& plot, int count,
                                                  const TColumnSpan& columns) {
    const double step = PointStep(plot);
    if (count <= 0 || step <= 0) {
        return std::nullopt;
    }
    // Point i stands at Right - (count - 1 - i) * step.
    const int first =
        count - 1 - static_cast<int>(std::ceil((plot.Right() - columns.First) / step)) - 2;
    const int last =
        count - 1 - static_cast<int>(std::floor((plot.Right() - columns.Last) / step)) + 2;
    if (last < 0 || first > count - 1) {
        return std::nullopt;
    }
    return std::pair{std::max(first, 0), std::min(last, count - 1)};
}

TGraphPlacement PlaceRateGraph(int textWidth, int textHeight, int viewWidth,
                               const std::function<int(int)>& scaled) {
    const int graphHeight = scaled(130);
    const int gap = scaled(24);
    // Beside the lines, level with the last ones (the counters and rates), where they leave
    // room; otherwise below them, where it scrolls with the report.
    const int graphWidth =
        std::min(scaled(360), std::max(scaled(220), viewWidth - textWidth - gap));
    if (textWidth + gap + graphWidth <= viewWidth) {
        return {{viewWidth - graphWidth, std::max(0, textHeight - graphHeight), graphWidth,
                 graphHeight},
                0};
    }
    return {{0, textHeight + gap, graphWidth, graphHeight}, gap + graphHeight};
}

} // namespace qmr
