#include "lang/lang_strings.h"
#include "lang/text_ids.h"

#include "base/utf16_text.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whatever lies where language.ini should be, loading gives up at once and says why; the
// catalogue keeps its built-in entry.
TEST(LanguageFile, WhatIsNoLanguageFileIsSkippedAtOnceWithAReason) {
    qmr::test::TTempFolder folder;
    const std::string fifo = qmr::Utf16ToUtf8(folder.PathOf("fifo.ini"));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = qmr::Utf16ToUtf8(folder.PathOf("zero.ini"));
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    const std::u16string huge =
        folder.Write("huge.ini", "[ru_RU]\n" + std::string(LANGUAGE::LanguageFileMaxBytes, ';'));
    const struct {
        std::u16string path;
        std::string why;
    } cases[] = {
        {qmr::Utf8ToUtf16(fifo), "is not a regular file"},
        {qmr::Utf8ToUtf16(zero), "is not a regular file"},
        {folder.PathOf(""), "is not a regular file"},
        {huge, "is larger than a language file can be"},
        {folder.PathOf("absent.ini"), ""}, // no file at all is no problem
    };
    for (const auto& c : cases) {
        LANGUAGE::TLangStrings strings;
        EXPECT_EQ(strings.LoadFromFile(c.path), c.why) << qmr::Utf16ToUtf8(c.path);
        EXPECT_EQ(strings.GetLanguageCount(), 1);
        EXPECT_EQ(strings.GetText(LANGUAGE::TextWindowCaption), u"Quillmere");
    }
}

} // namespace
