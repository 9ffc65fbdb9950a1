#include "report/rate_graph_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qmr {
namespace {

// Seven pixels a UTF-16 unit, lines of 16 with the baseline at 12.
class FixedMetrics : public TGraphTextMetrics {
public:
    int Width(const std::u16string& text) const override { return 7 * static_cast<int>(text.size()); }
    int LineHeight() const override { return 16; }
    int Ascent() const override { return 12; }
};

const std::vector<std::u16string> kEnglish = {u"Receive Rate", u"Send Rate"};

// Side by side the English legend takes 14 + 84 + 16 + 14 + 63 = 191 pixels.
TEST(RateGraphLayoutTest, LegendStacksBeforeItCutsAndCutsOnlyWhatNoRowHolds) {
    const FixedMetrics metrics;
    struct Case {
        std::vector<std::u16string> labels;
        int width;
        bool stacked;
        std::vector<std::u16string> shown;
    };
    const Case cases[] = {
        {kEnglish, 191, false, kEnglish},
        {kEnglish, 190, true, kEnglish},
        {kEnglish, 14 + 63, true, {u"Receive \u2026", u"Send Rate"}},
        {kEnglish, 14 + 6, true, {u"", u""}},
        // A cut never splits a surrogate pair: "a" and half of U+1D538 would fit.
        {{u"a\U0001D538b"}, 14 + 21, true, {u"a\u2026"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        const auto legend = LayOutLegend(metrics, c.width, 50, c.labels);
        ASSERT_EQ(legend.size(), c.labels.size());
        EXPECT_EQ(legend[0].Baseline, 50 + 12);
        EXPECT_EQ(legend[0].Swatch, (TGraphRect{0, 53, 10, 10}));
        if (legend.size() > 1) {
            EXPECT_EQ(legend[1].Baseline, c.stacked ? 50 + 12 + 16 : 50 + 12);
            EXPECT_EQ(legend[1].Swatch.Left, c.stacked ? 0 : 14 + 84 + 16);
        }
        for (std::size_t i = 0; i < legend.size(); ++i) {
            EXPECT_EQ(legend[i].Text, c.shown[i]);
            EXPECT_EQ(legend[i].TextX, legend[i].Swatch.Left + 14);
            EXPECT_LE(legend[i].TextX + metrics.Width(legend[i].Text), c.width);
        }
    }
}

TEST(RateGraphLayoutTest, PlotLiesBetweenTheAxisTextAndTheLegend) {
    const FixedMetrics metrics;
    struct Case {
        int width, height;
        TGraphRect plot;
        int legendRows;
        bool drawable;
    };
    const Case cases[] = {
        {200, 130, {0, 18, 200, 130 - 16 - 16 - 6}, 1, true},
        {150, 130, {0, 18, 150, 130 - 16 - 32 - 6}, 2, true},
        {150, 55, {0, 18, 150, 55 - 16 - 32 - 6}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        const TRateGraphLayout layout = LayOutRateGraph(metrics, c.width, c.height, kEnglish);
        EXPECT_EQ(layout.AxisTextBaseline, 12);
        EXPECT_EQ(layout.Plot, c.plot);
        EXPECT_EQ(layout.Drawable, c.drawable);
        EXPECT_EQ(layout.Legend.front().Swatch.Top, c.plot.Bottom() + 4 + 3);
        EXPECT_EQ(layout.Legend.back().Baseline, c.plot.Bottom() + 4 + 12 + 16 * (c.legendRows - 1));
        EXPECT_LE(layout.Legend.back().Baseline, c.height);
    }
}

TEST(RateGraphLayoutTest, PointsRunFromTheRightEdgeAndScaleToTheAxisTop) {
    const TGraphRect plot{10, 20, 120, 101}; // columns 10..129, rows 20..120
    struct Case {
        int i, count;
        double bps, axisTop;
        double x, y;
    };
    const Case cases[] = {
        {0, 1, 0, 1, 129, 120},                          // the latest at the right, 0 at the bottom
        {119, 120, 500, 500, 129, 20},                   // the axis top on the top row
        {0, 120, 250, 500, 10, 70},                      // a full track reaches the left edge
        {58, 60, 0, 1, 129 - 119.0 / 119, 120},          // one step a point
    };
    for (const Case& c : cases) {
        const TGraphPoint p = GraphPointAt(plot, c.i, c.count, c.bps, c.axisTop);
        EXPECT_DOUBLE_EQ(p.X, c.x) << c.i << " of " << c.count;
        EXPECT_DOUBLE_EQ(p.Y, c.y) << c.i << " of " << c.count;
    }
    TGraphTrack none;
    TakeGraphTrack(nullptr, none);
    EXPECT_TRUE(none.Points.empty());
    EXPECT_EQ(none.AxisTop(), 1) << "an idle or empty track still has an axis";
    EXPECT_EQ((TGraphTrack{{}, 5000}.AxisTop()), 5000);
}

// A plot 120 columns wide (10 to 129): one column a point.
TEST(RateGraphLayoutTest, ATickDrawsAgainOnlyTheColumnsWhereTheCurvesDiffer) {
    const TGraphRect plot{10, 0, 120, 50};
    const auto track = [](std::vector<double> in, double largest) {
        TGraphTrack t;
        for (const double bps : in) {
            t.Points.push_back({bps, 0});
        }
        t.Largest = largest;
        return t;
    };
    const TColumnSpan whole{9, 130};
    struct Case {
        const char* what;
        TGraphTrack before, after;
        std::optional<TColumnSpan> want;
    };
    const Case cases[] = {
        {"the same points", track({0, 0, 0}, 0), track({0, 0, 0}, 0), std::nullopt},
        // The fourth point from the right stands at 126, its neighbours at 125 and 127.
        {"an idle line grows", track({0, 0, 0}, 0), track({0, 0, 0, 0}, 0), TColumnSpan{124, 128}},
        {"traffic moves every point", track({0, 5}, 5), track({0, 5, 7}, 5), TColumnSpan{125, 130}},
        {"another axis top", track({0, 5}, 5), track({0, 5}, 9), whole},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChangedPlotColumns(plot, c.before, c.after), c.want) << c.what;
    }
    using TRange = std::optional<std::pair<int, int>>;
    EXPECT_EQ(PointsReaching(plot, 120, {124, 128}), (TRange{{112, 119}}));
    EXPECT_EQ(PointsReaching(plot, 4, whole), (TRange{{0, 3}}));
    EXPECT_EQ(PointsReaching(plot, 4, {10, 20}), TRange{}) << "a short line ends further right";
}

TEST(RateGraphLayoutTest, GraphGoesBesideTheLinesWhereTheyLeaveRoomElseBelow) {
    struct Case {
        int textWidth, textHeight, viewWidth, scale;
        TGraphPlacement want;
    };
    const Case cases[] = {
        {300, 400, 800, 1, {{800 - 360, 400 - 130, 360, 130}, 0}},
        {450, 400, 800, 1, {{800 - 326, 400 - 130, 326, 130}, 0}},
        {300, 100, 800, 1, {{800 - 360, 0, 360, 130}, 0}},
        {700, 400, 800, 1, {{0, 400 + 24, 220, 130}, 24 + 130}},
        {320, 400, 800, 2, {{0, 400 + 48, 440, 260}, 48 + 260}},
    };
    for (const Case& c : cases) {
        const TGraphPlacement got = PlaceRateGraph(c.textWidth, c.textHeight, c.viewWidth,
                                                   [&](int length) { return length * c.scale; });
        EXPECT_EQ(got.Rect, c.want.Rect) << c.textWidth << " at " << c.scale;
        EXPECT_EQ(got.AddedHeight, c.want.AddedHeight) << c.textWidth << " at " << c.scale;
    }
}

} // namespace
} // namespace qmr
