#pragma once
// The window's icon in the notification area, through Shell_NotifyIconW: its picture, its hint
// and its balloons. Its clicks come to the owner window as `callbackMessage`.

#include <windows.h>

#include <cstddef>
#include <string>

namespace qmr {

// `text` cut to at most `units` UTF-16 units, never between the halves of a surrogate pair:
// what the shell's fixed text fields (the hint holds 127) can take.
std::u16string CutToUnits(const std::u16string& text, std::size_t units);

class TTrayIcon {
public:
    TTrayIcon(HWND owner, UINT callbackMessage);
    ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    bool Shown() const { return m_Shown; }
    // Adds the icon; false when the desktop has no notification area to take it.
    bool Show();
    void Hide();
    // The shell started anew (TaskbarCreated) and knows the icon no more: added again when it
    // was there. False when it was and cannot be.
    bool AddAgain();

    // Kept for when the icon is next shown, and shown at once while it is.
    void SetPicture(HICON picture);
    void SetHint(const std::u16string& hint);
    // A balloon from the icon, which must be shown.
    void ShowBalloon(const std::u16string& title, const std::u16string& text);

    // What a callback message means: the mouse or key event and, for a menu, where.
    struct TEvent {
        UINT Message = 0;
        POINT At{};
    };
    TEvent Decode(WPARAM wParam, LPARAM lParam) const;
    // Whether the shell speaks the version 4 callbacks (NIN_SELECT, WM_CONTEXTMENU) to us.
    bool Version4() const { return m_Version4; }

private:
    HWND m_Owner;
    UINT m_CallbackMessage;
    HICON m_Picture = nullptr;
    std::u16string m_Hint;
    bool m_Shown = false;
    bool m_Version4 = false;

    NOTIFYICONDATAW Data(UINT flags) const;
};

} // namespace qmr
