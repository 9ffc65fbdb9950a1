#include "base/display_text.h"

#include <gtest/gtest.h>

namespace qmr {
namespace {

TEST(ContainExternalText, ClosesWhatTheTextOpensAndReplacesControls) {
    using namespace std::string_literals;
    const struct {
        std::u16string in, out;
    } cases[] = {
        {u"Office LAN", u"Office LAN"},
        {u"tab\there", u"tab\there"},
        {u"evil\u202Eeman", u"evil\u202Eeman\u202C"},         // override closed at the end
        {u"a\u2067b\u202Bc", u"a\u2067b\u202Bc\u202C\u2069"}, // innermost closed first
        {u"a\u202Eb\u202Cc", u"a\u202Eb\u202Cc"},             // balanced: unchanged
        {u"\u2068x\u202Ay\u2069z", u"\u2068x\u202Ay\u2069z"}, // PDI closes the embedding too
        {u"stray\u202C\u2069", u"stray\uFFFD\uFFFD"},         // closers of nothing of its own
        {u"\u2066a\u202Cb", u"\u2066a\uFFFDb\u2069"},         // PDF cannot leave an isolate
        {u"nul\0bell\a\u0085del\u007F"s, u"nul\uFFFDbell\uFFFD\uFFFDdel\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ContainExternalText(c.in), c.out);
    }
}

} // namespace
} // namespace qmr
