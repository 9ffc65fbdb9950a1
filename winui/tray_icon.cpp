#include "winui/tray_icon.h"

#include <windowsx.h>

#include <algorithm>
#include <iterator>

namespace qmr {

namespace {
constexpr UINT kIconId = 1;

template <std::size_t N>
void CopyField(wchar_t (&field)[N], const std::u16string& text) {
    const std::u16string cut = CutToUnits(text, N - 1);
    std::copy(cut.begin(), cut.end(), std::begin(field));
    field[cut.size()] = L'\0';
}
} // namespace

std::u16string CutToUnits(const std::u16string& text, std::size_t units) {
    if (text.size() <= units) {
        return text;
    }
    std::size_t keep = units;
    // A high surrogate as the last unit kept would lose its low half.
    if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) {
        --keep;
    }
    return text.substr(0, keep);
}

TTrayIcon::TTrayIcon(HWND owner, UINT callbackMessage)
    : m_Owner(owner), m_CallbackMessage(callbackMessage) {}

TTrayIcon::~TTrayIcon() {
    Hide();
}

NOTIFYICONDATAW TTrayIcon::Data(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_Owner;
    data.uID = kIconId;
    data.uFlags = flags;
    return data;
}

bool TTrayIcon::Show() {
    if (m_Shown) {
        return true;
    }
    // The hint is shown as the shell's own tip for version 4 icons only with NIF_SHOWTIP.
    NOTIFYICONDATAW data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    data.uCallbackMessage = m_CallbackMessage;
    data.hIcon = m_Picture;
    CopyField(data.szTip, m_Hint);
    if (!Shell_NotifyIconW(NIM_ADD, &data)) {
        return false;
    }
    data.uVersion = NOTIFYICON_VERSION_4;
    m_Version4 = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
    m_Shown = true;
    return true;
}

void TTrayIcon::Hide() {
    if (m_Shown) {
        NOTIFYICONDATAW data = Data(0);
        Shell_NotifyIconW(NIM_DELETE, &data);
        m_Shown = false;
    }
}

bool TTrayIcon::AddAgain() {
    if (!m_Shown) {
        return true;
    }
    m_Shown = false;
    return Show();
}

void TTrayIcon::SetPicture(HICON picture) {
    m_Picture = picture;
    if (m_Shown) {
        NOTIFYICONDATAW data = Data(NIF_ICON);
        data.hIcon = m_Picture;
        Shell_NotifyIconW(NIM_MODIFY, &data);
    }
}

void TTrayIcon::SetHint(const std::u16string& hint) {
    if (hint == m_Hint) {
        return;
    }
    m_Hint = hint;
    if (m_Shown) {
        NOTIFYICONDATAW data = Data(NIF_TIP | NIF_SHOWTIP);
        CopyField(data.szTip, m_Hint);
        Shell_NotifyIconW(NIM_MODIFY, &data);
    }
}

void TTrayIcon::ShowBalloon(const std::u16string& title, const std::u16string& text) {
    if (!m_Shown) {
        return;
    }
    NOTIFYICONDATAW data = Data(NIF_INFO);
    CopyField(data.szInfoTitle, title);
    CopyField(data.szInfo, text);
    data.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

TTrayIcon::TEvent TTrayIcon::Decode(WPARAM wParam, LPARAM lParam) const {
    TEvent event;
    if (m_Version4) {
        // The event in the low word, the point of a click or menu in wParam.
        event.Message = LOWORD(lParam);
        event.At = {GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)};
    } else {
        event.Message = static_cast<UINT>(lParam);
        GetCursorPos(&event.At);
    }
    return event;
}

} // namespace qmr
