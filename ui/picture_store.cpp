#include "picture_store.h"

#include <QPainter>
#include <QSvgRenderer>

static void InitQuillmereIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace qmr {

namespace {

QPixmap Render(const QString& resource, int size) {
    InitQuillmereIcons();
    QSvgRenderer renderer(resource);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon IconFrom(const QString& resource) {
    InitQuillmereIcons();
    return QIcon(resource);
}

} // namespace

TPictureContainer::TPictureContainer() {
    for (const char* name : {"net_home", "error", "online", "warning"}) {
        m_Pictures.insert(QString::fromLatin1(name),
                          Render(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)), 32));
    }
}

TImageList::TImageList() {
    for (int i = 0; i < 4; ++i) {
        m_Icons.push_back(IconFrom(QStringLiteral(":/icons/status_%1.svg").arg(i)));
    }
}

QPixmap HeadingPicture() {
    return Render(QStringLiteral(":/icons/heading.svg"), 24);
}

QIcon ApplicationIcon() {
    return IconFrom(QStringLiteral(":/icons/quillmere.svg"));
}

} // namespace qmr
