#include "ui/margin_box.h"

#include <QEvent>

namespace qmr {

TMarginBox::TMarginBox(QWidget* content, int margin) : m_Content(content), m_Margin(margin) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    content->setParent(this);
    content->move(margin, margin);
    content->installEventFilter(this);
    resize(content->size() + QSize(2 * margin, 2 * margin));
}

bool TMarginBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Content) {
        if (event->type() == QEvent::Resize) {
            resize(m_Content->size() + QSize(2 * m_Margin, 2 * m_Margin));
        } else if (event->type() == QEvent::Move &&
                   m_Content->pos() != QPoint(m_Margin, m_Margin)) {
            m_Content->move(m_Margin, m_Margin);
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qmr
