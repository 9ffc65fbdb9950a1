#pragma once
// Minimising the window to the notification area and bringing it back: the minimise request
// (event 1025, posted once per -u on the command line), the minimise button, the tray icon
// with the selected adapter's status picture, and the restore by a click on it.

#include "presenter/minimize_state.h"
#include "ui/picture_store.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace qmr {

// The window's own minimise request.
inline constexpr QEvent::Type WM_APP_MINIMIZE = static_cast<QEvent::Type>(1025);

class TTrayMinimizer : public QObject {
public:
    // `window` is minimised and restored; `images` holds the status pictures of the icon.
    TTrayMinimizer(QWidget* window, const TImageList* images);

    QSystemTrayIcon* TrayIcon() const { return m_TrayIcon; }

    // Posts one minimise request to the window for every "-u" among the arguments.
    void ScanMinimizeArguments(const std::vector<std::u16string>& arguments);

    // The minimise request; nothing when minimised already. Before the window manager has
    // mapped the window the request waits, at most kMapWaitMs, then minimises to the taskbar.
    void MinimizeApplication();
    // The tray icon's click; nothing when not minimised.
    void RestoreApplication();
    // Into the notification area, where the desktop has one; otherwise the window stays
    // minimised on the taskbar.
    void OnAppMinimize();
    void OnAppRestore();
    // The window's state changed (minimise button, window menu, taskbar).
    void WindowStateChanged();

    // Shows picture `index` of the status pictures in the icon, set only when it changes.
    void SetPictureIndex(int index);
    // The icon's hint, set only when it changes.
    void SetHint(const QString& hint);

    // A desktop notification from the tray icon.
    void ShowNotice(const QString& title, const QString& text);

    static constexpr int kMapWaitMs = 5000;
    static constexpr int kNoticeMs = 8000;

private:
    friend class TFormMainTestAccess;

    // Whether the window is shown but not yet mapped by an X11 window manager.
    bool WaitsForMap() const;

    QWidget* m_Window;
    const TImageList* m_Images;
    QSystemTrayIcon* m_TrayIcon;
    // The icon's picture index; every report build sets it.
    int m_TrayIconImageIndex = 0;
    TMinimizeState m_State;
    // Set while the window's state is changed from here, so the change is not taken as the
    // user's.
    bool m_ChangingState = false;
    // Since when a minimise request waits for the window to be mapped; invalid when none does.
    QElapsedTimer m_MapWait;
    int m_MapWaitLimitMs = kMapWaitMs;
    // Tests stand in for the window manager here.
    std::function<bool()> m_WaitsForMap;
    // Tests catch the notices here instead of the desktop showing them.
    std::function<void(const QString& title, const QString& text)> m_NoticeShown;
};

} // namespace qmr
