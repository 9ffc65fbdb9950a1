#pragma once
// The named pictures of the report markup, and the four status pictures of the item list and
// the tray icon. All are SVG drawings of our own, compiled into the program.

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QVector>

namespace qmr {

// Pictures addressed by name from "<img src=...>".
class TPictureContainer {
public:
    TPictureContainer();
    // A null pixmap for a name the store does not hold.
    QPixmap Picture(const QString& name) const { return m_Pictures.value(name); }
    bool Contains(const QString& name) const { return m_Pictures.contains(name); }

private:
    QHash<QString, QPixmap> m_Pictures;
};

// The four 16 x 16 status pictures, addressed by the status picture index 0 to 3.
class TImageList {
public:
    TImageList();
    int Count() const { return m_Icons.size(); }
    // Index outside 0..3: a null icon.
    QIcon Icon(int index) const {
        return index >= 0 && index < m_Icons.size() ? m_Icons[index] : QIcon();
    }
    QPixmap Pixmap(int index) const { return Icon(index).pixmap(16, 16); }

private:
    QVector<QIcon> m_Icons;
};

// The heading item's picture and the application's icon.
QPixmap HeadingPicture();
QIcon ApplicationIcon();

} // namespace qmr
