#pragma once
// Whether the window is down in the notification area (or on the taskbar, where a desktop has
// none), and what a request or a change of the window's own state asks the window to do. The
// toolkit's half (hiding, the icon, waiting for a window manager) stays with each window.

namespace qmr {

class TMinimizeState {
public:
    enum class TStep { Nothing, Minimize, Restore };

    bool Minimized() const { return m_Minimized; }
    // A minimise request (-u, Esc, the window's own minimise): nothing when down already.
    TStep Request() { return Set(true); }
    // A click on the tray icon: nothing when not down.
    TStep IconClicked() { return Set(false); }
    // The window's state changed without us (the minimise button, the window menu, the
    // taskbar): minimised, it goes down the same way as a request; shown again while down, it
    // comes back.
    TStep WindowStateChanged(bool windowMinimized, bool windowVisible) {
        if (windowMinimized) {
            return Set(true);
        }
        return windowVisible ? Set(false) : TStep::Nothing;
    }

private:
    bool m_Minimized = false;

    TStep Set(bool minimized) {
        if (minimized == m_Minimized) {
            return TStep::Nothing;
        }
        m_Minimized = minimized;
        return minimized ? TStep::Minimize : TStep::Restore;
    }
};

} // namespace qmr
