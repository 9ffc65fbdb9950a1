#pragma once
// The graph of the selected adapter's receive and send rates over the last two minutes, a part
// of the report: the report pane places it beside the lines, or below them when they are wide.
// Its geometry is report/rate_graph_layout.h's, which the Win32 window draws too.

#include "network/traffic_rates.h"
#include "report/rate_graph_layout.h"

#include <QFont>
#include <QFontMetrics>
#include <QSize>
#include <QStringList>
#include <QWidget>

#include <string>
#include <vector>

namespace qmr {

class TRateGraph : public QWidget {
public:
    explicit TRateGraph(QWidget* parent);

    // Takes the points of `track` (null for none) and repaints what changed of the graph (the
    // plot columns whose curves moved, the axis text), only while it is on the screen: a
    // window in the notification area draws nothing.
    void ShowTrack(const TTrafficTrack* track);

    // The legend as LayOutLegend places it, measured with `metrics`.
    struct TLegendEntry {
        QRect Swatch;
        QPoint TextAt; // the baseline's left end
        QString Text;
    };
    static std::vector<TLegendEntry> LayOutLegend(const QFontMetrics& metrics, int width, int top,
                                                  const QStringList& labels);

    int PointCount() const { return static_cast<int>(m_Track.Points.size()); }
    // The top of the axis: the largest rate shown, at least 1 bit per second.
    double AxisTop() const { return m_Track.AxisTop(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class TFormMainTestAccess;

    // Whether the layout below was made for another font, size, resolution or language.
    bool LayoutStale(const std::vector<std::u16string>& labels) const;

    TGraphTrack m_Track;
    // What the plot was last asked to show, and whether it still shows it (a hidden graph is
    // painted whole when shown again).
    TGraphTrack m_Drawn;
    bool m_PlotDrawn = false;
    // Read by tests only: how many repaints were asked for.
    int m_RepaintRequests = 0;
    // The layout as last made and what for: the labels are shaped again only when the font,
    // the size, the resolution or the language changes, not at every repaint.
    TRateGraphLayout m_Layout;
    QFont m_LayoutFont;
    QSize m_LayoutSize;
    int m_LayoutDpi = -1;
    std::vector<std::u16string> m_LayoutLabels;
    // The axis top's text as the last track gave it, to tell whether it changed.
    std::u16string m_AxisText;
};

} // namespace qmr
