#include "shell/version_application.h"
#include "shell/version_table.h"

#include <gtest/gtest.h>

#include <map>

using VERAPP::TVersionApplication;

namespace {

using TParts = std::array<std::int32_t, 4>;

TParts PartsOf(const TVersionApplication& reader) {
    return {reader.GetVersionPart(0), reader.GetVersionPart(1), reader.GetVersionPart(2),
            reader.GetVersionPart(3)};
}

// Answers only the exact paths it holds and remembers every question, so the tests see the
// reader's query paths as the platform would.
class TRecordingBlock final : public qmr::TVersionBlock {
public:
    bool QueryTranslations(std::u16string_view path,
                           std::vector<qmr::TVersionTranslation>* table) const override {
        m_Queries.emplace_back(path);
        if (!m_HasTranslations || path != u"\\VarFileInfo\\Translation") {
            return false;
        }
        *table = m_Translations;
        return true;
    }
    bool QueryString(std::u16string_view path, std::u16string* value) const override {
        m_Queries.emplace_back(path);
        const auto found = m_Strings.find(std::u16string(path));
        if (found == m_Strings.end()) {
            return false;
        }
        *value = found->second;
        return true;
    }

    bool m_HasTranslations = true;
    std::vector<qmr::TVersionTranslation> m_Translations;
    std::map<std::u16string, std::u16string> m_Strings;
    mutable std::vector<std::u16string> m_Queries;
};

qmr::TVersionTable TableWithFileVersion(const std::u16string& fileVersion) {
    qmr::TVersionTable table;
    table.AddTranslation(0x0419, 0x04E3);
    table.SetString(u"041904E3", u"FileVersion", fileVersion);
    return table;
}

} // namespace

TEST(VersionApplication, OwnVersionBlockGivesProductAndFileVersion) {
    const TVersionApplication reader;
    EXPECT_EQ(reader.m_ProductName, u"Quillmere");
    EXPECT_EQ(reader.m_FileDescription, u"Quillmere");
    EXPECT_EQ(reader.m_InternalName, u"qmr.exe");
    EXPECT_EQ(reader.m_OriginalFilename, u"qmr.exe");
    EXPECT_EQ(reader.m_ProductVersion, u"1.0.0.0");
    EXPECT_EQ(reader.m_CompanyName, u"Quillmere developers");
    EXPECT_EQ(reader.m_LegalCopyright, u"Copyright (C) 2026 Quillmere developers");
    EXPECT_EQ(reader.m_FileVersion, u"" QMR_TEST_PROJECT_VERSION);
    EXPECT_EQ(PartsOf(reader), (TParts{QMR_TEST_VERSION_MAJOR, QMR_TEST_VERSION_MINOR,
                                       QMR_TEST_VERSION_PATCH, QMR_TEST_VERSION_TWEAK}));
    EXPECT_EQ(VERAPP::GetApplicationTitle(), u"Quillmere");
}

