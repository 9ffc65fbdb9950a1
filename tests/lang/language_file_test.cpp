// The language file that ships with the program, as the build places it next to the programs.
#include "lang/builtin_texts.h"
#include "lang/ini_file.h"
#include "lang/lang_strings.h"

#include "base/executable_path.h"
#include "base/utf16_text.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using LANGUAGE::TLangStrings;

std::u16string ShippedLanguageFile() {
    return qmr::FolderOfPath(qmr::ExecutablePath()) + u"language.ini";
}

TEST(ShippedLanguageFile, OffersEnglishAndRussian) {
    TLangStrings strings;
    strings.LoadFromFile(ShippedLanguageFile());
    ASSERT_EQ(strings.GetLanguageCount(), 2);
    EXPECT_EQ(strings.GetLanguage(0)->m_Code, u"en_EN");
    EXPECT_EQ(strings.GetLanguage(0)->m_Name, u"English");
    EXPECT_EQ(strings.GetLanguage(1)->m_Code, u"ru_RU");
    EXPECT_EQ(strings.GetLanguage(1)->m_Name, u"Русский");
    // English keeps the built-in texts.
    for (int id = LANGUAGE::FirstTextId; id <= LANGUAGE::LastTextId; ++id) {
        EXPECT_EQ(strings.GetText(id), LANGUAGE::GetBuiltInText(id)) << id;
    }
}

TEST(ShippedLanguageFile, RussianTranslatesEveryText) {
    const auto file = LANGUAGE::TIniFile::Read(ShippedLanguageFile());
    ASSERT_TRUE(file.has_value());
    const std::u16string missing = u"\n";
    // Acronyms and the program's name read the same in Russian.
    const std::set<int> same = {1002, 1005, 1023, 1026, 1039, 1040, 1078, 1080, 1081, 1082};
    for (int id = LANGUAGE::FirstTextId; id <= LANGUAGE::LastTextId; ++id) {
        const std::u16string text =
            file->ReadString(u"ru_RU", qmr::Utf8ToUtf16(std::to_string(id)), missing);
        ASSERT_NE(text, missing) << id;
        EXPECT_FALSE(text.empty()) << id;
        if (same.count(id) == 0) {
            EXPECT_NE(text, LANGUAGE::GetBuiltInText(id)) << id;
        }
    }
}

TEST(ShippedLanguageFile, RussianCountFormsAndBothGateways) {
    TLangStrings strings;
    strings.LoadFromFile(ShippedLanguageFile());
    strings.SelectLanguage(strings.IndexOfLanguage(u"ru_RU"));
    EXPECT_EQ(strings.GetText(1033), u"байт");
    EXPECT_EQ(strings.GetText(1034), u"байта");
    EXPECT_EQ(strings.GetText(1035), u"байт");
    EXPECT_EQ(strings.GetText(1030), u"Шлюз");
    EXPECT_EQ(strings.GetText(1038), u"Шлюз");
}

} // namespace
