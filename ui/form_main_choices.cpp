// The window's remembered choices: put in place at construction, written as they change.

#include "form_main.h"

#include <QGuiApplication>
#include <QScreen>

namespace qmr {

namespace {
// Long enough that a drag or a resize writes once, when it ends.
constexpr int kGeometrySaveDelayMs = 500;

// A window whose middle no screen shows (a monitor since unplugged) would open out of reach.
bool OnSomeScreen(const QRect& geometry) {
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        if (screen->geometry().contains(geometry.center())) {
            return true;
        }
    }
    return false;
}
} // namespace

void TFormMain::ApplyRememberedChoices() {
    const TWindowRect g = m_Choices->Geometry();
    const QRect geometry(g.Left, g.Top, g.Width, g.Height);
    if (!g.Empty() && OnSomeScreen(geometry)) {
        setGeometry(geometry);
    }
    m_Presenter->ApplyRememberedLanguage();
}

void TFormMain::SaveGeometry() {
    const QRect g = geometry();
    m_Choices->SetGeometry({g.x(), g.y(), g.width(), g.height()});
}

void TFormMain::GeometryChanged() {
    // Only what the user sees and arranges: not the size set before showing, not a minimised or
    // maximised window.
    if (isVisible() && windowState() == Qt::WindowNoState) {
        m_Timer_SaveGeometry->start();
    }
}

void TFormMain::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    GeometryChanged();
}

void TFormMain::CreateChoiceControls() {
    m_PopupMenuItem_ShowVirtual = new QAction(m_AdvPopupMenu);
    m_PopupMenuItem_ShowVirtual->setCheckable(true);
    m_PopupMenuItem_ShowVirtual->setChecked(kShowVirtualAdapters.Default);
    m_AdvPopupMenu->insertAction(m_PopupMenuItem_About, m_PopupMenuItem_ShowVirtual);
    connect(m_PopupMenuItem_ShowVirtual, &QAction::triggered, this,
            [this] { m_PopupMenuItem_ShowVirtualClick(m_PopupMenuItem_ShowVirtual); });

    m_Timer_SaveGeometry = new QTimer(this);
    m_Timer_SaveGeometry->setSingleShot(true);
    m_Timer_SaveGeometry->setInterval(kGeometrySaveDelayMs);
    connect(m_Timer_SaveGeometry, &QTimer::timeout, this, [this] { SaveGeometry(); });
}

} // namespace qmr
