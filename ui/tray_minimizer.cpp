#include "ui/tray_minimizer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

namespace qmr {

TTrayMinimizer::TTrayMinimizer(QWidget* window, const TImageList* images)
    : QObject(window), m_Window(window), m_Images(images) {
    m_TrayIcon = new QSystemTrayIcon(window);
    m_TrayIcon->setIcon(m_Images->Icon(0));
}

void TTrayMinimizer::ScanMinimizeArguments(const std::vector<std::u16string>& arguments) {
    for (const std::u16string& argument : arguments) {
        if (argument == u"-u") {
            // Posted, so it is handled once the message loop runs, after start-up finished.
            QCoreApplication::postEvent(m_Window, new QEvent(WM_APP_MINIMIZE));
        }
    }
}

void TTrayMinimizer::MinimizeApplication() {
    if (m_State.Minimized()) {
        return;
    }
    // A window manager minimises only a window it has mapped; a request that arrives before
    // the window is on the screen waits for it, but not for ever: a window manager that never
    // maps it must not leave us polling.
    if (m_WaitsForMap ? m_WaitsForMap() : WaitsForMap()) {
        if (!m_MapWait.isValid()) {
            m_MapWait.start();
        }
        if (m_MapWait.elapsed() < m_MapWaitLimitMs) {
            QTimer::singleShot(20, m_Window, [window = m_Window] {
                QCoreApplication::postEvent(window, new QEvent(WM_APP_MINIMIZE));
            });
            return;
        }
        // Onto the taskbar, where the window stays reachable whatever became of the mapping.
        m_MapWait.invalidate();
        m_State.Request();
        m_ChangingState = true;
        m_Window->setWindowState(m_Window->windowState() | Qt::WindowMinimized);
        m_ChangingState = false;
        return;
    }
    m_MapWait.invalidate();
    m_State.Request();
    // Bound for the notification area, the window is hidden straight away; asking the window
    // manager to minimise it first only races with the hiding.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        m_ChangingState = true;
        m_Window->setWindowState(m_Window->windowState() | Qt::WindowMinimized);
        m_ChangingState = false;
    }
    OnAppMinimize();
}

bool TTrayMinimizer::WaitsForMap() const {
    return m_Window->isVisible() && m_Window->windowHandle() != nullptr &&
           !m_Window->windowHandle()->isExposed() &&
           QGuiApplication::platformName() == QLatin1String("xcb");
}

void TTrayMinimizer::RestoreApplication() {
    if (m_State.IconClicked() == TMinimizeState::TStep::Restore) {
        OnAppRestore();
    }
}

void TTrayMinimizer::OnAppMinimize() {
    // A desktop without a notification area keeps the window on the taskbar, minimised, so that
    // it never becomes unreachable.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    m_TrayIcon->show();
    m_Window->hide();
}

void TTrayMinimizer::OnAppRestore() {
    m_TrayIcon->hide();
    m_ChangingState = true;
    m_Window->showNormal();
    m_ChangingState = false;
    m_Window->raise();
    m_Window->activateWindow();
}

void TTrayMinimizer::WindowStateChanged() {
    if (m_ChangingState) {
        return;
    }
    // The minimise button and the window menu's minimise take the same path as -u.
    // Restored from the taskbar, where there is no notification area, it comes back.
    switch (m_State.WindowStateChanged(m_Window->isMinimized(), m_Window->isVisible())) {
    case TMinimizeState::TStep::Minimize:
        OnAppMinimize();
        break;
    case TMinimizeState::TStep::Restore:
        OnAppRestore();
        break;
    case TMinimizeState::TStep::Nothing:
        break;
    }
}

void TTrayMinimizer::SetPictureIndex(int index) {
    if (index != m_TrayIconImageIndex) {
        m_TrayIconImageIndex = index;
        m_TrayIcon->setIcon(m_Images->Icon(m_TrayIconImageIndex));
    }
}

void TTrayMinimizer::ShowNotice(const QString& title, const QString& text) {
    if (m_NoticeShown) {
        m_NoticeShown(title, text);
        return;
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) {
        return;
    }
    // Qt lets a visible icon alone show a message, and the icon is hidden while the window is
    // up: it shows for as long as the message does.
    if (!m_TrayIcon->isVisible()) {
        m_TrayIcon->show();
        QTimer::singleShot(kNoticeMs, this, [this] {
            if (!m_State.Minimized()) {
                m_TrayIcon->hide();
            }
        });
    }
    m_TrayIcon->showMessage(title, text, QSystemTrayIcon::Information, kNoticeMs);
}

void TTrayMinimizer::SetHint(const QString& hint) {
    if (m_TrayIcon->toolTip() != hint) {
        m_TrayIcon->setToolTip(hint);
    }
}

} // namespace qmr
