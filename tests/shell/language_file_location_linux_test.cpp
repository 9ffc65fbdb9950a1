#include "shell/file_locations.h"
#include "shell/language_file_location.h"

#include "tests/shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// An installed layout <prefix>/bin and <prefix>/share/quillmere: start-up takes the file beside
// the executable when there is one, the installed one otherwise, and names the one beside it
// when neither exists.
TEST(LanguageFileLocation, BesideTheExecutableFirstThenTheInstalledDataFolder) {
    struct Case {
        bool beside;
        bool installed;
        const char* expected;
    };
    for (const Case c :
         {Case{true, true, "bin/language.ini"}, Case{false, true, "share/quillmere/language.ini"},
          Case{false, false, "bin/language.ini"}}) {
        SCOPED_TRACE(c.expected);
        const qmr::test::TTempFolder prefix;
        std::filesystem::create_directories(prefix.Path() / "bin");
        std::filesystem::create_directories(prefix.Path() / "share" / "quillmere");
        if (c.beside) {
            qmr::test::WriteTextFile(prefix.Path() / "bin" / "language.ini", "[en_EN]\n");
        }
        if (c.installed) {
            qmr::test::WriteTextFile(prefix.Path() / "share/quillmere/language.ini", "[en_EN]\n");
        }
        qmr::SetUpFileLocations(prefix.Text() + u"/bin/qmr", u"");
        EXPECT_EQ(qmr::g_LanguageFile, (prefix.Path() / c.expected).u16string());
        EXPECT_EQ(qmr::LanguageFileLocation(prefix.Text() + u"/bin/"), qmr::g_LanguageFile);
        qmr::ResetFileLocations();
    }
}

} // namespace
