#include "shell/startup.h"

#include "base/utf16_text.h"
#include "lang/lang_strings.h"
#include "shell/file_locations.h"
#include "shell/headless_start.h"
#include "shell/platform_queries.h"
#include "tests/shell/recording_startup_ui.h"
#include "tests/shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

using qmr::test::TRecordingStartupUi;
using qmr::test::TScopedEnvironment;
using qmr::test::TTempFolder;
using TCalls = std::vector<std::u16string>;

namespace {

constexpr char kLanguageFile[] = "[ru_RU]\nName=Russian\n1006=Kopirovat\n"
                                 "[en_EN]\nName=English\n";

// Start-up against a fake executable in a temporary folder, with a language file beside it, a
// program-data folder of its own and a fresh catalogue.
class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        LANGUAGE::LangStrings.reset(new LANGUAGE::TLangStrings());
        std::filesystem::create_directory(m_Temp.Path() / "data");
        qmr::test::WriteTextFile(m_Temp.Path() / "language.ini", kLanguageFile);
        m_Executable = m_Temp.Text() + qmr::PathSeparator() + u"qmr.exe";
    }
    void TearDown() override {
        qmr::ResetFileLocations();
        LANGUAGE::LangStrings.reset(new LANGUAGE::TLangStrings());
    }

    TCalls Run(std::vector<std::u16string> arguments) {
        arguments.insert(arguments.begin(), m_Executable);
        EXPECT_EQ(qmr::RunStartup(arguments, m_Ui), 0);
        return m_Ui.m_Calls;
    }

    int CurrentIndex() const { return LANGUAGE::LangStrings->GetCurrentIndex(); }

    TTempFolder m_Temp;
    std::u16string m_Executable;
    TRecordingStartupUi m_Ui;
    TScopedEnvironment m_ProgramData{"ProgramData", (m_Temp.Path() / "data").string()};
    TScopedEnvironment m_LcAll{"LC_ALL", "en_US.UTF-8"};
};

} // namespace

TEST(UsageText, IsTwelveFixedLinesNamingTheExecutable) {
    EXPECT_EQ(qmr::BuildUsageText(u"qmr.exe"), u"Quillmere. Version 1.0\n"
                                               u"Copyright (C) 2026 Quillmere developers\n"
                                               u"\n"
                                               u"Usage:\n"
                                               u"\n"
                                               u"\tqmr.exe [params]\n"
                                               u"\n"
                                               u"Params:\n"
                                               u"\n"
                                               u"\t-u\trun in minimized mode\n"
                                               u"\t--help\tthis window\n"
                                               u"\n");
    // The file name is put in as it is, even when it looks like a format.
    const std::u16string odd = qmr::BuildUsageText(u"100%s %i.exe");
    EXPECT_NE(odd.find(u"\n\t100%s %i.exe [params]\n"), std::u16string::npos);
}

TEST(HelpArgument, OnlyExactLowerCaseDoubleDashHelpAnywhere) {
    EXPECT_TRUE(qmr::HasHelpArgument({u"qmr", u"--help"}));
    EXPECT_TRUE(qmr::HasHelpArgument({u"qmr", u"-u", u"x", u"--help"}));
    EXPECT_TRUE(qmr::HasHelpArgument({u"qmr", u"--help", u"-u"}));
    EXPECT_TRUE(qmr::HasHelpArgument({u"--help"}));
    EXPECT_FALSE(qmr::HasHelpArgument({}));
    for (const char16_t* almost : {u"-help", u"-HELP", u"--HELP", u"--Help", u"help", u"--help ",
                                   u" --help", u"--help=1", u"---help", u"/?"}) {
        EXPECT_FALSE(qmr::HasHelpArgument({u"qmr", almost, u"-u"}));
    }
}

TEST_F(Startup, HelpShowsUsageBoxAndNothingElse) {
    for (const std::vector<std::u16string>& arguments :
         {std::vector<std::u16string>{u"--help"}, {u"-u", u"--help"}, {u"--help", u"-u"}}) {
        m_Ui.m_Calls.clear();
        EXPECT_EQ(Run(arguments), (TCalls{u"title:Quillmere", u"box:Help Info"}));
        EXPECT_EQ(m_Ui.m_BoxText, qmr::BuildUsageText(u"qmr.exe"));
        // The language file is not loaded on the way out.
        EXPECT_EQ(LANGUAGE::LangStrings->GetLanguageCount(), 1);
    }
}

TEST_F(Startup, HelpStillWorksOutFileLocationsFirst) {
    Run({u"--help"});
    EXPECT_TRUE(std::filesystem::is_directory(m_Temp.Path() / "data" / "Quillmere"));
    EXPECT_EQ(qmr::g_SettingsFile, (m_Temp.Path() / "data" / "Quillmere" / "qmr.ini").u16string());
    EXPECT_EQ(qmr::g_LanguageFile, (m_Temp.Path() / "language.ini").u16string());
}

TEST_F(Startup, LookalikesOfHelpAreIgnoredAndTheWindowRuns) {
    EXPECT_EQ(Run({u"-HELP", u"-help", u"--HELP", u"-u"}), (TCalls{u"title:Quillmere", u"window"}));
    EXPECT_EQ(LANGUAGE::LangStrings->GetLanguageCount(), 2);
}

