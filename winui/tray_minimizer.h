#pragma once
// Minimising the window to the notification area and bringing it back: the minimise request
// (-u, Esc), the window's own minimise, the icon with the selected adapter's status picture and
// hint, the restore by a click on it, and link notices as its balloons. A desktop without a
// notification area keeps the window minimised on the taskbar instead.

#include "presenter/minimize_state.h"
#include "winui/tray_icon.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qmr {

class TTrayMinimizer {
public:
    // The icon's clicks come to `window` as kIconMessage, and pass through HandleIconMessage;
    // `focusOnRestore` gets the focus when the window comes back; `popupMenu` opens the
    // window's menu at a point of the screen (a right click on the icon).
    TTrayMinimizer(HWND window, HWND focusOnRestore, std::function<void(POINT)> popupMenu);

    // Whether the arguments ask to start in the notification area ("-u").
    static bool StartsMinimized(const std::vector<std::u16string>& arguments);

    bool Minimized() const { return m_State.Minimized(); }
    // The minimise request; nothing when minimised already. A window not yet shown stays
    // unseen.
    void MinimizeApplication();
    // The icon's click; nothing when not minimised.
    void RestoreApplication();
    // The window was minimised or shown again other than from here (the minimise button, the
    // window menu, the taskbar).
    void WindowStateChanged(bool minimized);

    void HandleIconMessage(WPARAM wParam, LPARAM lParam);
    // The shell's "TaskbarCreated": the icon is added again where it was.
    void TaskbarCreated();
    // The notice timer ran out: the icon shown for a notice alone goes again.
    void NoticeTimer();

    void SetPictureIndex(int index);
    void SetHint(const std::u16string& hint);
    // A balloon from the icon; while the window is up the icon shows for the notice's time.
    void ShowNotice(const std::u16string& title, const std::u16string& text);
    // The icon goes, as the program ends.
    void RemoveIcon() { m_Icon.Hide(); }

    static constexpr UINT kIconMessage = WM_APP + 1;
    static constexpr UINT_PTR kNoticeTimerId = 0x7131;
    static constexpr UINT kNoticeMs = 8000;

private:
    HWND m_Window;
    HWND m_FocusOnRestore;
    std::function<void(POINT)> m_PopupMenu;
    TTrayIcon m_Icon;
    TMinimizeState m_State;
    int m_PictureIndex = -1;
    // Set while the window's state is changed from here, so the change is not taken as the
    // user's.
    bool m_ChangingState = false;

    void OnAppMinimize();
    void OnAppRestore();
    // Onto the taskbar, where the window stays reachable without a notification area.
    void MinimizeToTaskbar();
    void ShowWindowAs(int command);
};

} // namespace qmr
