#include "picture_store.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

static void InitQuillmereIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace qmr {

namespace {

// Drawn at the screen's device pixel ratio, so that a scaled screen (QT_SCALE_FACTOR=2, a
// high-density display) shows the drawing sharp rather than a small picture stretched; its
// size in the layout stays `size` (deviceIndependentSize).
QPixmap Render(const QString& resource, int size) {
    InitQuillmereIcons();
    const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    const int pixels = qCeil(size * ratio);
    QSvgRenderer renderer(resource);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    pixmap.setDevicePixelRatio(ratio);
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
