// Minimising to the notification area, the tray icon, and the -u start.

#include "form_main.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
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
    // A window manager minimises only a window it has mapped; a request that arrives before
    // the window is on the screen waits for it.
    if (isVisible() && windowHandle() != nullptr && !windowHandle()->isExposed() &&
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        QTimer::singleShot(
            20, this, [this] { QCoreApplication::postEvent(this, new QEvent(WM_APP_MINIMIZE)); });
        return;
    }
    m_Minimized = true;
    // Bound for the notification area, the window is hidden straight away; asking the window
    // manager to minimise it first only races with the hiding.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        m_ChangingState = true;
        setWindowState(windowState() | Qt::WindowMinimized);
        m_ChangingState = false;
    }
    OnAppMinimize();
}

void TFormMain::RestoreApplication() {
    if (!m_Minimized) {
        return;
    }
    m_Minimized = false;
    OnAppRestore();
}

void TFormMain::OnAppMinimize() {
    // A desktop without a notification area keeps the window on the taskbar, minimised, so that
    // it never becomes unreachable.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    m_TrayIcon->show();
    hide();
}

void TFormMain::OnAppRestore() {
    m_TrayIcon->hide();
    m_ChangingState = true;
    showNormal();
    m_ChangingState = false;
    raise();
    activateWindow();
}

void TFormMain::m_TrayIconClick(QObject*) {
    RestoreApplication();
}

void TFormMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_ChangingState) {
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
