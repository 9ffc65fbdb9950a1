#pragma once
// The report of the selected adapter as a control of its own: the markup lines painted with
// GDI (fonts, colours, bold, sizes, pictures), white, with scroll bars and the wheel. A new
// report measures and repaints only the lines whose text changed. Its window text is the plain
// report, which is what a screen reader reads of it. The rate graph sits beside the last lines
// where they leave room, else below them, and scrolls with them.

#include "ui/markup/markup_parser.h"
#include "winui/rate_graph.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace qmr {

class TReportView {
public:
    // `pictures` gives the icon shown for a picture name of the markup (null when unknown).
    using TPictureLookup = HICON (*)(const std::u16string& name, int size);

    TReportView(HWND parent, int id, TPictureLookup pictures);
    ~TReportView();
    TReportView(const TReportView&) = delete;
    TReportView& operator=(const TReportView&) = delete;

    HWND Handle() const { return m_Handle; }

    // Design lengths are at 120 pixels per inch; `dpi` is the window's.
    void SetScale(int dpi);
    void ShowLines(const std::vector<std::u16string>& lines);
    void SetPlainText(const std::u16string& text);
    // The graph of `track` (null for none), shown only beside an adapter's report.
    void ShowGraph(const TTrafficTrack* track, bool hasDevice);
    const TRateGraph& RateGraph() const { return *m_RateGraph; }
    // One wheel turn of `delta` (120 a notch, negative towards the user); sideways with Shift.
    void ScrollByWheel(int delta, bool sideways);

    // How the lines are laid out: the content size, and each line's top and height.
    SIZE ContentSize() const { return m_Content; }
    int LineCount() const { return static_cast<int>(m_Lines.size()); }
    int LineTop(int i) const { return m_Lines[i].Top; }
    int LineHeight(int i) const { return m_Lines[i].Height; }
    POINT ScrollPosition() const { return {m_ScrollX, m_ScrollY}; }

private:
    struct Line {
        std::u16string Source;
        TMarkupLine Runs;
        int Top = 0, Width = 0, Height = 0, Ascent = 0;
    };
    using FontKey = std::tuple<bool, int, std::u16string>;

    HWND m_Handle = nullptr;
    TPictureLookup m_Pictures;
    int m_Dpi = 96;
    std::vector<Line> m_Lines;
    SIZE m_Content{0, 0};
    int m_ScrollX = 0, m_ScrollY = 0;
    std::map<FontKey, HFONT> m_Fonts;
    std::unique_ptr<TRateGraph> m_RateGraph;
    // The graph's place in content coordinates, the lines' top left corner at (0, 0).
    TGraphRect m_GraphRect;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    int Scaled(int designLength) const { return MulDiv(designLength, m_Dpi, 120); }
    int Margin() const { return Scaled(12); }
    int PictureSize() const { return Scaled(32); }
    HFONT FontOf(const TMarkupStyle& style);
    void Measure(HDC dc, Line& line);
    void Relayout();
    void MoveGraph();
    void Paint(HDC dc, const RECT& dirty);
    void UpdateScrollBars();
    void ScrollTo(int x, int y);
    void OnScroll(int bar, int request);
    void ClearFonts();
};

} // namespace qmr