TEST(VersionApplication, VersionPartOutsideZeroToThreeIsZero) {
    const TVersionApplication reader;
    ASSERT_NE(reader.GetVersionPart(0), 0);
    for (const int index : {-1, 4, 5, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(reader.GetVersionPart(index), 0) << index;
    }
}

TEST(VersionApplication, QueriesFirstTranslationsTableInKeyOrder) {
    TRecordingBlock block;
    block.m_Translations = {{0x0007, 0x04B0}, {0x0419, 0x04E3}};
    block.m_Strings[u"\\StringFileInfo\\000704B0\\ProductName"] = u"First";
    block.m_Strings[u"\\StringFileInfo\\041904E3\\ProductName"] = u"Second";
    const TVersionApplication reader(&block);
    EXPECT_EQ(reader.m_ProductName, u"First");
    const std::vector<std::u16string> expected = {
        u"\\VarFileInfo\\Translation",
        u"\\StringFileInfo\\000704B0\\FileVersion",
        u"\\StringFileInfo\\000704B0\\CompanyName",
        u"\\StringFileInfo\\000704B0\\FileDescription",
        u"\\StringFileInfo\\000704B0\\InternalName",
        u"\\StringFileInfo\\000704B0\\LegalCopyright",
        u"\\StringFileInfo\\000704B0\\OriginalFilename",
        u"\\StringFileInfo\\000704B0\\ProductName",
        u"\\StringFileInfo\\000704B0\\ProductVersion",
    };
    EXPECT_EQ(block.m_Queries, expected);
}

TEST(VersionApplication, TwoTranslationsReadOnlyTheFirstOnesStrings) {
    qmr::TVersionTable table;
    table.AddTranslation(0x0409, 0x04B0);
    table.AddTranslation(0x0419, 0x04E3);
    table.SetString(u"040904B0", u"FileVersion", u"2.5");
    table.SetString(u"040904B0", u"ProductName", u"English name");
    table.SetString(u"041904E3", u"FileVersion", u"9.9.9.9");
    table.SetString(u"041904E3", u"ProductName", u"Russian name");
    table.SetString(u"041904E3", u"CompanyName", u"Only in the second table");
    const TVersionApplication reader(&table);
    EXPECT_EQ(reader.m_ProductName, u"English name");
    EXPECT_EQ(reader.m_FileVersion, u"2.5");
    EXPECT_EQ(reader.m_CompanyName, u"");
    EXPECT_EQ(PartsOf(reader), (TParts{2, 5, 0, 0}));
}

TEST(VersionApplication, MissingCompanyNameLeavesOnlyThatFieldEmpty) {
    qmr::TVersionTable table;
    table.AddTranslation(0x0419, 0x04E3);
    const std::u16string name = u"041904E3";
    table.SetString(name, u"FileDescription", u"Description");
    table.SetString(name, u"FileVersion", u"3");
    table.SetString(name, u"InternalName", u"internal.exe");
    table.SetString(name, u"LegalCopyright", u"Copyright line");
    table.SetString(name, u"OriginalFilename", u"original.exe");
    table.SetString(name, u"ProductName", u"Product");
    table.SetString(name, u"ProductVersion", u"4.0");
    const TVersionApplication reader(&table);
    EXPECT_EQ(reader.m_CompanyName, u"");
    EXPECT_EQ(reader.m_FileDescription, u"Description");
    EXPECT_EQ(reader.m_FileVersion, u"3");
    EXPECT_EQ(reader.m_InternalName, u"internal.exe");
    EXPECT_EQ(reader.m_LegalCopyright, u"Copyright line");
    EXPECT_EQ(reader.m_OriginalFilename, u"original.exe");
    EXPECT_EQ(reader.m_ProductName, u"Product");
    EXPECT_EQ(reader.m_ProductVersion, u"4.0");
    EXPECT_EQ(PartsOf(reader), (TParts{3, 0, 0, 0}));
}

TEST(VersionApplication, NoUsableTranslationReadsNothing) {
    TRecordingBlock withoutTable;
    withoutTable.m_HasTranslations = false;
    withoutTable.m_Strings[u"\\StringFileInfo\\041904E3\\ProductName"] = u"Unreachable";
    TRecordingBlock emptyTable; // the query succeeds but lists no translation
    emptyTable.m_Strings[u"\\StringFileInfo\\041904E3\\ProductName"] = u"Unreachable";

    for (const qmr::TVersionBlock* block :
         std::initializer_list<const qmr::TVersionBlock*>{&withoutTable, &emptyTable, nullptr}) {
        const TVersionApplication reader(block);
        EXPECT_EQ(reader.m_ProductName, u"");
        EXPECT_EQ(reader.m_FileVersion, u"");
        EXPECT_EQ(PartsOf(reader), (TParts{0, 0, 0, 0}));
    }
    EXPECT_EQ(withoutTable.m_Queries.size(), 1u);
    EXPECT_EQ(emptyTable.m_Queries.size(), 1u);
}

TEST(VersionApplication, FileVersionTextSplitsIntoFourNumbers) {
    const struct {
        std::u16string m_Text;
        TParts m_Parts;
    } cases[] = {
        {u"1.0.1.73", {1, 0, 1, 73}},
        {u"2.5", {2, 5, 0, 0}},
        {u"1..3", {1, 0, 3, 0}},
        {u"1.x.3", {1, 0, 3, 0}},
        {u"", {0, 0, 0, 0}},
        {u"3", {3, 0, 0, 0}},
        {u".7", {0, 7, 0, 0}},
        {u"1.2.3.4.5.6", {1, 2, 3, 4}},
        {u"1.2.3.", {1, 2, 3, 0}},
        {u"12abc.4", {0, 4, 0, 0}},
        {u" 5.6", {0, 6, 0, 0}},
        {u"-2.+3", {-2, 3, 0, 0}},
        {u"2147483647.2147483648.-2147483648.99999999999", {2147483647, 0, INT32_MIN, 0}},
    };
    for (const auto& c : cases) {
        const qmr::TVersionTable table = TableWithFileVersion(c.m_Text);
        const TVersionApplication reader(&table);
        EXPECT_EQ(PartsOf(reader), c.m_Parts) << std::string(c.m_Text.begin(), c.m_Text.end());
        EXPECT_EQ(reader.m_FileVersion, c.m_Text);
    }
}

TEST(VersionTable, AnswersQueriesWhateverTheirLetterCase) {
    qmr::TVersionTable table;
    std::vector<qmr::TVersionTranslation> translations;
    EXPECT_FALSE(table.QueryTranslations(u"\\VarFileInfo\\Translation", &translations));

    table.AddTranslation(0x0419, 0x04E3);
    table.SetString(u"041904e3", u"ProductName", u"Quillmere");
    ASSERT_TRUE(table.QueryTranslations(u"\\varfileinfo\\TRANSLATION", &translations));
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations[0].m_Language, 0x0419);
    EXPECT_EQ(translations[0].m_CodePage, 0x04E3);

    std::u16string value;
    EXPECT_TRUE(table.QueryString(u"\\StringFileInfo\\041904E3\\productname", &value));
    EXPECT_EQ(value, u"Quillmere");
    EXPECT_FALSE(table.QueryString(u"\\StringFileInfo\\040904B0\\ProductName", &value));
    EXPECT_FALSE(table.QueryString(u"\\VarFileInfo\\041904E3\\ProductName", &value));
    EXPECT_FALSE(table.QueryString(u"\\StringFileInfo\\041904E3\\", &value));
}