// Windows takes the user-interface language from the system, not from this process's
// environment; tests/windows starts the program under a Russian Wine instead.
#ifndef _WIN32
TEST_F(Startup, RussianRussiaInterfaceSelectsRuRuBeforeTheWindow) {
    const TScopedEnvironment russian("LC_ALL", "ru_RU.UTF-8");
    int indexSeenByWindow = -1;
    m_Ui.m_OnMainWindow = [&] { indexSeenByWindow = CurrentIndex(); };
    Run({});
    EXPECT_EQ(indexSeenByWindow, LANGUAGE::LangStrings->IndexOfLanguage(u"ru_RU"));
    EXPECT_EQ(indexSeenByWindow, 1);
}
#endif

TEST_F(Startup, LanguageChoiceNeedsExactly1049) {
    qmr::LoadLanguageFile(m_Temp.Text() + qmr::PathSeparator() + u"language.ini");
    for (const std::uint16_t neighbour : {1048, 1050, 0x0019, 0x0819, 0x1419, 0x0409}) {
        qmr::SelectFirstLanguage(neighbour);
        EXPECT_EQ(CurrentIndex(), 0) << neighbour;
    }
    qmr::SelectFirstLanguage(1049);
    EXPECT_EQ(CurrentIndex(), 1);
}

TEST_F(Startup, MissingLanguageFileLeavesBuiltInCatalogue) {
    std::filesystem::remove(m_Temp.Path() / "language.ini");
    const TScopedEnvironment russian("LC_ALL", "ru_RU.UTF-8");
    EXPECT_EQ(Run({}), (TCalls{u"title:Quillmere", u"window"}));
    EXPECT_EQ(LANGUAGE::LangStrings->GetLanguageCount(), 1);
    EXPECT_EQ(CurrentIndex(), 0);
}

TEST_F(Startup, EscapingExceptionsAreShownAndStartupReturnsZero) {
    m_Ui.m_OnMainWindow = [] { throw std::runtime_error("Window failed."); };
    EXPECT_EQ(Run({}), (TCalls{u"title:Quillmere", u"window", u"exception:Window failed."}));

    m_Ui.m_Calls.clear();
    m_Ui.m_OnMainWindow = [] { throw 42; };
    EXPECT_EQ(Run({}), (TCalls{u"title:Quillmere", u"window", u"exception:"}));

    m_Ui.m_Calls.clear();
    m_Ui.m_OnMessageBox = [] { throw std::runtime_error("No box."); };
    EXPECT_EQ(Run({u"--help"}),
              (TCalls{u"title:Quillmere", u"box:Help Info", u"exception:No box."}));
}

TEST_F(Startup, FailingExceptionDisplayStillReturnsZero) {
    m_Ui.m_OnMainWindow = [] { throw std::runtime_error("First."); };
    m_Ui.m_OnException = [] { throw std::runtime_error("Second."); };
    EXPECT_EQ(Run({}), (TCalls{u"title:Quillmere", u"window", u"exception:First."}));
}

TEST(HeadlessStart, ADisplayIsNamedOrThePlatformNeedsNone) {
    const struct {
        const char16_t* display;
        const char16_t* wayland;
        const char16_t* platform;
        bool available;
    } cases[] = {
        {u":0", u"", u"", true},
        {u"", u"wayland-0", u"", true},
        {u"", u"", u"offscreen", true},
        {u"", u"", u"xcb;offscreen", true},
        {u"", u"", u"minimal:enable_fonts", true},
        {u"", u"", u"", false},
        {u"", u"", u"xcb", false},
        {u"", u"", u"wayland", false},
        {u"", u"", u"offscreenish", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qmr::WindowDisplayAvailable(c.display, c.wayland, c.platform), c.available)
            << qmr::Utf16ToUtf8(c.platform);
    }
}

// Where the server of a named display would listen; a remote X display has no local socket.
TEST(HeadlessStart, TheSocketOfANamedDisplay) {
    EXPECT_EQ(qmr::X11SocketPath(u":0"), u"/tmp/.X11-unix/X0");
    EXPECT_EQ(qmr::X11SocketPath(u"unix:12.1"), u"/tmp/.X11-unix/X12");
    EXPECT_EQ(qmr::X11SocketPath(u"remote.example:0"), u"");
    EXPECT_EQ(qmr::X11SocketPath(u":x"), u"");
    EXPECT_EQ(qmr::WaylandSocketPath(u"wayland-0", u"/run/user/1000"), u"/run/user/1000/wayland-0");
    EXPECT_EQ(qmr::WaylandSocketPath(u"/tmp/w", u"/run/user/1000"), u"/tmp/w");
    EXPECT_EQ(qmr::WaylandSocketPath(u"wayland-0", u""), u"");
}

TEST(HeadlessStart, HelpPrintsTheUsageOtherwiseOneLineAndFailure) {
    std::ostringstream out, err;
    EXPECT_EQ(qmr::RunWithoutDisplay({u"/usr/bin/qmr", u"-style", u"--help"}, out, err), 0);
    EXPECT_EQ(out.str(), qmr::Utf16ToUtf8(qmr::BuildUsageText(u"qmr")));
    EXPECT_EQ(err.str(), "");

    std::ostringstream out2, err2;
    EXPECT_EQ(qmr::RunWithoutDisplay({u"/usr/bin/qmr", u"-u"}, out2, err2), 1);
    EXPECT_EQ(out2.str(), "");
    const std::string line = err2.str();
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_NE(line.find("display"), std::string::npos);
    EXPECT_NE(line.find("qmr-report"), std::string::npos);
}
