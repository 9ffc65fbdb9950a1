#include "poly_list.h"

#include "ui/picture_store.h"
#include "ui/screen_scale.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <cmath>

namespace qmr {

namespace {

// At 96 pixels per inch; the heading's and items' heights and the item font follow the screen.
constexpr int kMargin = 3;
constexpr int kHeadingHeight = 34;
constexpr int kItemHeight = 28;
constexpr int kItemGap = 2;
constexpr int kItemFontPixels = 11;
// The strip at the list's foot that the expert-mode box covers.
constexpr int kFootRoom = 40;

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
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    QFont itemFont(QStringLiteral("Tahoma"));
    itemFont.setPixelSize(Scaled96(kItemFontPixels));
    setFont(itemFont);
}

int TAdvPolyList::Scaled96(int length) const {
    return static_cast<int>(std::lround(length * PixelsPerInch(*this) / 96.0));
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

TPolyListItem* TAdvPolyList::Insert(int position, std::unique_ptr<TPolyListItem> item) {
    const auto at = m_Items.insert(m_Items.begin() + position, std::move(item));
    m_Hovered = m_Pressed = -1;
    Changed();
    return at->get();
}

void TAdvPolyList::SetCaption(int position, const QString& caption) {
    Item(position)->Caption = caption;
    Changed();
}

void TAdvPolyList::RemoveAt(int position) {
    m_Items.erase(m_Items.begin() + position);
    m_Hovered = m_Pressed = -1;
    Changed();
}

int TAdvPolyList::SelectedPosition() const {
    for (int i = 0; i < Count(); ++i) {
        if (Item(i)->Selected) {
            return i;
        }
    }
    return -1;
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
    // The window reselects at every poll; a selection that ends where it was needs no repaint
    // and no announcement.
    if (SelectedItem() != before) {
        Changed();
        AnnounceSelection(SelectedPosition());
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
    const int headingHeight = Scaled96(kHeadingHeight);
    const int itemHeight = Scaled96(kItemHeight);
    if (position == 0 && !m_Items.empty() && !m_Items[0]->Selectable) {
        return {kMargin, kMargin - m_ScrollOffset, width, headingHeight};
    }
    const bool heading = !m_Items.empty() && !m_Items[0]->Selectable;
    const int first = heading ? kMargin + headingHeight + kItemGap * 2 : kMargin;
    const int index = heading ? position - 1 : position;
    return {kMargin, first + index * (itemHeight + kItemGap) - m_ScrollOffset, width, itemHeight};
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
    if (hasFocus()) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = rect().adjusted(1, 1, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
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
        SelectAlone(position);
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
    const int room = std::max(0, content - height() + kFootRoom);
    m_ScrollOffset = std::clamp(m_ScrollOffset - event->angleDelta().y() / 4, 0, room);
    update();
    event->accept();
}

void TAdvPolyList::SelectAlone(int position) {
    const int before = SelectedPosition();
    for (auto& item : m_Items) {
        item->Selected = false;
    }
    Select(position);
    ScrollIntoView(position);
    Changed();
    if (position != before) {
        AnnounceSelection(position);
    }
}

int TAdvPolyList::KeyTarget(int key) const {
    std::vector<int> selectable;
    for (int i = 0; i < Count(); ++i) {
        if (Item(i)->Selectable) {
            selectable.push_back(i);
        }
    }
    if (selectable.empty()) {
        return -1;
    }
    const int last = static_cast<int>(selectable.size()) - 1;
    const auto found = std::find(selectable.begin(), selectable.end(), SelectedPosition());
    // With nothing selected, every key starts from the first adapter.
    const int at = found != selectable.end() ? static_cast<int>(found - selectable.begin()) : -1;
    const int page = std::max(1, (height() - kFootRoom) / (Scaled96(kItemHeight) + kItemGap) - 1);
    switch (key) {
    case Qt::Key_Up:
        return selectable[std::max(at - 1, 0)];
    case Qt::Key_Down:
        return selectable[std::min(at + 1, last)];
    case Qt::Key_Home:
        return selectable.front();
    case Qt::Key_End:
        return selectable.back();
    case Qt::Key_PageUp:
        return selectable[std::max(at - page, 0)];
    case Qt::Key_PageDown:
        return selectable[std::clamp(at + page, 0, last)];
    default:
        return -1;
    }
}

void TAdvPolyList::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int target = KeyTarget(event->key());
    if (target < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A key that leads nowhere new (Down on the last adapter) raises nothing.
    if (target != SelectedPosition()) {
        SelectAlone(target);
    }
    event->accept();
}

void TAdvPolyList::ScrollIntoView(int position) {
    const QRect r = ItemRect(position);
    const int bottom = height() - kFootRoom;
    int offset = m_ScrollOffset;
    if (r.top() < kMargin) {
        offset += r.top() - kMargin;
    } else if (r.bottom() > bottom) {
        offset += r.bottom() - bottom;
    }
    m_ScrollOffset = std::max(0, offset);
}

void TAdvPolyList::AnnounceSelection(int position) {
    if (position < 0) {
        return;
    }
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(position);
    QAccessible::updateAccessibility(&selection);
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(position);
        QAccessible::updateAccessibility(&focus);
    }
}

} // namespace qmr
