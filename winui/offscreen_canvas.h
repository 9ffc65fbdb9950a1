#pragma once
// A white off-screen copy of a window's client area, drawn on and then shown in one piece, so
// that what a paint draws never shows half-painted.

#include <windows.h>

#include <algorithm>

namespace qmr {

class TOffscreenCanvas {
public:
    TOffscreenCanvas(HWND window, HDC target) : m_Target(target) {
        GetClientRect(window, &m_Client);
        m_Dc = CreateCompatibleDC(target);
        m_Bitmap = CreateCompatibleBitmap(target, std::max(1L, m_Client.right),
                                          std::max(1L, m_Client.bottom));
        m_OldBitmap = SelectObject(m_Dc, m_Bitmap);
        FillRect(m_Dc, &m_Client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~TOffscreenCanvas() {
        SelectObject(m_Dc, m_OldBitmap);
        DeleteObject(m_Bitmap);
        DeleteDC(m_Dc);
    }
    TOffscreenCanvas(const TOffscreenCanvas&) = delete;
    TOffscreenCanvas& operator=(const TOffscreenCanvas&) = delete;

    HDC Dc() const { return m_Dc; }
    const RECT& Client() const { return m_Client; }
    // Copies `area` of what was drawn to the window.
    void Show(const RECT& area) const {
        BitBlt(m_Target, area.left, area.top, area.right - area.left, area.bottom - area.top, m_Dc,
               area.left, area.top, SRCCOPY);
    }

private:
    HDC m_Target;
    RECT m_Client{};
    HDC m_Dc = nullptr;
    HBITMAP m_Bitmap = nullptr;
    HGDIOBJ m_OldBitmap = nullptr;
};

} // namespace qmr
