#pragma once
// The graph of the selected adapter's receive and send rates over the last two minutes, a part
// of the report: the report pane places it beside the lines, or below them when they are wide.

#include "network/traffic_rates.h"

#include <QFont>
#include <QFontMetrics>
#include <QStringList>
#include <QWidget>

#include <array>
#include <vector>

namespace qmr {

class TRateGraph : public QWidget {
public:
    explicit TRateGraph(QWidget* parent);

    // Takes the points of `track` (null for none) and repaints the graph's own area, only
    // while it is on the screen: a window in the notification area draws nothing.
    void ShowTrack(const TTrafficTrack* track);

    // Where the legend's colour boxes and labels go in a graph `width` wide, the first row at
    // `top`: side by side where they fit, else one under the other, a label that still does not
    // fit cut with an ellipsis. Measured, as a translated label may be twice the English one.
    struct TLegendEntry {
        QRect Swatch;
        QPoint TextAt; // the baseline's left end
        QString Text;
    };
    static std::vector<TLegendEntry> LayOutLegend(const QFontMetrics& metrics, int width, int top,
                                                  const QStringList& labels);

    int PointCount() const { return m_Count; }
    // The top of the axis: the largest rate shown, at least 1 bit per second.
    double AxisTop() const { return m_AxisTop; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class TFormMainTestAccess;

    std::array<TTrafficRate, TTrafficTrack::kCapacity> m_Points{};
    int m_Count = 0;
    double m_AxisTop = 1;
    double m_Largest = 0;
    // Read by tests only: how many repaints were asked for.
    int m_RepaintRequests = 0;
    // The legend as last laid out and what for: its labels are shaped again only when the
    // font, the width, the resolution or the language changes, not at every repaint.
    std::vector<TLegendEntry> m_Legend;
    QFont m_LegendFont;
    int m_LegendWidth = -1;
    int m_LegendDpi = -1;
    QStringList m_LegendLabels;
};

} // namespace qmr
