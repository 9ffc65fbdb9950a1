#include "poly_list.h"

#include "ui/picture_store.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace qmr {

namespace {

constexpr int kMargin = 3;
constexpr int kHeadingHeight = 34;
constexpr int kItemHeight = 28;
constexpr int kItemGap = 2;

struct Appearance {
    QColor Top, Bottom, Border;
};

// Normal, hovered, selected, pressed.
const Appearance kNormal{Qt::white, Qt::white, QColor(0xC0, 0xC0, 0xC0)};
const Appearance kHovered{QColor(0xFA, 0xFB, 0xFD), QColor(0xEB, 0xF3, 0xFD),
                          QColor(0xB8, 0xD6, 0xFB)};
const Appearance kSelected{QColor(0xDC, 0xEB, 0xFC), QColor(0xC1, 0xDB, 0xFC),
                           QColor(0x7D, 0xA2, 0xCE)};
const Appearance kPressed{QColor(0xF0, 0xF9, 0xFE), QColor(0xC1, 0xDB, 0xFC),
                          QColor(0x7D, 0xA2, 0xCE)};

} // namespace

TAdvPolyList::TAdvPolyList(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    QFont itemFont(QStringLiteral("Tahoma"));
    itemFont.setPixelSize(11);
    setFont(itemFont);
}

void TAdvPolyList::EndUpdate() {
    if (m_UpdateDepth > 0 && --m_UpdateDepth == 0 && m_Dirty) {
        m_Dirty = false;
        ++m_RepaintRequests;
        update();
    }
}

void TAdvPolyList::Changed() {
    if (m_UpdateDepth > 0) {
        m_Dirty = true;
        return;
    }
    ++m_RepaintRequests;
    update();
}

TPolyListItem* TAdvPolyList::Append(std::unique_ptr<TPolyListItem> item) {
    m_Items.push_back(std::move(item));
    Changed();
    return m_Items.back().get();
}

void TAdvPolyList::RemoveAt(int position) {
    m_Items.erase(m_Items.begin() + position);
    m_Hovered = m_Pressed = -1;
    Changed();
}

TPolyListItem* TAdvPolyList::SelectedItem() const {
    for (const auto& item : m_Items) {
        if (item->Selected) {
            return item.get();
        }
    }
    return nullptr;
}

void TAdvPolyList::SelectRequest(int position) {
    const TPolyListItem* before = SelectedItem();
    for (auto& item : m_Items) {
        item->Selected = false;
    }
    const bool anySelectable = std::any_of(m_Items.begin(), m_Items.end(),
                                           [](const auto& item) { return item->Selectable; });
    if (anySelectable) {
        position = std::clamp(position, 0, Count() - 1);
        Select(position);
    }
    // The window reselects at every poll; a selection that ends where it was needs no repaint.
    if (SelectedItem() != before) {
        Changed();
    }
}

void TAdvPolyList::Select(int position) {
    TPolyListItem* item = Item(position);
    if (!item->Selectable) {
        return;
    }
    item->Selected = true;
    emit ItemSelect(item);
}

QRect TAdvPolyList::ItemRect(int position) const {
    const int width = std::max(0, this->width() - 2 * kMargin - 1);
    if (position == 0 && !m_Items.empty() && !m_Items[0]->Selectable) {
        return {kMargin, kMargin - m_ScrollOffset, width, kHeadingHeight};
    }
    const bool heading = !m_Items.empty() && !m_Items[0]->Selectable;
    const int first = heading ? kMargin + kHeadingHeight + kItemGap * 2 : kMargin;
    const int index = heading ? position - 1 : position;
    return {kMargin, first + index * (kItemHeight + kItemGap) - m_ScrollOffset, width, kItemHeight};
}

int TAdvPolyList::PositionAt(QPoint point) const {
    for (int i = 0; i < Count(); ++i) {
        if (ItemRect(i).contains(point)) {
            return i;
        }
    }
    return -1;
}

void TAdvPolyList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x97, 0x97, 0x97));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    for (int i = 0; i < Count(); ++i) {
        const TPolyListItem& item = *Item(i);
        const QRect r = ItemRect(i);
        if (!r.intersects(rect())) {
            continue;
        }
        if (const auto* heading = dynamic_cast<const TImageSectionItem*>(&item)) {
            const QSize picture = heading->Picture.deviceIndependentSize().toSize();
            painter.drawPixmap(r.left() + 4, r.top() + (r.height() - picture.height()) / 2,
                               heading->Picture);
            QFont f = font();
            f.setPointSize(heading->CaptionSize);
            painter.setFont(f);
            painter.setPen(Qt::black);
            // A long caption (some languages' words are long) ends in an ellipsis, not mid-letter.
            const QRect text = r.adjusted(4 + picture.width() + heading->Spacing, 0, -2, 0);
            painter.drawText(
                text, Qt::AlignVCenter | Qt::AlignLeft,
                QFontMetrics(f).elidedText(item.Caption, Qt::ElideRight, text.width()));
            continue;
        }
        const Appearance& look = item.Selected    ? kSelected
                                 : i == m_Pressed ? kPressed
                                 : i == m_Hovered ? kHovered
                                                  : kNormal;
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setColorAt(0, look.Top);
        fill.setColorAt(1, look.Bottom);
        QPainterPath path;
        path.addRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        painter.fillPath(path, fill);
        painter.setPen(look.Border);
        painter.drawPath(path);
        int x = r.left() + 6;
        if (m_Images != nullptr && item.ImageIndex >= 0) {
            painter.drawPixmap(x, r.top() + (r.height() - 16) / 2,
                               m_Images->Pixmap(item.ImageIndex));
            x += 16 + item.Spacing;
        }
        painter.setFont(font());
        painter.setPen(Qt::black);
        const QRect text(x, r.top(), r.right() - x - 4, r.height());
        painter.drawText(
            text, Qt::AlignVCenter | Qt::AlignLeft,
            painter.fontMetrics().elidedText(item.Caption, Qt::ElideRight, text.width()));
    }
}

void TAdvPolyList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_Pressed = PositionAt(event->position().toPoint());
        update();
    }
    QWidget::mousePressEvent(event);
}

void TAdvPolyList::mouseReleaseEvent(QMouseEvent* event) {
    const int position = PositionAt(event->position().toPoint());
    const bool click = event->button() == Qt::LeftButton && position >= 0 && position == m_Pressed;
    m_Pressed = -1;
    if (click && Item(position)->Selectable) {
        for (auto& item : m_Items) {
            item->Selected = false;
        }
        Select(position);
        Changed();
    }
    update();
    QWidget::mouseReleaseEvent(event);
}

void TAdvPolyList::mouseMoveEvent(QMouseEvent* event) {
    const int hovered = PositionAt(event->position().toPoint());
    if (hovered != m_Hovered) {
        m_Hovered = hovered;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void TAdvPolyList::leaveEvent(QEvent* event) {
    m_Hovered = -1;
    update();
    QWidget::leaveEvent(event);
}

void TAdvPolyList::wheelEvent(QWheelEvent* event) {
    // No scroll bars, but a list longer than the window still scrolls with the wheel.
    const int content = Count() > 0 ? ItemRect(Count() - 1).bottom() + m_ScrollOffset + kMargin : 0;
    const int room = std::max(0, content - height() + 40);
    m_ScrollOffset = std::clamp(m_ScrollOffset - event->angleDelta().y() / 4, 0, room);
    update();
    event->accept();
}

} // namespace qmr
