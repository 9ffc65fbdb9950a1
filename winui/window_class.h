#pragma once
// The window class of a child control the window paints itself, registered once per process:
// its procedure is replaced per window once `this` is known, and it paints its whole area in
// WM_PAINT, so no background brush flickers white first.

#include <windows.h>

namespace qmr {

inline void RegisterPaintedClassOnce(HINSTANCE instance, const wchar_t* className) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, className, &existing)) {
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
}

} // namespace qmr
