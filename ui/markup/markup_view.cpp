#include "markup_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <span>

namespace qmr {

THTMLStaticText::THTMLStaticText(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void THTMLStaticText::ReplaceLine(int i, const QString& line) {
    m_Lines[i] = line;
    ++m_LineWrites;
    Changed();
}

void THTMLStaticText::AppendLine(const QString& line) {
    m_Lines.append(line);
    ++m_LineWrites;
    Changed();
}

void THTMLStaticText::DeleteLine(int i) {
    m_Lines.removeAt(i);
    Changed();
}

void THTMLStaticText::EndUpdate() {
    if (m_UpdateDepth > 0 && --m_UpdateDepth == 0 && m_Dirty) {
        m_Dirty = false;
        RepaintChanges();
    }
}

void THTMLStaticText::Changed() {
    if (m_UpdateDepth > 0) {
        m_Dirty = true;
        return;
    }
    RepaintChanges();
}

THTMLStaticText::TLayoutKey THTMLStaticText::LayoutKey() const {
    return {font(), m_LineSpacing, logicalDpiY(), m_Pictures};
}

void THTMLStaticText::LayOut() {
    m_LaidKey = LayoutKey();
    m_LaidLines = ParseMarkup(m_Lines.join(QString()).toStdU16String());
    m_LineTops = MarkupLineTops(m_LaidLines, Metrics());
    m_LaidOut = true;
}

void THTMLStaticText::RepaintChanges() {
    // A layout made with another font or resolution says nothing of what is on the screen.
    if (!m_LaidOut || m_LaidKey != LayoutKey()) {
        LayOut();
        ++m_RepaintRequests;
        update();
        return;
    }
    const std::vector<TMarkupLine> oldLines = std::move(m_LaidLines);
    const std::vector<int> oldTops = std::move(m_LineTops);
    LayOut();
    const std::size_t oldCount = oldLines.size();
    const std::size_t newCount = m_LaidLines.size();
    // With two rows of the neighbours, where an accent or a descender may reach.
    auto row = [this](const std::vector<int>& tops, std::size_t i) {
        return QRect(0, tops[i] - 2, width(), tops[i + 1] - tops[i] + 4);
    };
    QRegion changed;
    for (std::size_t i = 0; i < std::max(oldCount, newCount); ++i) {
        const bool same = i < oldCount && i < newCount && oldLines[i] == m_LaidLines[i] &&
                          oldTops[i] == m_LineTops[i] && oldTops[i + 1] == m_LineTops[i + 1];
        if (same) {
            continue;
        }
        if (i < oldCount) {
            changed += row(oldTops, i);
        }
        if (i < newCount) {
            changed += row(m_LineTops, i);
        }
    }
    if (!changed.isEmpty()) {
        ++m_RepaintRequests;
        update(changed);
    }
}

TMarkupMetrics THTMLStaticText::Metrics() const {
    return {font(), palette().color(QPalette::WindowText), m_LineSpacing, m_Pictures};
}

QString THTMLStaticText::PlainText() const {
    QStringList lines;
    for (const TMarkupLine& line : ParseMarkup(m_Lines.join(QString()).toStdU16String())) {
        QString text;
        for (const TMarkupRun& run : line) {
            text += QString::fromStdU16String(run.Text);
        }
        lines << text;
    }
    return lines.join(QLatin1Char('\n'));
}

QSize THTMLStaticText::MeasureMarkup(const QString& markup) const {
    // Counters and rates make new lines every second; the memo is started afresh long before
    // it could matter.
    constexpr qsizetype kMeasuredLimit = 4096;
    if (const TLayoutKey key = LayoutKey();
        key != m_MeasuredKey || m_Measured.size() >= kMeasuredLimit) {
        m_Measured.clear();
        m_MeasuredKey = key;
    }
    if (const auto found = m_Measured.constFind(markup); found != m_Measured.constEnd()) {
        return *found;
    }
    const QSize size = LayoutMarkup(ParseMarkup(markup.toStdU16String()), Metrics());
    m_Measured.insert(markup, size);
    return size;
}

void THTMLStaticText::paintEvent(QPaintEvent* event) {
    if (!m_LaidOut || m_LaidKey != LayoutKey()) {
        LayOut();
    }
    const std::size_t count = m_LaidLines.size();
    // The lines the repaint reaches, and one either side, since a glyph may reach past its own
    // row; each painted once, or antialiased edges would darken.
    std::vector<bool> reached(count);
    for (std::size_t i = 0; i < count; ++i) {
        reached[i] = event->region().intersects(
            QRect(0, m_LineTops[i], width(), m_LineTops[i + 1] - m_LineTops[i]));
    }
    std::vector<bool> paint(count);
    for (std::size_t i = 0; i < count; ++i) {
        paint[i] = reached[i] || (i > 0 && reached[i - 1]) || (i + 1 < count && reached[i + 1]);
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const TMarkupMetrics metrics = Metrics();
    const std::span<const TMarkupLine> lines(m_LaidLines);
    for (std::size_t first = 0; first < count;) {
        if (!paint[first]) {
            ++first;
            continue;
        }
        std::size_t end = first;
        while (end < count && paint[end]) {
            ++end;
        }
        LayoutMarkup(lines.subspan(first, end - first), metrics, &painter,
                     QPoint(0, m_LineTops[first]));
        first = end;
    }
}

} // namespace qmr
