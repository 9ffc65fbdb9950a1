#pragma once
// The graph of the selected adapter's receive and send rates over the last two minutes, drawn
// with GDI: a child of the report view, which places it beside the lines or below them. Its
// geometry is report/rate_graph_layout.h's, as the Qt window's graph is; same colours, same
// legend texts. Out of the tab order; its window text is the latest rates, for a screen reader.

#include "network/traffic_rates.h"
#include "report/rate_graph_layout.h"

#include <windows.h>

#include <string>
#include <vector>

namespace qmr {

class TRateGraph {
public:
    // Made hidden; its owner shows it.
    explicit TRateGraph(HWND parent);
    ~TRateGraph();
    TRateGraph(const TRateGraph&) = delete;
    TRateGraph& operator=(const TRateGraph&) = delete;

    HWND Handle() const { return m_Handle; }

    // Design lengths are at 120 pixels per inch; `dpi` is the window's.
    void SetScale(int dpi);
    // Takes the points of `track` (null for none) and repaints what they change, only while the
    // graph is on the screen: a hidden or minimised window draws nothing, and a track that
    // moves no pixel (an idle link's, once its line fills the plot) draws nothing either.
    void ShowTrack(const TTrafficTrack* track);

    int PointCount() const { return static_cast<int>(m_Track.Points.size()); }
    double AxisTop() const { return m_Track.AxisTop(); }
    // Read by tests: how many repaints were asked for, and how many were painted.
    int RepaintRequests() const { return m_RepaintRequests; }
    int Paints() const { return m_Paints; }

private:
    HWND m_Handle = nullptr;
    HFONT m_Font = nullptr;
    int m_Dpi = 0;
    TGraphTrack m_Track;
    // What the screen shows: the track and axis text last asked to be drawn, and the layout of
    // the last paint with what it was made for. Without a drawn plot the next track repaints
    // all of the graph.
    TGraphTrack m_Drawn;
    std::u16string m_DrawnAxisText;
    bool m_PlotDrawn = false;
    TRateGraphLayout m_Layout;
    SIZE m_LayoutSize{};
    int m_LayoutDpi = 0;
    std::vector<std::u16string> m_LayoutLabels;
    int m_RepaintRequests = 0;
    int m_Paints = 0;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC target, const RECT& area);
    bool LayoutStale(const SIZE& client) const;
    int PenWidth() const;
    void SetRatesText(const TTrafficTrack* track);
};

} // namespace qmr
