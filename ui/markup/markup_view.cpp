#include "markup_view.h"

#include <QPainter>

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
        ++m_RepaintRequests;
        update();
    }
}

void THTMLStaticText::Changed() {
    if (m_UpdateDepth > 0) {
        m_Dirty = true;
        return;
    }
    ++m_RepaintRequests;
    update();
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
    if (font() != m_MeasuredFont || m_LineSpacing != m_MeasuredSpacing ||
        logicalDpiY() != m_MeasuredDpi || m_Pictures != m_MeasuredPictures ||
        m_Measured.size() >= kMeasuredLimit) {
        m_Measured.clear();
        m_MeasuredFont = font();
        m_MeasuredSpacing = m_LineSpacing;
        m_MeasuredDpi = logicalDpiY();
        m_MeasuredPictures = m_Pictures;
    }
    if (const auto found = m_Measured.constFind(markup); found != m_Measured.constEnd()) {
        return *found;
    }
    const QSize size = LayoutMarkup(ParseMarkup(markup.toStdU16String()), Metrics());
    m_Measured.insert(markup, size);
    return size;
}

void THTMLStaticText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    LayoutMarkup(ParseMarkup(m_Lines.join(QString()).toStdU16String()), Metrics(), &painter);
}

} // namespace qmr
