#include "winui/report_view.h"
// After the view, whose network headers bring winsock2.h before windows.h.
#include "network/adapter_poll.h"
#include "network/traffic_rates.h"
#include "winui/clipboard.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qmr {
namespace {

// A link that stays idle: each tick adds a point of no traffic to its track.
class TIdleLink {
public:
    TIdleLink() {
        m_Devices.push_back(std::make_unique<TModelNetworkDevice>(nullptr));
        m_Devices[0]->m_IfIndex = 2;
        m_Devices[0]->m_AdapterName = u"lan0";
    }
    const TTrafficTrack* Tick() {
        m_History.Record(m_Devices, m_NowMs += 1000);
        return m_History.Find(*m_Devices[0]);
    }

private:
    TDeviceList m_Devices;
    TTrafficHistory m_History;
    std::uint64_t m_NowMs = 0;
};

// The window's pixels as the screen shows them.
std::vector<DWORD> Pixels(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    HDC screen = GetDC(window);
    HDC copy = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const DWORD*>(bits);
    std::vector<DWORD> pixels(first, first + client.right * client.bottom);
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(window, screen);
    return pixels;
}

// A report view in a shown window of its own, with nothing left to paint.
class ReportViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(m_Parent, nullptr);
        m_View = std::make_unique<TReportView>(m_Parent, 1, nullptr);
        MoveWindow(m_View->Handle(), 0, 0, 400, 300, TRUE);
    }
    void TearDown() override {
        m_View.reset();
        DestroyWindow(m_Parent);
    }
    void Painted() {
        ValidateRect(m_View->Handle(), nullptr);
    }
    // The rows waiting to be painted, in content coordinates; empty when none.
    std::pair<int, int> DirtyRows() const {
        RECT r{};
        if (!GetUpdateRect(m_View->Handle(), &r, FALSE)) {
            return {0, 0};
        }
        return {r.top + m_View->ScrollPosition().y, r.bottom + m_View->ScrollPosition().y};
    }

    HWND m_Parent = nullptr;
    std::unique_ptr<TReportView> m_View;
};

TEST_F(ReportViewTest, RepaintsOnlyTheLinesThatChanged) {
    m_View->ShowLines({u"<b>lan0</b>", u"Input Octets:   1 bytes", u"Gateway:   10.0.0.1"});
    Painted();
    m_View->ShowLines({u"<b>lan0</b>", u"Input Octets:   2 bytes", u"Gateway:   10.0.0.1"});
    EXPECT_EQ(DirtyRows(), std::make_pair(m_View->LineTop(1),
                                          m_View->LineTop(1) + m_View->LineHeight(1)));
    Painted();
    m_View->ShowLines({u"<b>lan0</b>", u"Input Octets:   2 bytes", u"Gateway:   10.0.0.1"});
    EXPECT_EQ(DirtyRows(), std::make_pair(0, 0)) << "the same report repaints nothing";
}

TEST_F(ReportViewTest, ALineThatGrowsRepaintsEverythingBelowIt) {
    m_View->ShowLines({u"a", u"b", u"c"});
    const int oldTop2 = m_View->LineTop(2);
    Painted();
    m_View->ShowLines({u"a", u"<font size=\"20\">b</font>", u"c"});
    EXPECT_GT(m_View->LineTop(2), oldTop2);
    RECT client{};
    GetClientRect(m_View->Handle(), &client);
    EXPECT_EQ(DirtyRows(), std::make_pair(m_View->LineTop(1), static_cast<int>(client.bottom)));
}

TEST_F(ReportViewTest, WheelScrollsWithinTheContentOnly) {
    std::vector<std::u16string> lines(80, u"Output Unicast Packets:   12 345");
    m_View->ShowLines(lines);
    RECT client{};
    GetClientRect(m_View->Handle(), &client);
    const int bottom = m_View->ContentSize().cy - client.bottom;
    ASSERT_GT(bottom, 0);
    m_View->ScrollByWheel(WHEEL_DELTA, false);
    EXPECT_EQ(m_View->ScrollPosition().y, 0) << "no scrolling above the top";
    m_View->ScrollByWheel(-WHEEL_DELTA, false);
    EXPECT_EQ(m_View->ScrollPosition().y, 20) << "a notch is 20 pixels at 96 per inch";
    for (int i = 0; i < 200; ++i) {
        m_View->ScrollByWheel(-WHEEL_DELTA, false);
    }
    EXPECT_EQ(m_View->ScrollPosition().y, bottom);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    GetScrollInfo(m_View->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, bottom) << "the bar follows";
}

TEST_F(ReportViewTest, ItsTextIsThePlainReport) {
    m_View->SetPlainText(u"Network Interface:   lan0\r\n");
    wchar_t text[64] = {};
    GetWindowTextW(m_View->Handle(), text, 64);
    EXPECT_STREQ(text, L"Network Interface:   lan0\r\n");
}

