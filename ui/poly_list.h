#pragma once
// The adapter list: a heading item that cannot be selected, then image-and-text items, painted
// with the gradients of the window's item appearance table. It takes the keyboard focus, moves
// the selection by key as a click does, and tells assistive technology about its items.

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

namespace qmr {

class TImageList;

class TPolyListItem {
public:
    virtual ~TPolyListItem() = default;
    QString Caption;
    std::uint32_t Tag = 0;
    int Spacing = 8;
    int ImageIndex = -1;
    bool Selectable = true;
    bool Selected = false;
    // What the status picture says, for assistive technology.
    QString StatusText;
};

// The heading: its own picture and a larger caption; never selectable.
class TImageSectionItem : public TPolyListItem {
public:
    TImageSectionItem() { Selectable = false; }
    QPixmap Picture;
    int CaptionSize = 12;
};

class TAdvPolyList : public QWidget {
    Q_OBJECT
public:
    explicit TAdvPolyList(QWidget* parent = nullptr);

    void SetImages(const TImageList* images) { m_Images = images; }

    void BeginUpdate() { ++m_UpdateDepth; }
    void EndUpdate();

    // The list owns its items.
    TPolyListItem* Append(std::unique_ptr<TPolyListItem> item);
    TPolyListItem* Insert(int position, std::unique_ptr<TPolyListItem> item);
    void RemoveAt(int position);
    void SetCaption(int position, const QString& caption);
    int Count() const { return static_cast<int>(m_Items.size()); }
    TPolyListItem* Item(int position) const {
        return m_Items.at(static_cast<std::size_t>(position)).get();
    }
    // The selected item, or null.
    TPolyListItem* SelectedItem() const;

    // Unselects every item; then, when any item is selectable, selects the item at the position
    // clamped to the list and raises ItemSelect for it, even when it was selected before.
    void SelectRequest(int position);

    // A value the list keeps for its owner (the window keeps the selected position here).
    int Tag = 0;

    int RepaintRequests() const { return m_RepaintRequests; }
    QRect ItemRect(int position) const;
    // The position of the selected item, or -1.
    int SelectedPosition() const;

signals:
    void ItemSelect(TPolyListItem* item);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Changed();
    int PositionAt(QPoint point) const;
    void Select(int position);
    // Selects the item at `position` alone, as a click on it does, and scrolls it into view.
    void SelectAlone(int position);
    // The selectable position a navigation key leads to from the selected one, or -1.
    int KeyTarget(int key) const;
    void ScrollIntoView(int position);
    void AnnounceSelection(int position);
    // Lengths laid out at 96 pixels per inch, scaled to this screen.
    int Scaled96(int length) const;

    std::vector<std::unique_ptr<TPolyListItem>> m_Items;
    const TImageList* m_Images = nullptr;
    int m_UpdateDepth = 0;
    bool m_Dirty = false;
    int m_RepaintRequests = 0;
    int m_Hovered = -1;
    int m_Pressed = -1;
    int m_ScrollOffset = 0;
};

} // namespace qmr
