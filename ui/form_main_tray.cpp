// Minimising to the notification area, the tray icon, and the -u start.

#include "form_main.h"

#include <QCoreApplication>
#include <QWindowStateChangeEvent>

namespace qmr {

void TFormMain::ScanMinimizeArguments() {
    for (const std::u16string& argument : m_Arguments) {
        if (argument == u"-u") {
            // Posted, so it is handled once the message loop runs, after start-up finished.
            QCoreApplication::postEvent(this, new QEvent(WM_APP_MINIMIZE));
        }
    }
}

void TFormMain::MinimizeApplication() {
    if (m_Minimized) {
        return;
    }
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    // Without a window system that tells us (or before the window is mapped), the state change
    // may not come back as an event; make sure the notification is raised once.
    if (!m_Minimized) {
        m_Minimized = true;
        OnAppMinimize();
    }
}

void TFormMain::RestoreApplication() {
    if (!m_Minimized) {
        return;
    }
    m_Minimized = false;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    OnAppRestore();
}

void TFormMain::OnAppMinimize() {
    // A desktop without a notification area keeps the window on the taskbar, minimised, so that
    // it never becomes unreachable.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_TrayIcon->show();
        hide();
    }
}

void TFormMain::OnAppRestore() {
    m_TrayIcon->hide();
    showNormal();
    raise();
    activateWindow();
}

void TFormMain::m_TrayIconClick(QObject*) {
    RestoreApplication();
}

void TFormMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    // The minimise button and the window menu's minimise take the same path as -u.
    if (isMinimized() && !m_Minimized) {
        m_Minimized = true;
        OnAppMinimize();
    } else if (!isMinimized() && m_Minimized && isVisible()) {
        // Restored from the taskbar, where there is no notification area.
        m_Minimized = false;
        OnAppRestore();
    }
}

} // namespace qmr
