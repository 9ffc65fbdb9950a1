#pragma once
// The report view: a list of markup lines rendered as one markup text in which only <br> ends a
// line. Changes are batched; when the outermost batch ends the view repaints the lines that look
// different, or moved, and nothing else.

#include "ui/markup/markup_layout.h"

#include <QFont>
#include <QHash>
#include <QSize>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace qmr {

class THTMLStaticText : public QWidget {
    Q_OBJECT
public:
    explicit THTMLStaticText(QWidget* parent = nullptr);

    void SetPictureContainer(const TPictureContainer* pictures) { m_Pictures = pictures; }
    void SetLineSpacing(int spacing) { m_LineSpacing = spacing; }
    int LineSpacing() const { return m_LineSpacing; }

    int LineCount() const { return m_Lines.size(); }
    QString Line(int i) const { return m_Lines.at(i); }
    void ReplaceLine(int i, const QString& line);
    void AppendLine(const QString& line);
    void DeleteLine(int i);

    void BeginUpdate() { ++m_UpdateDepth; }
    void EndUpdate();

    // The lines' text without markup, one line a line.
    QString PlainText() const;

    // Width and height of one markup text as this view lays it out.
    QSize MeasureMarkup(const QString& markup) const;

    // How many line writes (replacements and appends) and repaints the view has had; the
    // report relies on writing only the lines that changed.
    int LineWrites() const { return m_LineWrites; }
    int RepaintRequests() const { return m_RepaintRequests; }

    // What a layout of the lines, and a measure of one, depends on besides their markup.
    struct TLayoutKey {
        QFont Font;
        int Spacing = -1;
        int Dpi = -1;
        const TPictureContainer* Pictures = nullptr;
        bool operator==(const TLayoutKey&) const = default;
    };
    TLayoutKey LayoutKey() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Changed();
    // Lays the lines out afresh and asks for a repaint of the rows that differ from the last
    // layout.
    void RepaintChanges();
    TMarkupMetrics Metrics() const;
    void LayOut();

    QStringList m_Lines;
    // The lines as painted: parsed from all the markup (a line's style may run on into the
    // next), with the top of each and the foot of the last. A counter's tick changes one or two
    // of some thirty lines; painting only those is most of what the window saves in a second.
    std::vector<TMarkupLine> m_LaidLines;
    std::vector<int> m_LineTops;
    TLayoutKey m_LaidKey;
    bool m_LaidOut = false;
    // The sizes MeasureMarkup found, by markup, for the font, spacing and resolution it found
    // them with: from one poll to the next a report repeats most of its lines, and shaping
    // their text again was most of what the window did in a second.
    mutable QHash<QString, QSize> m_Measured;
    mutable TLayoutKey m_MeasuredKey;
    const TPictureContainer* m_Pictures = nullptr;
    int m_LineSpacing = 4;
    int m_UpdateDepth = 0;
    bool m_Dirty = false;
    int m_LineWrites = 0;
    int m_RepaintRequests = 0;
};

} // namespace qmr
