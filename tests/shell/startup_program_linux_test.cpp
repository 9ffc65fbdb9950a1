// Start-up as a whole program: a copy of a small executable that runs the real start-up,
// started under a file name of the test's choosing.

#include "base/utf16_text.h"
#include "shell/startup.h"
#include "tests/shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

using qmr::test::TTempFolder;

namespace {

struct TProbeRun {
    int m_ExitCode = -1;
    std::map<std::string, std::string> m_Values;
};

struct TProbeOptions {
    std::vector<std::pair<std::string, std::optional<std::string>>> m_Environment;
    std::optional<uid_t> m_User; // run as this user (needs root)
};

TProbeRun RunProbe(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const TProbeOptions& options) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        for (const auto& [name, value] : options.m_Environment) {
            qmr::test::WriteEnvironment(name.c_str(), value);
        }
        if (options.m_User &&
            (::setgroups(0, nullptr) != 0 ||
             ::setresgid(*options.m_User, *options.m_User, *options.m_User) != 0 ||
             ::setresuid(*options.m_User, *options.m_User, *options.m_User) != 0)) {
            ::_exit(126);
        }
        std::vector<char*> argv;
        std::string name = program.filename().string();
        argv.push_back(name.data());
        std::vector<std::string> copies = args;
        for (std::string& arg : copies) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);

    TProbeRun run;
    run.m_ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::size_t start = 0;
    for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = output.substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            run.m_Values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return run;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
    }
    return out;
}

class StartupProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(m_Temp.Path() / "data");
        m_Copy = m_Temp.Path() / "renamed-informer";
        std::filesystem::copy_file(QMR_SHELL_PROBE, m_Copy);
    }

    std::string Folder() const { return m_Temp.Path().string() + "/"; }

    TTempFolder m_Temp;
    std::filesystem::path m_Copy;
    TProbeOptions m_Options{
        {{"ProgramData", (m_Temp.Path() / "data").string()}, {"LC_ALL", "en_US.UTF-8"}},
        std::nullopt};
};

} // namespace

TEST_F(StartupProgram, UsageBoxNamesTheCopyByItsOwnFileName) {
    TProbeRun run = RunProbe(m_Copy, {"-u", "--help"}, m_Options);
    EXPECT_EQ(run.m_ExitCode, 0);
    EXPECT_EQ(run.m_Values["box-caption"], "Help Info");
    const std::string& text = run.m_Values["box-text"];
    EXPECT_EQ(text, Escaped(qmr::Utf16ToUtf8(qmr::BuildUsageText(u"renamed-informer"))));
    EXPECT_NE(text.find("\\n\\n\\trenamed-informer [params]\\n\\n"), std::string::npos);
    EXPECT_EQ(run.m_Values.count("window-language"), 0u);
    EXPECT_EQ(run.m_Values.count("exception"), 0u);
}

TEST_F(StartupProgram, FileLocationsBeforeAndAfterStartup) {
    qmr::test::WriteTextFile(m_Temp.Path() / "language.ini", "[ru_RU]\nName=Russian\n");
    m_Options.m_Environment.push_back({"LC_ALL", "ru_RU.UTF-8"});
    TProbeRun run = RunProbe(m_Copy, {}, m_Options);
    EXPECT_EQ(run.m_ExitCode, 0);
    EXPECT_EQ(run.m_Values["title"], "Quillmere");
    EXPECT_EQ(run.m_Values["before.app-folder"], "");
    EXPECT_EQ(run.m_Values["before.language-file"], "language.ini");
    EXPECT_EQ(run.m_Values["before.help-file"], "qmr.chm");
    EXPECT_EQ(run.m_Values["before.settings-file"], "qmr.ini");
    EXPECT_EQ(run.m_Values["before.log-file"], "qmr.log");
    const std::string settings = Folder() + "data/Quillmere/";
    EXPECT_EQ(run.m_Values["after.app-folder"], settings);
    EXPECT_EQ(run.m_Values["after.language-file"], Folder() + "language.ini");
    EXPECT_EQ(run.m_Values["after.help-file"], Folder() + "qmr.chm");
    EXPECT_EQ(run.m_Values["after.settings-file"], settings + "qmr.ini");
    EXPECT_EQ(run.m_Values["after.log-file"], settings + "qmr.log");
    EXPECT_EQ(run.m_Values["window-language"], "ru_RU");
}

TEST_F(StartupProgram, ProgramDataThatCannotBeWrittenFallsBackToExecutableFolder) {
    std::filesystem::permissions(m_Temp.Path() / "data", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    std::filesystem::permissions(m_Temp.Path() / "data",
                                 std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    // Root writes anywhere; the program then runs as an unprivileged user instead.
    if (::geteuid() == 0) {
        m_Options.m_User = 65534;
    }
    TProbeRun run = RunProbe(m_Copy, {}, m_Options);
    ASSERT_EQ(run.m_ExitCode, 0) << "126: could not change user, 127: could not start";
    EXPECT_FALSE(std::filesystem::exists(m_Temp.Path() / "data" / "Quillmere"));
    EXPECT_EQ(run.m_Values["after.app-folder"], Folder());
    EXPECT_EQ(run.m_Values["after.settings-file"], Folder() + "qmr.ini");
    EXPECT_EQ(run.m_Values["after.log-file"], Folder() + "qmr.log");
    EXPECT_EQ(run.m_Values["window-language"], "en_EN");
}
