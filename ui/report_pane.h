#pragma once
// The report of the selected adapter: the white scroll box with the markup view in it, the
// rebuild that writes only the lines that changed, the wheel scrolling of the report, and the
// graph of the adapter's rates at its foot.

#include "network/traffic_rates.h"
#include "report/report_lines.h"
#include "ui/markup/markup_view.h"
#include "ui/picture_store.h"
#include "ui/rate_graph.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QScrollArea>
#include <QSize>
#include <QString>

namespace qmr {

class TReportPane : public QObject {
public:
    // The scroll box becomes a child of `window`, made at this point of the window's
    // construction so that it keeps its place in the stacking and focus order.
    explicit TReportPane(QWidget* window);

    QScrollArea* ScrollBox() const { return m_ScrollBox_Report; }
    THTMLStaticText* View() const { return m_HTMLStaticText_Report; }

    // Puts the scroll box at `area` and the view 12 pixels inside its client area.
    void Place(const QRect& area);

    // Shows the display report's markup lines, writing only the lines that changed, and
    // `track` (null for none) in the graph, which shows only beside an adapter's report.
    void ShowReport(const TLineList& lines, const TTrafficTrack* track, bool hasDevice);
    QSize MeasureMarkupLine(const QString& line) const;

    // One wheel turn of `wheelDelta` (120 a notch, negative towards the user); Shift scrolls
    // sideways. Stops at both ends of the bar.
    void ScrollByWheel(Qt::KeyboardModifiers shift, int wheelDelta);
    // Whether a point on the screen lies over the scroll box.
    bool IsUnder(QPoint globalPos) const;
    // Whether `focus` is the scroll box or inside it.
    bool HoldsFocus(const QWidget* focus) const;

private:
    friend class TFormMainTestAccess;

    // Puts the rate graph beside or below lines of this size in a view this wide; returns the
    // height it adds below them.
    int PlaceRateGraph(int textWidth, int textHeight, int viewWidth);
    // Writes the lines that changed and measures them all.
    void WriteLines(const TLineList& lines);

    QWidget* m_Window;
    TPictureContainer m_PictureContainer;
    QScrollArea* m_ScrollBox_Report;
    THTMLStaticText* m_HTMLStaticText_Report;
    TRateGraph* m_RateGraph;
    // The lines last written, what their sizes were measured with, and the height of all of
    // them and the width of the widest.
    TLineList m_ShownLines;
    THTMLStaticText::TLayoutKey m_ShownKey;
    int m_TextHeight = 0;
    int m_TextWidest = 0;
    // A notch scrolls this many pixels at 120 pixels per inch, 20 at 96.
    double m_WheelFactor = 16.0;
};

} // namespace qmr
