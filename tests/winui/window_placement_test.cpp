#include "winui/tray_icon.h"
#include "winui/window_placement.h"

#include <gtest/gtest.h>

namespace qmr {
namespace {

// A primary monitor at 100 %, a second one right of it at 200 %.
const TMonitorArea kPrimary{0, 0, 1280, 800, 96};
const TMonitorArea kSecond{1280, 0, 1280 + 2560, 1440, 192};

TEST(WindowPlacement, RemembersInDeviceIndependentPixelsFromTheMonitorOrigin) {
    struct Case {
        const char* What;
        TWindowRect Client;
        TMonitorArea Monitor;
        TWindowRect Remembered;
    };
    const Case cases[] = {
        {"at 100 %", {100, 150, 748, 473}, kPrimary, {100, 150, 748, 473}},
        {"at 200 %, beside the first", {1280 + 200, 100, 1496, 946}, kSecond,
         {1280 + 100, 50, 748, 473}},
        {"at 150 %, odd sizes rounded", {15, 15, 1123, 709}, {0, 0, 1920, 1080, 144},
         {10, 10, 749, 473}},
        {"left of the primary", {-1000, 20, 640, 480}, {-1280, 0, 0, 1024, 96},
         {-1000, 20, 640, 480}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RememberedRect(c.Client, c.Monitor), c.Remembered) << c.What;
    }
}

TEST(WindowPlacement, PutsBackOnlyWhereAMonitorShowsTheMiddle) {
    const std::vector<TMonitorArea> both{kPrimary, kSecond};
    struct Case {
        const char* What;
        TWindowRect Remembered;
        std::vector<TMonitorArea> Monitors;
        std::optional<TWindowRect> Placed;
    };
    const Case cases[] = {
        {"on the primary", {100, 150, 748, 473}, both, TWindowRect{100, 150, 748, 473}},
        {"on the second, scaled back", {1280 + 100, 50, 748, 473}, both,
         TWindowRect{1280 + 200, 100, 1496, 946}},
        {"half off, middle on", {-300, 100, 800, 400}, both, TWindowRect{-300, 100, 800, 400}},
        {"middle just off the bottom", {100, 700, 400, 202}, both, std::nullopt},
        // The second monitor spans 1280 device-independent pixels, not 2560.
        {"beyond the scaled second", {1280 + 1300, 100, 400, 300}, both, std::nullopt},
        {"its monitor unplugged", {1280 + 100, 50, 748, 473}, {kPrimary}, std::nullopt},
        {"far away", {5000, 5000, 748, 473}, both, std::nullopt},
        {"nothing stored", {}, both, std::nullopt},
        {"no monitor", {100, 150, 748, 473}, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceRememberedRect(c.Remembered, c.Monitors), c.Placed) << c.What;
    }
}

TEST(WindowPlacement, ARememberedRectComesBackWhereItWas) {
    for (const TMonitorArea& m : {kPrimary, kSecond}) {
        const TWindowRect client{m.Left + 240, m.Top + 120, 1000, 640};
        EXPECT_EQ(PlaceRememberedRect(RememberedRect(client, m), {kPrimary, kSecond}), client);
    }
}

TEST(TrayText, CutsToTheFieldWithoutSplittingASurrogatePair) {
    const std::u16string clef = u"\U0001D11E"; // two units
    struct Case {
        const char* What;
        std::u16string Text;
        std::size_t Units;
        std::u16string Cut;
    };
    const Case cases[] = {
        {"short enough", u"Office LAN", 127, u"Office LAN"},
        {"exactly full", std::u16string(127, u'a'), 127, std::u16string(127, u'a')},
        {"one over", std::u16string(128, u'a'), 127, std::u16string(127, u'a')},
        {"pair across the end", std::u16string(126, u'a') + clef, 127, std::u16string(126, u'a')},
        {"pair just inside", std::u16string(125, u'a') + clef + u"b", 127,
         std::u16string(125, u'a') + clef},
        {"nothing", u"", 127, u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CutToUnits(c.Text, c.Units), c.Cut) << c.What;
    }
}

} // namespace
} // namespace qmr
