#include "winui/line_changes.h"

#include <gtest/gtest.h>

namespace qmr {
namespace {

TEST(CompareLines, NamesTheChangedLinesAndWhetherTheCountMoved) {
    using Lines = std::vector<std::u16string>;
    struct Case {
        const char* What;
        Lines Shown, Next;
        std::vector<std::size_t> Changed;
        bool CountChanged;
    };
    const Case cases[] = {
        {"same", {u"a", u"b"}, {u"a", u"b"}, {}, false},
        {"one counter", {u"a", u"1 bytes", u"c"}, {u"a", u"2 bytes", u"c"}, {1}, false},
        {"first and last", {u"a", u"b", u"c"}, {u"x", u"b", u"y"}, {0, 2}, false},
        {"grown", {u"a"}, {u"a", u"b", u""}, {1, 2}, true},
        {"shrunk", {u"a", u"b", u"c"}, {u"a"}, {}, true},
        {"from nothing", {}, {u"a"}, {0}, true},
        {"to nothing", {u"a"}, {}, {}, true},
    };
    for (const Case& c : cases) {
        const TLineChanges changes = CompareLines(c.Shown, c.Next);
        EXPECT_EQ(changes.Changed, c.Changed) << c.What;
        EXPECT_EQ(changes.CountChanged, c.CountChanged) << c.What;
    }
}

} // namespace
} // namespace qmr
