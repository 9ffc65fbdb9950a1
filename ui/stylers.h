#pragma once
// The two styling pieces that still have a job under Qt: the form styler reports a change of
// the platform's style, palette or theme, so that the window rebuilds its report; the menu
// styler gives the popup menu its font.

#include <QEvent>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QWidget>

namespace qmr {

class TAdvFormStyler : public QObject {
    Q_OBJECT
public:
    explicit TAdvFormStyler(QWidget* form) : QObject(form) { form->installEventFilter(this); }

signals:
    void Change(QObject* sender);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::ThemeChange:
            emit Change(watched);
            break;
        default:
            break;
        }
        return false;
    }
};

class TAdvMenuOfficeStyler {
public:
    void Apply(QMenu* menu) const {
        QFont font(QStringLiteral("Segoe UI"));
        font.setPixelSize(12);
        menu->setFont(font);
    }
};

} // namespace qmr
