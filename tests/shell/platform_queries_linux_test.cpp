#include "shell/platform_queries.h"

#include "base/executable_path.h"
#include "tests/shell/shell_test_support.h"

#include <gtest/gtest.h>

using qmr::test::TScopedEnvironment;
using qmr::test::TTempFolder;

TEST(PlatformQueries, UserInterfaceLanguageFollowsMessagesLocale) {
    const struct {
        std::optional<std::string> m_LcAll, m_LcMessages, m_Lang;
        std::uint16_t m_Expected;
    } cases[] = {
        {std::nullopt, std::nullopt, std::nullopt, 1033},
        {std::nullopt, std::nullopt, "ru_RU.UTF-8", 1049},
        {std::nullopt, "de_DE.UTF-8", "ru_RU.UTF-8", 1031},
        {"en_US.UTF-8", "ru_RU.UTF-8", "ru_RU.UTF-8", 1033},
        {"", "", "ru_RU.UTF-8", 1049},
        {"ru_RU.UTF-8", std::nullopt, "en_US.UTF-8", 1049},
        {std::nullopt, std::nullopt, "ru_UA.UTF-8", 0x0019},
    };
    for (const auto& c : cases) {
        const TScopedEnvironment lcAll("LC_ALL", c.m_LcAll);
        const TScopedEnvironment lcMessages("LC_MESSAGES", c.m_LcMessages);
        const TScopedEnvironment lang("LANG", c.m_Lang);
        EXPECT_EQ(qmr::GetUserDefaultUILanguage(), c.m_Expected)
            << c.m_LcAll.value_or("-") << " " << c.m_LcMessages.value_or("-") << " "
            << c.m_Lang.value_or("-");
    }
}

TEST(PlatformQueries, EnvironmentTextIsEmptyWhenUnset) {
    {
        const TScopedEnvironment set("QMR_SHELL_TEST_VARIABLE", "/var/lib/Пример");
        EXPECT_EQ(qmr::GetEnvironmentText(u"QMR_SHELL_TEST_VARIABLE"), u"/var/lib/Пример");
    }
    const TScopedEnvironment unset("QMR_SHELL_TEST_VARIABLE", std::nullopt);
    EXPECT_EQ(qmr::GetEnvironmentText(u"QMR_SHELL_TEST_VARIABLE"), u"");
}

TEST(PlatformQueries, CreatesOneDirectoryLevelOnly) {
    const TTempFolder temp;
    const std::u16string child = temp.Text() + u"/child";
    const std::u16string grandchild = temp.Text() + u"/missing/grandchild";
    qmr::test::WriteTextFile(temp.Path() / "file", "x");

    EXPECT_TRUE(qmr::DirectoryExists(temp.Text()));
    EXPECT_FALSE(qmr::DirectoryExists(child));
    EXPECT_FALSE(qmr::DirectoryExists(temp.Text() + u"/file"));

    qmr::CreateSingleDirectory(child);
    EXPECT_TRUE(qmr::DirectoryExists(child));
    qmr::CreateSingleDirectory(child); // already there: no error
    EXPECT_TRUE(qmr::DirectoryExists(child));

    qmr::CreateSingleDirectory(grandchild);
    EXPECT_FALSE(qmr::DirectoryExists(grandchild));
    EXPECT_FALSE(qmr::DirectoryExists(temp.Text() + u"/missing"));
}

TEST(PlatformQueries, ArgumentZeroIsTheFullExecutablePath) {
    char program[] = "relative-name";
    char first[] = "--help";
    char second[] = "Привет";
    char* argv[] = {program, first, second, nullptr};
    const std::vector<std::u16string> args = qmr::CommandLineArguments(3, argv);
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[0], qmr::ExecutablePath());
    EXPECT_EQ(args[0].front(), u'/');
    EXPECT_EQ(args[1], u"--help");
    EXPECT_EQ(args[2], u"Привет");
    EXPECT_EQ(qmr::PathSeparator(), u"/");
}
