#include "winui/report_view.h"
#include "winui/offscreen_canvas.h"
#include "winui/window_class.h"

#include "winui/line_changes.h"

#include <algorithm>

namespace qmr {

namespace {
constexpr wchar_t kClassName[] = L"QmrReportView";
constexpr int kLineSpacing = 4;
constexpr int kBaseFontDesignPixels = 14;

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

} // namespace

TReportView::TReportView(HWND parent, int id, TPictureLookup pictures) : m_Pictures(pictures) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    RegisterPaintedClassOnce(instance, kClassName);
    m_Handle = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL |
                                   WS_CLIPCHILDREN,
                               0, 0,
                               10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               instance, nullptr);
    SetWindowLongPtrW(m_Handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    m_RateGraph = std::make_unique<TRateGraph>(m_Handle);
}

TReportView::~TReportView() {
    m_RateGraph.reset();
    if (IsWindow(m_Handle)) {
        SetWindowLongPtrW(m_Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
        DestroyWindow(m_Handle);
    }
    ClearFonts();
}

void TReportView::ClearFonts() {
    for (auto& [key, font] : m_Fonts) {
        DeleteObject(font);
    }
    m_Fonts.clear();
}

void TReportView::SetScale(int dpi) {
    if (dpi == m_Dpi) {
        return;
    }
    m_Dpi = dpi;
    m_RateGraph->SetScale(dpi);
    ClearFonts();
    HDC dc = GetDC(m_Handle);
    for (Line& line : m_Lines) {
        Measure(dc, line);
    }
    ReleaseDC(m_Handle, dc);
    Relayout();
    InvalidateRect(m_Handle, nullptr, FALSE);
}

HFONT TReportView::FontOf(const TMarkupStyle& style) {
    const int pixels = style.SizePoints && *style.SizePoints > 0
                           ? MulDiv(*style.SizePoints, m_Dpi, 72)
                           : Scaled(kBaseFontDesignPixels);
    FontKey key{style.Bold, pixels, style.Face.value_or(u"Tahoma")};
    auto found = m_Fonts.find(key);
    if (found != m_Fonts.end()) {
        return found->second;
    }
    HFONT font = CreateFontW(-pixels, 0, 0, 0, style.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, Wide(std::get<2>(key)));
    m_Fonts.emplace(std::move(key), font);
    return font;
}

void TReportView::Measure(HDC dc, Line& line) {
    // Every line is at least as high as the base font, so an empty line keeps its place.
    TEXTMETRICW base{};
    SelectObject(dc, FontOf(TMarkupStyle{}));
    GetTextMetricsW(dc, &base);
    int ascent = base.tmAscent, descent = base.tmDescent, width = 0;
    for (const TMarkupRun& run : line.Runs) {
        if (!run.Image.empty()) {
            width += PictureSize();
            ascent = std::max(ascent, PictureSize());
            continue;
        }
        SelectObject(dc, FontOf(run.Style));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        SIZE size{};
        GetTextExtentPoint32W(dc, Wide(run.Text), static_cast<int>(run.Text.size()), &size);
        width += size.cx;
        ascent = std::max(ascent, static_cast<int>(tm.tmAscent));
        descent = std::max(descent, static_cast<int>(tm.tmDescent));
    }
    line.Width = width;
    line.Ascent = ascent;
    line.Height = ascent + descent + kLineSpacing;
}

void TReportView::Relayout() {
    int y = Margin();
    int widest = 0;
    for (Line& line : m_Lines) {
        line.Top = y;
        y += line.Height;
        widest = std::max(widest, line.Width);
    }
    int graphHeight = 0;
    if ((GetWindowLongW(m_RateGraph->Handle(), GWL_STYLE) & WS_VISIBLE) != 0) {
        RECT client{};
        GetClientRect(m_Handle, &client);
        const TGraphPlacement placed =
            PlaceRateGraph(widest, y - Margin(), client.right - 2 * Margin(),
                           [this](int length) { return Scaled(length); });
        m_GraphRect = placed.Rect;
        graphHeight = placed.AddedHeight;
    }
    m_Content = {widest + 2 * Margin(), y + graphHeight + Margin()};
    UpdateScrollBars();
    MoveGraph();
}

void TReportView::MoveGraph() {
    SetWindowPos(m_RateGraph->Handle(), nullptr, Margin() + m_GraphRect.Left - m_ScrollX,
                 Margin() + m_GraphRect.Top - m_ScrollY, m_GraphRect.Width, m_GraphRect.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TReportView::ShowGraph(const TTrafficTrack* track, bool hasDevice) {
    // No graph beside "No Network Interfaces".
    const bool shown = (GetWindowLongW(m_RateGraph->Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != hasDevice) {
        ShowWindow(m_RateGraph->Handle(), hasDevice ? SW_SHOWNA : SW_HIDE);
        Relayout();
        InvalidateRect(m_Handle, nullptr, FALSE);
    }
    m_RateGraph->ShowTrack(track);
}

void TReportView::ShowLines(const std::vector<std::u16string>& lines) {
    std::vector<std::u16string> shown;
    shown.reserve(m_Lines.size());
    for (const Line& line : m_Lines) {
        shown.push_back(line.Source);
    }
    const TLineChanges changes = CompareLines(shown, lines);
    if (changes.Changed.empty() && !changes.CountChanged) {
        return;
    }
    const std::vector<int> oldHeights = [&] {
        std::vector<int> h;
        for (const Line& line : m_Lines) {
            h.push_back(line.Height);
        }
        return h;
    }();
    m_Lines.resize(lines.size());
    HDC dc = GetDC(m_Handle);
    for (std::size_t i : changes.Changed) {
        m_Lines[i].Source = lines[i];
        m_Lines[i].Runs.clear();
        const auto parsed = ParseMarkup(lines[i]);
        for (const TMarkupLine& part : parsed) {
            // A line of the list is one visual line; a <br> inside it would only add to it.
            m_Lines[i].Runs.insert(m_Lines[i].Runs.end(), part.begin(), part.end());
        }
        Measure(dc, m_Lines[i]);
    }
    ReleaseDC(m_Handle, dc);
    Relayout();

    // Lines that kept their place and height repaint alone; from the first that moved on,
    // everything below repaints.
    RECT client{};
    GetClientRect(m_Handle, &client);
    int movedFrom = changes.CountChanged ? static_cast<int>(std::min(shown.size(), lines.size()))
                                         : static_cast<int>(lines.size());
    for (std::size_t i : changes.Changed) {
        if (i < oldHeights.size() && oldHeights[i] != m_Lines[i].Height) {
            movedFrom = std::min(movedFrom, static_cast<int>(i));
            break;
        }
    }
    for (std::size_t i : changes.Changed) {
        if (static_cast<int>(i) >= movedFrom) {
            break;
        }
        RECT r{client.left, m_Lines[i].Top - m_ScrollY, client.right,
               m_Lines[i].Top + m_Lines[i].Height - m_ScrollY};
        InvalidateRect(m_Handle, &r, FALSE);
    }
    if (movedFrom < static_cast<int>(std::max(shown.size(), lines.size()))) {
        const int top = movedFrom < LineCount() ? m_Lines[movedFrom].Top : m_Content.cy - Margin();
        RECT r{client.left, top - m_ScrollY, client.right, client.bottom};
        InvalidateRect(m_Handle, &r, FALSE);
    }
}

void TReportView::SetPlainText(const std::u16string& text) {
    // DefWindowProc keeps it; only a changed text is written, so a screen reader hears news.
    const int length = GetWindowTextLengthW(m_Handle);
    std::u16string current(static_cast<std::size_t>(length) + 1, u'\0');
    GetWindowTextW(m_Handle, reinterpret_cast<wchar_t*>(current.data()), length + 1);
    current.resize(static_cast<std::size_t>(length));
    if (current != text) {
        SetWindowTextW(m_Handle, Wide(text));
    }
}

void TReportView::Paint(HDC target, const RECT& dirty) {
    const TOffscreenCanvas canvas(m_Handle, target);
    HDC dc = canvas.Dc();
    SetBkMode(dc, TRANSPARENT);
    for (const Line& line : m_Lines) {
        const int top = line.Top - m_ScrollY;
        if (top >= dirty.bottom || top + line.Height <= dirty.top) {
            continue;
        }
        int x = Margin() - m_ScrollX;
        const int baseline = top + line.Ascent;
        for (const TMarkupRun& run : line.Runs) {
            if (!run.Image.empty()) {
                if (HICON icon = m_Pictures ? m_Pictures(run.Image, PictureSize()) : nullptr) {
                    DrawIconEx(dc, x, baseline - PictureSize(), icon, PictureSize(),
                               PictureSize(), 0, nullptr, DI_NORMAL);
                }
                x += PictureSize();
                continue;
            }
            SelectObject(dc, FontOf(run.Style));
            const std::uint32_t rgb = run.Style.Color.value_or(0x000000);
            SetTextColor(dc, RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
            SetTextAlign(dc, TA_BASELINE | TA_LEFT);
            TextOutW(dc, x, baseline, Wide(run.Text), static_cast<int>(run.Text.size()));
            SIZE size{};
            GetTextExtentPoint32W(dc, Wide(run.Text), static_cast<int>(run.Text.size()), &size);
            x += size.cx;
        }
    }
    canvas.Show(dirty);
}

void TReportView::UpdateScrollBars() {
    RECT client{};
    GetClientRect(m_Handle, &client);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = m_Content.cy - 1;
    si.nPage = static_cast<UINT>(std::max(0L, client.bottom));
    m_ScrollY = std::clamp(m_ScrollY, 0, std::max(0, static_cast<int>(m_Content.cy) - static_cast<int>(si.nPage)));
    si.nPos = m_ScrollY;
    SetScrollInfo(m_Handle, SB_VERT, &si, TRUE);
    si.nMax = m_Content.cx - 1;
    si.nPage = static_cast<UINT>(std::max(0L, client.right));
    m_ScrollX = std::clamp(m_ScrollX, 0, std::max(0, static_cast<int>(m_Content.cx) - static_cast<int>(si.nPage)));
    si.nPos = m_ScrollX;
    SetScrollInfo(m_Handle, SB_HORZ, &si, TRUE);
}

void TReportView::ScrollTo(int x, int y) {
    RECT client{};
    GetClientRect(m_Handle, &client);
    x = std::clamp(x, 0, std::max(0, static_cast<int>(m_Content.cx - client.right)));
    y = std::clamp(y, 0, std::max(0, static_cast<int>(m_Content.cy - client.bottom)));
    if (x == m_ScrollX && y == m_ScrollY) {
        return;
    }
    m_ScrollX = x;
    m_ScrollY = y;
    UpdateScrollBars();
    MoveGraph();
    InvalidateRect(m_Handle, nullptr, FALSE);
}

void TReportView::ScrollByWheel(int delta, bool sideways) {
    // A notch scrolls 20 pixels at 96 pixels per inch.
    const int step = -MulDiv(delta, MulDiv(20, m_Dpi, 96), WHEEL_DELTA);
    sideways ? ScrollTo(m_ScrollX + step, m_ScrollY) : ScrollTo(m_ScrollX, m_ScrollY + step);
}

void TReportView::OnScroll(int bar, int request) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(m_Handle, bar, &si);
    int pos = si.nPos;
    const int line = Scaled(20);
    switch (request) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    bar == SB_VERT ? ScrollTo(m_ScrollX, pos) : ScrollTo(pos, m_ScrollY);
}

LRESULT CALLBACK TReportView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TReportView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT TReportView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_Handle, &ps);
        Paint(dc, ps.rcPaint);
        EndPaint(m_Handle, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        // The graph's place depends on the width.
        Relayout();
        InvalidateRect(m_Handle, nullptr, FALSE);
        return 0;
    case WM_VSCROLL:
        OnScroll(SB_VERT, LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        OnScroll(SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        ScrollByWheel(GET_WHEEL_DELTA_WPARAM(wParam), (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) != 0);
        return 0;
    case WM_MOUSEHWHEEL:
        ScrollByWheel(-GET_WHEEL_DELTA_WPARAM(wParam), true);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(m_Handle);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_UP: OnScroll(SB_VERT, SB_LINEUP); return 0;
        case VK_DOWN: OnScroll(SB_VERT, SB_LINEDOWN); return 0;
        case VK_PRIOR: OnScroll(SB_VERT, SB_PAGEUP); return 0;
        case VK_NEXT: OnScroll(SB_VERT, SB_PAGEDOWN); return 0;
        case VK_HOME: ScrollTo(0, 0); return 0;
        case VK_END: ScrollTo(0, m_Content.cy); return 0;
        case VK_LEFT: OnScroll(SB_HORZ, SB_LINEUP); return 0;
        case VK_RIGHT: OnScroll(SB_HORZ, SB_LINEDOWN); return 0;
        default: break;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(m_Handle, message, wParam, lParam);
}

} // namespace qmr
