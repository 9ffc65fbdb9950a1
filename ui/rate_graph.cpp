#include "ui/rate_graph.h"

#include "lang/lang_strings.h"
#include "lang/text_ids.h"
#include "report/device_status.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace qmr {

namespace {

const QColor kReceiveColor(0x00, 0xA0, 0x00);
const QColor kSendColor(0x00, 0x50, 0xD0);
const QColor kAxisColor(0xA0, 0xA0, 0xA0);

QString Text(int id) {
    return QString::fromStdU16String(LANGUAGE::GetLangText(id));
}

} // namespace

TRateGraph::TRateGraph(QWidget* parent) : QWidget(parent) {
    // Paints every pixel of its area, so nothing beneath is repainted with it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TRateGraph::ShowTrack(const TTrafficTrack* track) {
    m_Count = track != nullptr ? track->Count() : 0;
    m_Largest = 0;
    for (int i = 0; i < m_Count; ++i) {
        m_Points[static_cast<std::size_t>(i)] = track->Point(i);
        m_Largest = std::max({m_Largest, track->Point(i).InBps, track->Point(i).OutBps});
    }
    m_AxisTop = std::max(m_Largest, 1.0);
    if (isVisible()) {
        ++m_RepaintRequests;
        update();
    }
}

std::vector<TRateGraph::TLegendEntry> TRateGraph::LayOutLegend(const QFontMetrics& metrics,
                                                               int width, int top,
                                                               const QStringList& labels) {
    const int line = metrics.height();
    // A box, a gap, the label; a line's height between entries of one row.
    const int boxAndGap = line - 2;
    int oneRow = 0;
    for (const QString& label : labels) {
        oneRow += (oneRow > 0 ? line : 0) + boxAndGap + metrics.horizontalAdvance(label);
    }
    const bool stacked = oneRow > width;
    std::vector<TLegendEntry> entries;
    int x = 0;
    int y = top;
    for (const QString& label : labels) {
        const QString text =
            metrics.elidedText(label, Qt::ElideRight, std::max(0, width - boxAndGap));
        entries.push_back({QRect(x, y + 3, line - 6, line - 6),
                           QPoint(x + boxAndGap, y + metrics.ascent()), text});
        if (stacked) {
            y += line;
        } else {
            x += boxAndGap + metrics.horizontalAdvance(text) + line;
        }
    }
    return entries;
}

void TRateGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();

    // The axis's top value above the plot, the legend below it in as many rows as it needs.
    const QStringList labels = {Text(LANGUAGE::TextReceiveRate), Text(LANGUAGE::TextSendRate)};
    if (m_Legend.empty() || font() != m_LegendFont || width() != m_LegendWidth ||
        logicalDpiY() != m_LegendDpi || labels != m_LegendLabels) {
        m_Legend = LayOutLegend(metrics, width(), 0, labels);
        m_LegendFont = font();
        m_LegendWidth = width();
        m_LegendDpi = logicalDpiY();
        m_LegendLabels = labels;
    }
    const std::vector<TLegendEntry>& legend = m_Legend;
    const int legendHeight = legend.back().Swatch.top() - 3 + line;
    const QRect plot(0, line + 2, width(), height() - line - legendHeight - 6);
    if (plot.width() < 2 || plot.height() < 2) {
        return;
    }
    painter.setPen(Qt::black);
    painter.drawText(QPoint(plot.left(), metrics.ascent()),
                     QString::fromStdU16String(GetRateText(m_Largest)));
    const int legendTop = plot.bottom() + 4;
    const QColor colors[] = {kReceiveColor, kSendColor};
    for (std::size_t i = 0; i < legend.size(); ++i) {
        painter.fillRect(legend[i].Swatch.translated(0, legendTop), colors[i]);
        painter.setPen(Qt::black);
        painter.drawText(legend[i].TextAt + QPoint(0, legendTop), legend[i].Text);
    }
    painter.setPen(kAxisColor);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    // The latest point at the right edge, one step a point, 120 points across.
    const double step = static_cast<double>(plot.width() - 1) / (TTrafficTrack::kCapacity - 1);
    const auto at = [&](int i, double bps) {
        return QPointF(plot.right() - (m_Count - 1 - i) * step,
                       plot.bottom() - bps / m_AxisTop * (plot.height() - 1));
    };
    std::array<QPointF, TTrafficTrack::kCapacity> points;
    painter.setRenderHint(QPainter::Antialiasing);
    for (const bool receive : {true, false}) {
        for (int i = 0; i < m_Count; ++i) {
            const TTrafficRate& p = m_Points[static_cast<std::size_t>(i)];
            points[static_cast<std::size_t>(i)] = at(i, receive ? p.InBps : p.OutBps);
        }
        painter.setPen(QPen(receive ? kReceiveColor : kSendColor, 1.5));
        painter.drawPolyline(points.data(), m_Count);
    }
}

} // namespace qmr
