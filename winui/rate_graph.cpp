#include "winui/rate_graph.h"
#include "winui/offscreen_canvas.h"
#include "winui/window_class.h"

#include "lang/lang_strings.h"
#include "lang/text_ids.h"
#include "report/device_status.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace qmr {

namespace {
constexpr wchar_t kClassName[] = L"QmrRateGraph";
// The Qt graph's colours.
constexpr COLORREF kReceiveColor = RGB(0x00, 0xA0, 0x00);
constexpr COLORREF kSendColor = RGB(0x00, 0x50, 0xD0);
constexpr COLORREF kAxisColor = RGB(0xA0, 0xA0, 0xA0);
// The report's base font.
constexpr int kFontDesignPixels = 14;

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

class TGdiGraphMetrics : public TGraphTextMetrics {
public:
    explicit TGdiGraphMetrics(HDC dc) : m_Dc(dc) { GetTextMetricsW(dc, &m_Metrics); }
    int Width(const std::u16string& text) const override {
        SIZE size{};
        GetTextExtentPoint32W(m_Dc, Wide(text), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    int LineHeight() const override { return m_Metrics.tmHeight; }
    int Ascent() const override { return m_Metrics.tmAscent; }

private:
    HDC m_Dc;
    TEXTMETRICW m_Metrics{};
};


void PutText(HDC dc, int x, int baseline, const std::u16string& text) {
    TextOutW(dc, x, baseline, Wide(text), static_cast<int>(text.size()));
}

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}
} // namespace

TRateGraph::TRateGraph(HWND parent) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    RegisterPaintedClassOnce(instance, kClassName);
    // No WS_TABSTOP: the graph shows what the report's rate lines say.
    m_Handle = CreateWindowExW(0, kClassName, L"", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                               instance, nullptr);
    SetWindowLongPtrW(m_Handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    m_Track.Points.reserve(TTrafficTrack::kCapacity);
    SetScale(96);
}

TRateGraph::~TRateGraph() {
    if (IsWindow(m_Handle)) {
        SetWindowLongPtrW(m_Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
        DestroyWindow(m_Handle);
    }
    if (m_Font != nullptr) {
        DeleteObject(m_Font);
    }
}

void TRateGraph::SetScale(int dpi) {
    if (dpi == m_Dpi) {
        return;
    }
    m_Dpi = dpi;
    if (m_Font != nullptr) {
        DeleteObject(m_Font);
    }
    m_Font = CreateFontW(-MulDiv(kFontDesignPixels, dpi, 120), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                         FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                         CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
    m_PlotDrawn = false;
    InvalidateRect(m_Handle, nullptr, FALSE);
}

void TRateGraph::ShowTrack(const TTrafficTrack* track) {
    TakeGraphTrack(track, m_Track);
    SetRatesText(track);
    // A window in the notification area is hidden, a minimised one iconic: neither draws, and
    // shown again it is painted whole.
    if (!IsWindowVisible(m_Handle) || IsIconic(GetAncestor(m_Handle, GA_ROOT))) {
        m_PlotDrawn = false;
        return;
    }
    std::u16string axisText = GetRateText(m_Track.Largest);
    const bool axisChanged = axisText != m_DrawnAxisText;
    const bool whole = !m_PlotDrawn || LayoutStale(ClientSize(m_Handle)) || !m_Layout.Drawable;
    // Only the columns whose curves change are drawn again, as in the Qt window.
    const TGraphRect& plot = m_Layout.Plot;
    const std::optional<TColumnSpan> moved =
        whole ? std::nullopt : ChangedPlotColumns(plot, m_Drawn, m_Track);
    if (!whole && !moved && !axisChanged) {
        return;
    }
    m_Drawn = m_Track;
    m_DrawnAxisText = std::move(axisText);
    m_PlotDrawn = true;
    ++m_RepaintRequests;
    if (whole) {
        InvalidateRect(m_Handle, nullptr, FALSE);
        return;
    }
    // A wide pen (at a high scale) spills half its width past the columns its points reach.
    const int spill = PenWidth() / 2 + 1;
    if (moved) {
        const RECT columns{moved->First - spill, plot.Top - spill, moved->Last + 1 + spill,
                           plot.Bottom() + 1 + spill};
        InvalidateRect(m_Handle, &columns, FALSE);
    }
    if (axisChanged) {
        const RECT axis{0, 0, m_LayoutSize.cx, plot.Top};
        InvalidateRect(m_Handle, &axis, FALSE);
    }
}

bool TRateGraph::LayoutStale(const SIZE& client) const {
    return client.cx != m_LayoutSize.cx || client.cy != m_LayoutSize.cy || m_Dpi != m_LayoutDpi ||
           RateGraphLabels() != m_LayoutLabels;
}

int TRateGraph::PenWidth() const {
    // 1.5 pixels at 96 per inch, as the Qt graph draws its lines.
    return std::max(1, MulDiv(3, m_Dpi, 192));
}

void TRateGraph::SetRatesText(const TTrafficTrack* track) {
    const TTrafficRate latest = track != nullptr ? track->Latest() : TTrafficRate{};
    const std::u16string text = LANGUAGE::GetLangText(LANGUAGE::TextReceiveRate) + u": " +
                                GetRateText(latest.InBps) + u", " +
                                LANGUAGE::GetLangText(LANGUAGE::TextSendRate) + u": " +
                                GetRateText(latest.OutBps);
    // Only a changed text is written, so a screen reader hears news only.
    std::array<wchar_t, 256> current{};
    GetWindowTextW(m_Handle, current.data(), static_cast<int>(current.size()));
    if (text != reinterpret_cast<const char16_t*>(current.data())) {
        SetWindowTextW(m_Handle, Wide(text));
    }
}

void TRateGraph::Paint(HDC target, const RECT& area) {
    ++m_Paints;
    const TOffscreenCanvas canvas(m_Handle, target);
    HDC dc = canvas.Dc();
    const RECT& client = canvas.Client();
    SelectObject(dc, m_Font);

    const SIZE size{client.right, client.bottom};
    if (LayoutStale(size)) {
        m_LayoutLabels = RateGraphLabels();
        m_Layout = LayOutRateGraph(TGdiGraphMetrics(dc), size.cx, size.cy, m_LayoutLabels);
        m_LayoutSize = size;
        m_LayoutDpi = m_Dpi;
    }
    const TRateGraphLayout& layout = m_Layout;
    if (layout.Drawable) {
        const TGraphRect& plot = layout.Plot;
        SetBkMode(dc, TRANSPARENT);
        SetTextAlign(dc, TA_BASELINE | TA_LEFT);
        SetTextColor(dc, RGB(0, 0, 0));
        // The axis's top value above the plot, the legend below it.
        PutText(dc, plot.Left, layout.AxisTextBaseline, GetRateText(m_Track.Largest));
        const COLORREF colors[] = {kReceiveColor, kSendColor};
        for (std::size_t i = 0; i < layout.Legend.size() && i < 2; ++i) {
            const TLegendEntry& entry = layout.Legend[i];
            const RECT swatch{entry.Swatch.Left, entry.Swatch.Top, entry.Swatch.Right() + 1,
                              entry.Swatch.Bottom() + 1};
            HBRUSH brush = CreateSolidBrush(colors[i]);
            FillRect(dc, &swatch, brush);
            DeleteObject(brush);
            PutText(dc, entry.TextX, entry.Baseline, entry.Text);
        }
        HPEN axis = CreatePen(PS_SOLID, 1, kAxisColor);
        HGDIOBJ oldPen = SelectObject(dc, axis);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, plot.Left, plot.Top, plot.Right() + 1, plot.Bottom() + 1);
        SelectObject(dc, oldBrush);

        const int penWidth = PenWidth();
        const int count = PointCount();
        std::array<POINT, TTrafficTrack::kCapacity> points{};
        for (const bool receive : {true, false}) {
            for (int i = 0; i < count; ++i) {
                const TTrafficRate& p = m_Track.Points[static_cast<std::size_t>(i)];
                const TGraphPoint at = GraphPointAt(plot, i, count, receive ? p.InBps : p.OutBps,
                                                    m_Track.AxisTop());
                points[static_cast<std::size_t>(i)] = {std::lround(at.X), std::lround(at.Y)};
            }
            HPEN pen = CreatePen(PS_SOLID, penWidth, receive ? kReceiveColor : kSendColor);
            SelectObject(dc, pen);
            if (count > 1) {
                Polyline(dc, points.data(), count);
            }
            SelectObject(dc, axis);
            DeleteObject(pen);
        }
        SelectObject(dc, oldPen);
        DeleteObject(axis);
    }
    canvas.Show(area);
}

LRESULT CALLBACK TRateGraph::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TRateGraph*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr) {
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            self->Paint(dc, ps.rcPaint);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            break;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace qmr
