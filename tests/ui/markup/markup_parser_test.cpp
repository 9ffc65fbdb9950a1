#include "ui/markup/markup_parser.h"

#include <gtest/gtest.h>

namespace qmr {
namespace {

TMarkupStyle Style(bool bold = false, std::optional<int> size = {},
                   std::optional<std::uint32_t> color = {},
                   std::optional<std::u16string> face = {}) {
    return {bold, size, color, std::move(face)};
}

TEST(MarkupParser, OnlyBrEndsALineAndATrailingBrOpensNone) {
    const auto lines = ParseMarkup(u"one<br>two<br><br>four<br>");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], (TMarkupLine{{u"one", {}, Style()}}));
    EXPECT_EQ(lines[1], (TMarkupLine{{u"two", {}, Style()}}));
    EXPECT_TRUE(lines[2].empty());
    EXPECT_EQ(lines[3], (TMarkupLine{{u"four", {}, Style()}}));
    // Line feeds in the text do not end lines; they are text.
    EXPECT_EQ(ParseMarkup(u"a\nb").size(), 1u);
}

TEST(MarkupParser, ReportLinesAsTheBuildersWriteThem) {
    const auto label = ParseMarkup(u"<b>MAC</b>:   00-1A-2B-3C-4D-5E<br>");
    ASSERT_EQ(label.size(), 1u);
    EXPECT_EQ(label[0],
              (TMarkupLine{{u"MAC", {}, Style(true)}, {u":   00-1A-2B-3C-4D-5E", {}, Style()}}));

    const auto address = ParseMarkup(u"<b>IP Address</b>:   <font size=\"12\" color=\"#0000C4\" "
                                     u"face=\"Verdana\"><b>10.0.0.5</b></font>");
    ASSERT_EQ(address.size(), 1u);
    ASSERT_EQ(address[0].size(), 3u);
    EXPECT_EQ(address[0][2], (TMarkupRun{u"10.0.0.5", {}, Style(true, 12, 0x0000C4, u"Verdana")}));

    const auto status = ParseMarkup(u"<font size=\"14\" color=\"#00A000\">Online</font>");
    EXPECT_EQ(status[0], (TMarkupLine{{u"Online", {}, Style(false, 14, 0x00A000)}}));

    const auto picture = ParseMarkup(u"<img src=\"online\">");
    EXPECT_EQ(picture[0], (TMarkupLine{{{}, u"online", Style()}}));
}

TEST(MarkupParser, FontsNestAndAbsentAttributesKeepWhatWasSet) {
    const auto lines = ParseMarkup(
        u"<font size=\"16\" color=\"#800000\">a<font face=\"Tahoma\">b</font>c</font>d");
    ASSERT_EQ(lines[0].size(), 4u);
    EXPECT_EQ(lines[0][0].Style, Style(false, 16, 0x800000));
    EXPECT_EQ(lines[0][1].Style, Style(false, 16, 0x800000, u"Tahoma"));
    EXPECT_EQ(lines[0][2].Style, Style(false, 16, 0x800000));
    EXPECT_EQ(lines[0][3].Style, Style());
}

TEST(MarkupParser, EntitiesDecodeToTextAndEscapedMarkupStaysText) {
    const auto lines = ParseMarkup(u"<b>Name</b>:   &lt;b&gt;Lab &amp; Co&lt;/b&gt;");
    ASSERT_EQ(lines[0].size(), 2u);
    EXPECT_EQ(lines[0][1].Text, u":   <b>Lab & Co</b>");
    EXPECT_FALSE(lines[0][1].Style.Bold);
    // Only the three entities: others stay as they are.
    EXPECT_EQ(ParseMarkup(u"&quot;&amp")[0][0].Text, u"&quot;&amp");
}

TEST(MarkupParser, UnknownOrBrokenTagsAreShownAsText) {
    EXPECT_EQ(ParseMarkup(u"<i>x</i>")[0][0].Text, u"<i>x</i>");
    EXPECT_EQ(ParseMarkup(u"a < b")[0][0].Text, u"a < b");
    EXPECT_EQ(ParseMarkup(u"<b")[0][0].Text, u"<b");
    EXPECT_EQ(ParseMarkup(u"<font color=\"#12\">x</font>")[0][0].Style, Style());
    EXPECT_EQ(ParseMarkup(u"<font size=\"-3\">x</font>")[0][0].Style, Style());
    // A close without an open changes nothing.
    EXPECT_EQ(ParseMarkup(u"</font></b>x")[0][0], (TMarkupRun{u"x", {}, Style()}));
}

TEST(MarkupParser, EmptyAndHostileInputNeverBreaksIt) {
    EXPECT_EQ(ParseMarkup(u"").size(), 1u);
    EXPECT_TRUE(ParseMarkup(u"")[0].empty());
    const std::u16string deep(10000, u'<');
    EXPECT_EQ(ParseMarkup(deep)[0][0].Text.size(), deep.size());
    std::u16string nested;
    for (int i = 0; i < 5000; ++i) {
        nested += u"<font size=\"9\"><b>";
    }
    EXPECT_EQ(ParseMarkup(nested + u"x")[0][0].Style, Style(true, 9));
}

} // namespace
} // namespace qmr
