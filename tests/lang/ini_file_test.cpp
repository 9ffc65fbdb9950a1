#include "lang/ini_file.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using LANGUAGE::TIniFile;

const std::u16string Missing = u"<missing>";

std::u16string Value(const TIniFile& file, std::u16string_view section, std::u16string_view key) {
    return file.ReadString(section, key, Missing);
}

// The UTF-16 LE bytes of an ASCII or Cyrillic text, after a byte order mark.
std::string Utf16LeWithBom(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

TEST(IniFile, SectionsAndKeysIgnoreCaseAndBlanksAroundNamesAndValues) {
    const TIniFile file("  [ ru_RU ]  \n"
                        "  Name  =  Русский  \n"
                        "\t1006\t=\tКопировать...\t\n"
                        "[ПРИМЕР]\n"
                        "Ключ=Значение\n");
    EXPECT_EQ(file.GetSectionNames(), (std::vector<std::u16string>{u"ru_RU", u"ПРИМЕР"}));
    EXPECT_EQ(Value(file, u"RU_ru", u"name"), u"Русский");
    EXPECT_EQ(Value(file, u"ru_RU", u"1006"), u"Копировать...");
    EXPECT_EQ(Value(file, u"пример", u"КЛЮЧ"), u"Значение");
    EXPECT_EQ(Value(file, u"ru_RU", u"1007"), Missing);
    EXPECT_EQ(Value(file, u"de_DE", u"Name"), Missing);
}

TEST(IniFile, ValueIsTheRestOfItsLine) {
    const TIniFile file("[a]\n"
                        "formula = x=1; y=2 # not a comment\n"
                        "empty=\n"
                        "quoted=\"kept\"\n"
                        "escapes=one\\ntwo\\N\n");
    EXPECT_EQ(Value(file, u"a", u"formula"), u"x=1; y=2 # not a comment");
    EXPECT_EQ(Value(file, u"a", u"empty"), u"");
    EXPECT_EQ(Value(file, u"a", u"quoted"), u"\"kept\"");
    EXPECT_EQ(Value(file, u"a", u"escapes"), u"one\\ntwo\\N"); // escapes are the catalogue's
}

TEST(IniFile, IgnoresCommentsStrayLinesAndNamelessParts) {
    const TIniFile file("orphan=before any section\n"
                        "; [commented]\n"
                        "# [hashed]\n"
                        "[a]\n"
                        "  ; key=commented\n"
                        "# key=hashed\n"
                        "no equals sign\n"
                        "=no key\n"
                        "[unclosed\n"
                        "key=still in a\n"
                        "[]\n"
                        "lost=under a nameless section\n");
    EXPECT_EQ(file.GetSectionNames(), std::vector<std::u16string>{u"a"});
    EXPECT_EQ(Value(file, u"a", u"key"), u"still in a");
    EXPECT_EQ(Value(file, u"a", u"lost"), Missing);
    EXPECT_EQ(Value(file, u"", u"lost"), Missing);
    EXPECT_EQ(Value(file, u"a", u""), Missing);
}

TEST(IniFile, FirstOccurrenceOfASectionOrKeyWins) {
    const TIniFile file("[ru_RU]\n"
                        "1006=first\n"
                        "1006=second in the same section\n"
                        "[en_EN]\n"
                        "[RU_ru]\n"
                        "1006=from the repeated section\n"
                        "1007=only in the repeated section\n");
    EXPECT_EQ(file.GetSectionNames(), (std::vector<std::u16string>{u"ru_RU", u"en_EN"}));
    EXPECT_EQ(Value(file, u"ru_RU", u"1006"), u"first");
    EXPECT_EQ(Value(file, u"ru_RU", u"1007"), u"only in the repeated section");
}

TEST(IniFile, LineEndsCrLfLfAndLoneCr) {
    const TIniFile file("[a]\r\none=1\r\ntwo=2\rthree=3\n\r\nfour=4");
    EXPECT_EQ(Value(file, u"a", u"one"), u"1");
    EXPECT_EQ(Value(file, u"a", u"two"), u"2");
    EXPECT_EQ(Value(file, u"a", u"three"), u"3");
    EXPECT_EQ(Value(file, u"a", u"four"), u"4"); // last line without a line end
}

TEST(IniFile, Encodings) {
    const std::u16string expected = u"Русский";
    const TIniFile utf8("[ru_RU]\nName=Русский\n");
    const TIniFile utf8Bom("\xEF\xBB\xBF[ru_RU]\r\nName=Русский\r\n");
    const TIniFile utf16(Utf16LeWithBom(u"[ru_RU]\r\nName=Русский\r\n"));
    for (const TIniFile* file : {&utf8, &utf8Bom, &utf16}) {
        // A BOM left in front of the first section would make it another section.
        EXPECT_EQ(file->GetSectionNames(), std::vector<std::u16string>{u"ru_RU"});
        EXPECT_EQ(Value(*file, u"ru_RU", u"Name"), expected);
    }
    std::string bigEndian = "\xFE\xFF";
    for (char16_t c : std::u16string_view(u"[a]\nk=Я")) {
        bigEndian.push_back(static_cast<char>(c >> 8));
        bigEndian.push_back(static_cast<char>(c & 0xFF));
    }
    EXPECT_EQ(Value(TIniFile(bigEndian), u"a", u"k"), u"Я");
}

TEST(IniFile, MalformedBytesAreReplacedNotFatal) {
    const TIniFile file("[a]\nbad=x\xC3\xFFy\xE2\x82\nnext=\xF0\x9F\x98\x80ok\n");
    EXPECT_EQ(Value(file, u"a", u"bad"), u"x\uFFFD\uFFFDy\uFFFD");
    EXPECT_EQ(Value(file, u"a", u"next"), u"\U0001F600ok");
    // A UTF-16 file cut after an odd number of bytes.
    std::string cut = Utf16LeWithBom(u"[a]\nk=v");
    cut.push_back('\x41');
    EXPECT_EQ(Value(TIniFile(cut), u"a", u"k"), u"v\uFFFD");
    EXPECT_TRUE(TIniFile(std::string_view("\xFF\xFE", 2)).GetSectionNames().empty());
}

TEST(IniFile, LongLinesAndLargeFilesHaveNoLimit) {
    // About 10 MB: one value of 1 MB and some 250000 keys behind it.
    std::string bytes = "[big]\nlong=" + std::string(1 << 20, 'x') + "\n";
    for (int i = 0; i < 250000; ++i) {
        bytes += "key" + std::to_string(i) + "=value number " + std::to_string(i) + " of many\n";
    }
    bytes += "[after]\nlast=reached\n";
    ASSERT_GT(bytes.size(), 10u * 1000 * 1000);
    qmr::test::TTempFolder folder;
    const auto file = TIniFile::Read(folder.Write("big.ini", bytes));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(Value(*file, u"big", u"long").size(), std::size_t{1} << 20);
    EXPECT_EQ(Value(*file, u"big", u"key249999"), u"value number 249999 of many");
    EXPECT_EQ(Value(*file, u"after", u"last"), u"reached");
}

TEST(IniFile, ReadGivesNothingForAMissingFileOrAFolder) {
    qmr::test::TTempFolder folder;
    EXPECT_FALSE(TIniFile::Read(folder.PathOf("absent.ini")).has_value());
    EXPECT_FALSE(TIniFile::Read(folder.PathOf("")).has_value());
    const auto empty = TIniFile::Read(folder.Write("empty.ini", ""));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->GetSectionNames().empty());
}

TEST(IniFile, AValueEndsAtItsFirstNul) {
    static const char bytes[] = "[a]\nk=shown\0hidden\nName=En\0glish\n";
    const TIniFile file(std::string_view(bytes, sizeof bytes - 1));
    EXPECT_EQ(Value(file, u"a", u"k"), u"shown");
    EXPECT_EQ(Value(file, u"a", u"Name"), u"En");
}

} // namespace