// Beside short lines the graph adds no height; below wide ones it does, and it scrolls with
// them. It repaints for a new track only while its window is shown, and is no tab stop.
TEST_F(ReportViewTest, RateGraphTakesRoomOnlyBelowWideLinesAndRepaintsOnlyWhileShown) {
    const std::vector<std::u16string> shortLines(20, u"Receive Rate:   0.0 bps");
    const std::vector<std::u16string> wideLines(20, std::u16string(60, u'W'));
    const TRateGraph& graph = m_View->RateGraph();
    m_View->ShowLines(shortLines);
    const LONG plain = m_View->ContentSize().cy;
    m_View->ShowGraph(nullptr, true);
    EXPECT_TRUE(IsWindowVisible(graph.Handle()));
    EXPECT_EQ((GetWindowLongW(graph.Handle(), GWL_STYLE) & WS_TABSTOP), 0);
    EXPECT_EQ(m_View->ContentSize().cy, plain) << "beside the lines";
    m_View->ShowLines(wideLines);
    EXPECT_EQ(m_View->ContentSize().cy, plain + MulDiv(24, 96, 120) + MulDiv(130, 96, 120))
        << "below the lines";
    RECT before{}, after{};
    GetWindowRect(graph.Handle(), &before);
    m_View->ScrollByWheel(-WHEEL_DELTA, false);
    GetWindowRect(graph.Handle(), &after);
    ASSERT_GT(m_View->ScrollPosition().y, 0);
    EXPECT_EQ(after.top, before.top - m_View->ScrollPosition().y);
    m_View->ShowGraph(nullptr, false);
    EXPECT_FALSE(IsWindowVisible(graph.Handle()));
    EXPECT_EQ(m_View->ContentSize().cy, plain) << "no room for a hidden graph";

    m_View->ShowLines({u"Receive Rate:   0.0 bps"}); // the graph in sight again
    TIdleLink link;
    m_View->ShowGraph(link.Tick(), true);
    UpdateWindow(graph.Handle());
    const int requests = graph.RepaintRequests(), paints = graph.Paints();
    m_View->ShowGraph(link.Tick(), true);
    UpdateWindow(graph.Handle());
    EXPECT_EQ(graph.RepaintRequests(), requests + 1);
    EXPECT_EQ(graph.Paints(), paints + 1);
    ShowWindow(m_Parent, SW_HIDE);
    m_View->ShowGraph(link.Tick(), true);
    UpdateWindow(graph.Handle());
    EXPECT_EQ(graph.RepaintRequests(), requests + 1) << "hidden, as in the notification area";
    EXPECT_EQ(graph.Paints(), paints + 1);
}

// An idle link's flat line grows at its left end: a tick repaints a strip there, and the screen
// then shows what a whole paint shows. Once the line fills the plot a tick repaints nothing.
TEST_F(ReportViewTest, AnIdleLinksGraphIsDrawnAgainOnlyWhereItsLineGrew) {
    m_View->ShowLines({u"Receive Rate:   0.0 bps"});
    const TRateGraph& graph = m_View->RateGraph();
    TIdleLink link;
    for (int i = 0; i < 10; ++i) {
        m_View->ShowGraph(link.Tick(), true);
    }
    UpdateWindow(graph.Handle());
    RECT client{};
    GetClientRect(graph.Handle(), &client);
    m_View->ShowGraph(link.Tick(), true);
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(graph.Handle(), &dirty, FALSE));
    EXPECT_LT(dirty.right - dirty.left, client.right / 8);
    UpdateWindow(graph.Handle());
    const std::vector<DWORD> grown = Pixels(graph.Handle());
    InvalidateRect(graph.Handle(), nullptr, FALSE);
    UpdateWindow(graph.Handle());
    EXPECT_EQ(grown, Pixels(graph.Handle()));

    for (int i = graph.PointCount(); i < TTrafficTrack::kCapacity + 1; ++i) {
        m_View->ShowGraph(link.Tick(), true);
        UpdateWindow(graph.Handle());
    }
    const int requests = graph.RepaintRequests();
    m_View->ShowGraph(link.Tick(), true);
    EXPECT_EQ(graph.RepaintRequests(), requests) << "a full flat line moves no pixel";
}

// Copy waits a moment for a window that holds the clipboard open (a clipboard manager taking
// its copy), and says why when it is kept from it.
TEST_F(ReportViewTest, CopyWaitsForABriefHolderOfTheClipboardAndSaysWhyAfterALongOne) {
    for (const DWORD heldMs : {DWORD{150}, DWORD{3000}}) {
        HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread holder([&] {
            HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                          nullptr, GetModuleHandleW(nullptr), nullptr);
            const bool held = OpenClipboard(window) != 0;
            SetEvent(opened);
            WaitForSingleObject(release, heldMs);
            if (held) {
                CloseClipboard();
            }
            DestroyWindow(window);
        });
        WaitForSingleObject(opened, INFINITE);
        std::u16string error;
        const bool copied = PutUnicodeTextOnClipboard(m_Parent, u"report", error);
        SetEvent(release);
        holder.join();
        CloseHandle(opened);
        CloseHandle(release);
        EXPECT_EQ(copied, heldMs < 500) << heldMs;
        EXPECT_EQ(error.rfind(u"The clipboard could not be opened", 0) == 0, !copied) << heldMs;
    }
}

} // namespace
} // namespace qmr
