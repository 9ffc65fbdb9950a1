#include "base/executable_path.h"
#include "base/record_text.h"
#include "base/utf16_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace qmr {
namespace {

TEST(Utf16Text, RoundTripsEveryPlane) {
    const std::string utf8 = "ASCII Русский 中文 \xF0\x9F\x98\x80";
    const std::u16string utf16 = Utf8ToUtf16(utf8);
    EXPECT_EQ(utf16, u"ASCII Русский 中文 \U0001F600");
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
}

TEST(Utf16Text, InvalidUtf8IsReplacedNeverDropped) {
    // A stray continuation byte, a truncated sequence at the end, an overlong slash and an
    // encoded surrogate: each becomes one replacement character and the text around survives.
    EXPECT_EQ(Utf8ToUtf16("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("ab\xE2\x82"), u"ab\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF!"), u"\uFFFD!");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80x"), u"\uFFFDx");
    EXPECT_EQ(Utf8ToUtf16("\xFF"), u"\uFFFD");
}

TEST(Utf16Text, UnpairedSurrogateBecomesReplacement) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    // A lone low surrogate at the end, and a high one at the end.
    EXPECT_EQ(Utf16ToUtf8(u"a" + std::u16string(1, char16_t(0xDC00))), "a\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(u"a" + std::u16string(1, char16_t(0xDBFF))), "a\xEF\xBF\xBD");
}

// Texts made only of the widest units, where the bytes written are most per unit.
TEST(Utf16Text, TextsOfOnlyWideCharactersConvertWhole) {
    for (const auto& [unit, bytes] : std::vector<std::pair<std::u16string, std::string>>{
             {u"\u00E9", "\xC3\xA9"},
             {u"\u4E2D", "\xE4\xB8\xAD"},
             {u"\U0001F600", "\xF0\x9F\x98\x80"},
             {std::u16string(1, char16_t(0xDFFF)), "\xEF\xBF\xBD"}}) {
        std::u16string text;
        std::string expected;
        for (int i = 0; i < 1000; ++i) {
            text += unit;
            expected += bytes;
        }
        EXPECT_EQ(Utf16ToUtf8(text), expected);
        EXPECT_EQ(Utf16ToUtf8(unit), bytes);
    }
}

TEST(Utf16Text, BlankMeansOnlySpacesAndControls) {
    EXPECT_TRUE(IsBlankText(u""));
    EXPECT_TRUE(IsBlankText(u"  \t\r\n"));
    EXPECT_TRUE(IsBlankText(std::u16string(3, u'\0')));
    EXPECT_FALSE(IsBlankText(u"  x "));
    EXPECT_FALSE(IsBlankText(u"\u00A0")); // no-break space is above U+0020
}

TEST(ExecutablePath, SplitsFolderAndFileName) {
    EXPECT_EQ(FolderOfPath(u"/opt/qmr/bin/qmr"), u"/opt/qmr/bin/");
    EXPECT_EQ(FileNameOfPath(u"/opt/qmr/bin/qmr"), u"qmr");
    EXPECT_EQ(FolderOfPath(u"qmr"), u"");
    EXPECT_EQ(FileNameOfPath(u"qmr"), u"qmr");
    const std::u16string self = ExecutablePath();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(FileNameOfPath(self), u"qmr_base_tests" QMR_TEST_EXECUTABLE_SUFFIX);
}

// Written over any text, a record's text reads as the converting copy reads it: ASCII in the
// room the text had, anything else through the record's code page.
TEST(RecordText, AssignedOverAnyTextReadsAsTheConvertedCopy) {
    const std::string records[] = {"10.0.0.1", "", std::string(16, '7'), "caf\xc3\xa9",
                                   std::string("a\0b", 3)};
    for (const std::string& record : records) {
        for (std::u16string into : {std::u16string(), std::u16string(40, u'x')}) {
            const std::size_t capacity = std::min<std::size_t>(record.size(), 16);
            AssignRecordText(into, record.data(), capacity);
            EXPECT_EQ(into, RecordTextToUtf16(record.data(), capacity)) << record;
        }
    }
}

} // namespace
} // namespace qmr
