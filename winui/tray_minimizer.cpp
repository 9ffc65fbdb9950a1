#include "winui/tray_minimizer.h"

#include "winui/pictures.h"

namespace qmr {

TTrayMinimizer::TTrayMinimizer(HWND window, HWND focusOnRestore,
                               std::function<void(POINT)> popupMenu)
    : m_Window(window), m_FocusOnRestore(focusOnRestore), m_PopupMenu(std::move(popupMenu)),
      m_Icon(window, kIconMessage) {
    SetPictureIndex(0);
}

bool TTrayMinimizer::StartsMinimized(const std::vector<std::u16string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"-u") {
            return true;
        }
    }
    return false;
}

void TTrayMinimizer::ShowWindowAs(int command) {
    m_ChangingState = true;
    ShowWindow(m_Window, command);
    m_ChangingState = false;
}

void TTrayMinimizer::MinimizeApplication() {
    if (m_State.Request() == TMinimizeState::TStep::Minimize) {
        OnAppMinimize();
    }
}

void TTrayMinimizer::RestoreApplication() {
    if (m_State.IconClicked() == TMinimizeState::TStep::Restore) {
        OnAppRestore();
    }
}

void TTrayMinimizer::WindowStateChanged(bool minimized) {
    if (m_ChangingState) {
        return;
    }
    switch (m_State.WindowStateChanged(minimized, IsWindowVisible(m_Window) != FALSE)) {
    case TMinimizeState::TStep::Minimize: OnAppMinimize(); break;
    case TMinimizeState::TStep::Restore: OnAppRestore(); break;
    case TMinimizeState::TStep::Nothing: break;
    }
}

void TTrayMinimizer::OnAppMinimize() {
    KillTimer(m_Window, kNoticeTimerId);
    if (!m_Icon.Show()) {
        MinimizeToTaskbar();
        return;
    }
    // Hidden as it is: minimised by the user, it comes back from the minimised state, so that a
    // maximised window is maximised again.
    ShowWindowAs(SW_HIDE);
}

void TTrayMinimizer::MinimizeToTaskbar() {
    if (!IsIconic(m_Window) || !IsWindowVisible(m_Window)) {
        ShowWindowAs(IsWindowVisible(m_Window) ? SW_MINIMIZE : SW_SHOWMINNOACTIVE);
    }
}

void TTrayMinimizer::OnAppRestore() {
    KillTimer(m_Window, kNoticeTimerId);
    m_Icon.Hide();
    ShowWindowAs(IsIconic(m_Window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(m_Window);
    SetFocus(m_FocusOnRestore);
}

void TTrayMinimizer::HandleIconMessage(WPARAM wParam, LPARAM lParam) {
    const TTrayIcon::TEvent event = m_Icon.Decode(wParam, lParam);
    switch (event.Message) {
    case WM_LBUTTONUP:
    case NIN_SELECT:
    case NIN_KEYSELECT:
        RestoreApplication();
        break;
    case WM_CONTEXTMENU:
        if (m_Icon.Version4()) {
            m_PopupMenu(event.At);
        }
        break;
    case WM_RBUTTONUP:
        if (!m_Icon.Version4()) {
            m_PopupMenu(event.At);
        }
        break;
    default: break;
    }
}

void TTrayMinimizer::TaskbarCreated() {
    // A shell that comes back without a notification area must not leave the window unseen.
    if (!m_Icon.AddAgain() && m_State.Minimized() && !IsWindowVisible(m_Window)) {
        MinimizeToTaskbar();
    }
}

void TTrayMinimizer::NoticeTimer() {
    KillTimer(m_Window, kNoticeTimerId);
    if (!m_State.Minimized()) {
        m_Icon.Hide();
    }
}

void TTrayMinimizer::SetPictureIndex(int index) {
    if (index != m_PictureIndex) {
        m_PictureIndex = index;
        m_Icon.SetPicture(StatusPicture(index, GetSystemMetrics(SM_CXSMICON)));
    }
}

void TTrayMinimizer::SetHint(const std::u16string& hint) {
    m_Icon.SetHint(hint);
}

void TTrayMinimizer::ShowNotice(const std::u16string& title, const std::u16string& text) {
    if (!m_Icon.Shown()) {
        // While the window is up the icon is there for the notice alone, for as long as it
        // shows; no notification area, no notice.
        if (!m_Icon.Show()) {
            return;
        }
        SetTimer(m_Window, kNoticeTimerId, kNoticeMs, nullptr);
    }
    m_Icon.ShowBalloon(title, text);
}

} // namespace qmr
