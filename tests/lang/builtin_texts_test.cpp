#include "lang/builtin_texts.h"

#include <gtest/gtest.h>

namespace {

using LANGUAGE::GetBuiltInText;

TEST(BuiltInTexts, EndsOfTheTableAndWordsTheReportsDependOn) {
    EXPECT_EQ(GetBuiltInText(1001), u"Version");
    EXPECT_EQ(GetBuiltInText(1005), u"Quillmere");
    EXPECT_EQ(GetBuiltInText(1006), u"Copy...");
    EXPECT_EQ(GetBuiltInText(1033), u"byte");
    EXPECT_EQ(GetBuiltInText(1037), u"No Network Interfaces");
    EXPECT_EQ(GetBuiltInText(1046), u"Output Broadcast/Multicast Packets");
    EXPECT_EQ(GetBuiltInText(1053), u"Language");
}

TEST(BuiltInTexts, SharedWordsStayTwoIdentifiers) {
    EXPECT_EQ(GetBuiltInText(1030), u"Gateway");
    EXPECT_EQ(GetBuiltInText(1038), u"Gateway");
    EXPECT_EQ(GetBuiltInText(1034), u"bytes");
    EXPECT_EQ(GetBuiltInText(1035), u"bytes");
}

TEST(BuiltInTexts, EveryIdentifierHasAPlainAsciiText) {
    for (int id = LANGUAGE::FirstTextId; id <= LANGUAGE::LastTextId; ++id) {
        const std::u16string text = GetBuiltInText(id);
        EXPECT_FALSE(text.empty()) << id;
        for (char16_t c : text) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << id;
        }
    }
}

TEST(BuiltInTexts, IdentifiersOutsideTheTableGiveEmptyText) {
    for (int id : {1000, LANGUAGE::LastTextId + 1, 0, -1, -1001, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(GetBuiltInText(id), u"") << id;
    }
}

} // namespace
