#pragma once
// A white box that holds one widget a margin inside its edges and grows and shrinks with it.
// A scroll area moves the widget it scrolls to its own top-left corner; put inside this box,
// the report keeps its margin after every resize and rebuild, and scrolls with it.

#include <QWidget>

namespace qmr {

class TMarginBox : public QWidget {
public:
    // `content` becomes the box's child at (margin, margin).
    TMarginBox(QWidget* content, int margin);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_Content;
    int m_Margin;
};

} // namespace qmr
