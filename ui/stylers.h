#pragma once
// Stand-ins for the visual-style components. Qt draws with the platform's own style already, so
// the application styler and the visual-styles marker only record what was asked of them; the
// form styler reports a change of the platform's style or palette, which is what the window
// needs it for; the menu styler gives the popup menu its font.

#include <QEvent>
#include <QMenu>
#include <QObject>
#include <QString>

namespace qmr {

enum class TTMSStyle { tsOffice2003Blue, tsWindows7 };

class TAdvAppStyler {
public:
    TTMSStyle Style = TTMSStyle::tsOffice2003Blue;
    bool AutoThemeAdapt = true;
};

class TXPManifest {};

class TAdvFormStyler : public QObject {
    Q_OBJECT
public:
    TAdvFormStyler(QWidget* form, TAdvAppStyler* appStyler)
        : QObject(form), m_AppStyler(appStyler) {
        form->installEventFilter(this);
    }
    TTMSStyle Style = TTMSStyle::tsWindows7;
    bool AutoThemeAdapt = true;

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

private:
    TAdvAppStyler* m_AppStyler;
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
