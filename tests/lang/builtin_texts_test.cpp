#include "lang/builtin_texts.h"
#include "lang/text_ids.h"

#include <gtest/gtest.h>

namespace {

using LANGUAGE::GetBuiltInText;

TEST(BuiltInTexts, EndsOfTheTableAndWordsTheReportsDependOn) {
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextVersion), u"Version");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextWindowCaption), u"Quillmere");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextCopyButton), u"Copy...");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextByteOne), u"byte");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextNoInterfaces), u"No Network Interfaces");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextOutNonUnicast), u"Output Broadcast/Multicast Packets");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextMenuLanguage), u"Language");
}

TEST(BuiltInTexts, SharedWordsStayTwoIdentifiers) {
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextGateway), u"Gateway");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextGatewayNumbered), u"Gateway");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextByteFew), u"bytes");
    EXPECT_EQ(GetBuiltInText(LANGUAGE::TextByteMany), u"bytes");
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
