// The window's remembered geometry: put in place at construction, saved as the user moves or
// sizes the window, in the units the Qt window keeps it in (winui/window_placement.h).

#include "winui/form_main.h"
#include "winui/window_placement.h"

namespace qmr {

namespace {
// Long enough that a drag or a resize writes once, when it ends; the window manager of some
// desktops moves the window without the modal loop that ends in WM_EXITSIZEMOVE.
constexpr UINT kGeometrySaveDelayMs = 500;

// Windows 8.1's per-monitor scale where the system has it, else the screen's.
int MonitorDpi(HMONITOR monitor) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpi = [] {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        return shcore == nullptr ? nullptr
                                 : reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(
                                       GetProcAddress(shcore, "GetDpiForMonitor")));
    }();
    UINT x = 0, y = 0;
    // 0: MDT_EFFECTIVE_DPI, the scale the user chose for the monitor.
    if (getDpi != nullptr && SUCCEEDED(getDpi(monitor, 0, &x, &y)) && x > 0) {
        return static_cast<int>(x);
    }
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

TMonitorArea AreaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    return {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom,
            MonitorDpi(monitor)};
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    reinterpret_cast<std::vector<TMonitorArea>*>(list)->push_back(AreaOf(monitor));
    return TRUE;
}
} // namespace

void TFormMain::ApplyRememberedGeometry() {
    std::vector<TMonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    const std::optional<TWindowRect> client = PlaceRememberedRect(m_Choices->Geometry(), monitors);
    if (!client) {
        return;
    }
    RECT frame{client->Left, client->Top, client->Left + client->Width,
               client->Top + client->Height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
    // Twice: on a monitor of another scale the first move hands the window that scale together
    // with a size of its own (WM_DPICHANGED), and the remembered size must win.
    for (int i = 0; i < 2; ++i) {
        SetWindowPos(m_Handle, nullptr, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TFormMain::GeometryChanged() {
    // Only what the user sees and arranges: not the place set before showing, not a minimised
    // or maximised window.
    if (IsWindowVisible(m_Handle) && !IsIconic(m_Handle) && !IsZoomed(m_Handle)) {
        SetTimer(m_Handle, kSaveGeometryTimerId, kGeometrySaveDelayMs, nullptr);
    }
}

void TFormMain::SaveGeometry() {
    KillTimer(m_Handle, kSaveGeometryTimerId);
    if (!IsWindowVisible(m_Handle) || IsIconic(m_Handle) || IsZoomed(m_Handle)) {
        return;
    }
    RECT client{};
    GetClientRect(m_Handle, &client);
    POINT origin{0, 0};
    ClientToScreen(m_Handle, &origin);
    TMonitorArea monitor = AreaOf(MonitorFromWindow(m_Handle, MONITOR_DEFAULTTONEAREST));
    // The window's own scale is its monitor's, but it is the one its pixels were laid out at.
    monitor.Dpi = m_Dpi;
    m_Choices->SetGeometry(
        RememberedRect({origin.x, origin.y, client.right, client.bottom}, monitor));
}

} // namespace qmr
