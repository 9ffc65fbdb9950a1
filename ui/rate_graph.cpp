#include "ui/rate_graph.h"

#include "lang/lang_strings.h"
#include "lang/text_ids.h"
#include "report/device_status.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <array>
#include <utility>

namespace qmr {

namespace {

const QColor kReceiveColor(0x00, 0xA0, 0x00);
const QColor kSendColor(0x00, 0x50, 0xD0);
const QColor kAxisColor(0xA0, 0xA0, 0xA0);

class TQtGraphMetrics : public TGraphTextMetrics {
public:
    explicit TQtGraphMetrics(const QFontMetrics& metrics) : m_Metrics(metrics) {}
    int Width(const std::u16string& text) const override {
        return m_Metrics.horizontalAdvance(QString::fromStdU16String(text));
    }
    int LineHeight() const override { return m_Metrics.height(); }
    int Ascent() const override { return m_Metrics.ascent(); }

private:
    const QFontMetrics& m_Metrics;
};

QRect ToQt(const TGraphRect& r) {
    return QRect(r.Left, r.Top, r.Width, r.Height);
}

} // namespace

TRateGraph::TRateGraph(QWidget* parent) : QWidget(parent) {
    // Paints every pixel of its area, so nothing beneath is repainted with it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Track.Points.reserve(TTrafficTrack::kCapacity);
}

void TRateGraph::ShowTrack(const TTrafficTrack* track) {
    TakeGraphTrack(track, m_Track);
    std::u16string axisText = GetRateText(m_Track.Largest);
    const bool axisChanged = axisText != m_AxisText;
    m_AxisText = std::move(axisText);
    if (!isVisible()) {
        m_PlotDrawn = false; // shown again, it is painted whole
        return;
    }
    const bool whole = LayoutStale(RateGraphLabels()) || !m_Layout.Drawable;
    // Only the columns whose curves change are drawn again: none where a tick left the points
    // and the axis as they were, a few at the left end of an idle link's growing flat line.
    const std::optional<TColumnSpan> moved =
        m_PlotDrawn ? ChangedPlotColumns(m_Layout.Plot, m_Drawn, m_Track)
                    : TColumnSpan{m_Layout.Plot.Left - 1, m_Layout.Plot.Right() + 1};
    if (!moved && !axisChanged && !whole) {
        return;
    }
    m_Drawn = m_Track;
    m_PlotDrawn = true;
    ++m_RepaintRequests;
    if (whole) {
        update();
        return;
    }
    // The curves stay inside the plot but for half their pen; the texts outside it are shaped
    // and drawn again only when they change.
    QRegion changed;
    if (moved) {
        changed += QRect(moved->First, m_Layout.Plot.Top - 1, moved->Last - moved->First + 1,
                         m_Layout.Plot.Height + 2);
    }
    if (axisChanged) {
        changed += QRect(0, 0, width(), m_Layout.Plot.Top - 2);
    }
    update(changed);
}

bool TRateGraph::LayoutStale(const std::vector<std::u16string>& labels) const {
    return m_LayoutDpi < 0 || font() != m_LayoutFont || size() != m_LayoutSize ||
           logicalDpiY() != m_LayoutDpi || labels != m_LayoutLabels;
}

std::vector<TRateGraph::TLegendEntry> TRateGraph::LayOutLegend(const QFontMetrics& metrics,
                                                               int width, int top,
                                                               const QStringList& labels) {
    std::vector<std::u16string> texts;
    for (const QString& label : labels) {
        texts.push_back(label.toStdU16String());
    }
    std::vector<TLegendEntry> entries;
    for (const qmr::TLegendEntry& e : qmr::LayOutLegend(TQtGraphMetrics(metrics), width, top, texts)) {
        entries.push_back({ToQt(e.Swatch), QPoint(e.TextX, e.Baseline),
                           QString::fromStdU16String(e.Text)});
    }
    return entries;
}

void TRateGraph::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QFontMetrics metrics = fontMetrics();

    // The axis's top value above the plot, the legend below it in as many rows as it needs.
    std::vector<std::u16string> labels = RateGraphLabels();
    if (LayoutStale(labels)) {
        m_Layout = LayOutRateGraph(TQtGraphMetrics(metrics), width(), height(), labels);
        m_LayoutFont = font();
        m_LayoutSize = size();
        m_LayoutDpi = logicalDpiY();
        m_LayoutLabels = std::move(labels);
    }
    const TRateGraphLayout& layout = m_Layout;
    if (!layout.Drawable) {
        return;
    }
    const QRect plot = ToQt(layout.Plot);
    // A text line is drawn when the repaint reaches it or the row either side, where
    // antialiasing may spill over; a tick's repaint of the plot reaches none.
    const auto reaches = [&](int lineTop) {
        return event->region().intersects(QRect(0, lineTop - 1, width(), metrics.height() + 2));
    };
    painter.setPen(Qt::black);
    if (reaches(layout.AxisTextBaseline - metrics.ascent())) {
        painter.drawText(QPoint(plot.left(), layout.AxisTextBaseline),
                         QString::fromStdU16String(GetRateText(m_Track.Largest)));
    }
    const QColor colors[] = {kReceiveColor, kSendColor};
    for (std::size_t i = 0; i < layout.Legend.size(); ++i) {
        const qmr::TLegendEntry& entry = layout.Legend[i];
        painter.fillRect(ToQt(entry.Swatch), colors[i]);
        painter.setPen(Qt::black);
        if (reaches(entry.Baseline - metrics.ascent())) {
            painter.drawText(QPoint(entry.TextX, entry.Baseline),
                             QString::fromStdU16String(entry.Text));
        }
    }
    painter.setPen(kAxisColor);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    // The points whose segments reach the repainted columns: a few where an idle link's line
    // grows, all of them when the curves moved.
    const QRect area = event->region().boundingRect();
    const auto reached = PointsReaching(layout.Plot, PointCount(),
                                        TColumnSpan{area.left(), area.right()});
    if (!reached) {
        return;
    }
    const auto [first, last] = *reached;
    std::array<QPointF, TTrafficTrack::kCapacity> points;
    painter.setRenderHint(QPainter::Antialiasing);
    for (const bool receive : {true, false}) {
        for (int i = first; i <= last; ++i) {
            const TTrafficRate& p = m_Track.Points[static_cast<std::size_t>(i)];
            const TGraphPoint at = GraphPointAt(layout.Plot, i, PointCount(),
                                                receive ? p.InBps : p.OutBps, m_Track.AxisTop());
            points[static_cast<std::size_t>(i - first)] = QPointF(at.X, at.Y);
        }
        painter.setPen(QPen(receive ? kReceiveColor : kSendColor, 1.5));
        painter.drawPolyline(points.data(), last - first + 1);
    }
}

} // namespace qmr
