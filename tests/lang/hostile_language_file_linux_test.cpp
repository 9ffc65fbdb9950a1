#include "lang/lang_strings.h"
#include "lang/text_ids.h"

#include "base/utf16_text.h"
#include "test_files.h"
#include "tests/support/odd_files_linux.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Whatever lies where language.ini should be, loading gives up at once and says why; the
// catalogue keeps its built-in entry.
TEST(LanguageFile, WhatIsNoLanguageFileIsSkippedAtOnceWithAReason) {
    qmr::test::TTempFolder folder;
    const std::u16string huge =
        folder.Write("huge.ini", "[ru_RU]\n" + std::string(LANGUAGE::LanguageFileMaxBytes, ';'));
    struct TCase {
        std::u16string path;
        std::string why;
    };
    std::vector<TCase> cases = {
        {huge, "is larger than a language file can be"},
        {folder.PathOf("absent.ini"), ""}, // no file at all is no problem
    };
    for (const std::u16string& odd : qmr::test::MakeOddFiles(folder, ".ini")) {
        cases.push_back({odd, "is not a regular file"});
    }
    for (const auto& c : cases) {
        LANGUAGE::TLangStrings strings;
        EXPECT_EQ(strings.LoadFromFile(c.path), c.why) << qmr::Utf16ToUtf8(c.path);
        EXPECT_EQ(strings.GetLanguageCount(), 1);
        EXPECT_EQ(strings.GetText(LANGUAGE::TextWindowCaption), u"Quillmere");
    }
}

} // namespace
