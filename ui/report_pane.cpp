#include "ui/report_pane.h"

#include "ui/margin_box.h"
#include "ui/screen_scale.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace qmr {

TReportPane::TReportPane(QWidget* window) : QObject(window), m_Window(window) {
    m_ScrollBox_Report = new QScrollArea(window);
    m_ScrollBox_Report->setFrameShape(QFrame::NoFrame);
    m_ScrollBox_Report->setWidgetResizable(false);
    m_ScrollBox_Report->setFocusPolicy(Qt::StrongFocus);
    QPalette white = m_ScrollBox_Report->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_ScrollBox_Report->setPalette(white);
    m_ScrollBox_Report->setAutoFillBackground(true);
    m_ScrollBox_Report->viewport()->setAutoFillBackground(true);
    m_ScrollBox_Report->viewport()->setPalette(white);

    m_HTMLStaticText_Report = new THTMLStaticText;
    m_HTMLStaticText_Report->SetLineSpacing(4);
    m_HTMLStaticText_Report->SetPictureContainer(&m_PictureContainer);
    m_HTMLStaticText_Report->setFocusPolicy(Qt::ClickFocus);
    // In a box of its own, or the scroll area would move it to its top-left corner.
    m_ScrollBox_Report->setWidget(new TMarginBox(m_HTMLStaticText_Report, 12));
    m_RateGraph = new TRateGraph(m_HTMLStaticText_Report);
}

void TReportPane::Place(const QRect& area) {
    // Set after scaling and not scaled themselves.
    m_ScrollBox_Report->setGeometry(area);
    const QSize client = m_ScrollBox_Report->viewport()->size();
    m_HTMLStaticText_Report->setGeometry(12, 12, client.width() - 12 - 12,
                                         client.height() - 12 - 12);
}

void TReportPane::ShowReport(const TLineList& lines, const TTrafficTrack* track, bool hasDevice) {
    m_RateGraph->setVisible(hasDevice); // no graph beside "No Network Interfaces"
    m_RateGraph->ShowTrack(track);

    THTMLStaticText* view = m_HTMLStaticText_Report;
    view->BeginUpdate();
    // An idle adapter's report reads the same from one tick to the next: its lines are not
    // converted and measured again unless they or what their sizes depend on changed.
    if (lines != m_ShownLines || view->LayoutKey() != m_ShownKey) {
        WriteLines(lines);
    }
    const QSize client = m_ScrollBox_Report->viewport()->size();
    const int width = std::max(client.width() - 24, m_TextWidest);
    const int height =
        24 + m_TextHeight + PlaceRateGraph(m_TextWidest, m_TextHeight, client.width() - 24);
    view->resize(width, std::max(height, client.height() - 24));
    view->EndUpdate();
}

void TReportPane::WriteLines(const TLineList& lines) {
    THTMLStaticText* view = m_HTMLStaticText_Report;
    const int n = static_cast<int>(lines.size());
    m_TextHeight = 0;
    m_TextWidest = 0;
    for (int i = 0; i < n; ++i) {
        QString line = QString::fromStdU16String(lines[static_cast<std::size_t>(i)]);
        const QSize size = MeasureMarkupLine(line);
        m_TextHeight += size.height();
        m_TextWidest = std::max(m_TextWidest, size.width());
        line += QStringLiteral("<br>");
        if (i < view->LineCount()) {
            if (view->Line(i) != line) {
                view->ReplaceLine(i, line);
            }
        } else {
            view->AppendLine(line);
        }
    }
    for (int i = view->LineCount() - 1; i >= n; --i) {
        view->DeleteLine(i);
    }
    m_ShownLines = lines;
    m_ShownKey = view->LayoutKey();
}

int TReportPane::PlaceRateGraph(int textWidth, int textHeight, int viewWidth) {
    const TGraphPlacement placed =
        qmr::PlaceRateGraph(textWidth, textHeight, viewWidth,
                            [this](int length) { return ScaledLength(*m_Window, length); });
    const TGraphRect& r = placed.Rect;
    m_RateGraph->setGeometry(r.Left, r.Top, r.Width, r.Height);
    return placed.AddedHeight;
}

QSize TReportPane::MeasureMarkupLine(const QString& line) const {
    return m_HTMLStaticText_Report->MeasureMarkup(line);
}

void TReportPane::ScrollByWheel(Qt::KeyboardModifiers shift, int wheelDelta) {
    const int step =
        static_cast<int>(std::trunc(m_WheelFactor * -wheelDelta / PixelsPerInch(*m_Window)));
    QScrollBar* bar = (shift & Qt::ShiftModifier) ? m_ScrollBox_Report->horizontalScrollBar()
                                                  : m_ScrollBox_Report->verticalScrollBar();
    if (step > 0 && bar->value() < bar->maximum()) {
        bar->setValue(std::min(bar->value() + step, bar->maximum()));
    } else if (step <= 0 && bar->value() > 0) {
        bar->setValue(std::max(bar->value() + step, 0));
    }
}

bool TReportPane::IsUnder(QPoint globalPos) const {
    const QPoint local = m_ScrollBox_Report->mapFromGlobal(globalPos);
    return local.x() >= 0 && local.y() >= 0 && local.x() < m_ScrollBox_Report->width() &&
           local.y() < m_ScrollBox_Report->height();
}

bool TReportPane::HoldsFocus(const QWidget* focus) const {
    return focus != nullptr &&
           (focus == m_ScrollBox_Report || m_ScrollBox_Report->isAncestorOf(focus));
}

} // namespace qmr
