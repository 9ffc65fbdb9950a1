// qmr-report as a whole program: its arguments, its language and its answer when the IP
// helper library is missing.

#include "program_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace qmr::test {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = QMR_REPORT_PROGRAM;

// An English locale and a provider that cannot exist.
std::map<std::string, std::optional<std::string>> WithoutIpHelper() {
    return {{"LC_ALL", std::nullopt},
            {"LC_MESSAGES", std::nullopt},
            {"LANG", "C"},
            {"QMR_IPHELPER_LIBRARY", "/nonexistent/libqmr-iphlpapi.so"}};
}

TEST(QmrReportProgram, HelpPrintsTheUsageAndNothingElse) {
    const TProgramResult run = RunProgram({kProgram, "--expert", "--help"}, WithoutIpHelper());
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out.rfind("Usage: qmr-report [--expert] [--help]\n", 0), 0u) << run.Out;
    EXPECT_NE(run.Out.find("--expert"), std::string::npos);
    EXPECT_EQ(run.Out.find("No Network Interfaces"), std::string::npos);
    EXPECT_EQ(run.Err, "");
}

TEST(QmrReportProgram, UnknownArgumentIsRefused) {
    const TProgramResult run = RunProgram({kProgram, "-expert"}, WithoutIpHelper());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find("unknown argument '-expert'"), std::string::npos) << run.Err;
}

TEST(QmrReportProgram, MissingIpHelperStillPrintsTheNoDeviceReport) {
    for (const char* form : {"", "--expert"}) {
        std::vector<std::string> argv = {kProgram};
        if (*form) {
            argv.emplace_back(form);
        }
        const TProgramResult run = RunProgram(argv, WithoutIpHelper());
        EXPECT_EQ(run.ExitCode, 2) << form;
        EXPECT_EQ(run.Out, "No Network Interfaces\n\n") << form;
        EXPECT_NE(run.Err.find("/nonexistent/libqmr-iphlpapi.so"), std::string::npos) << run.Err;
    }
}

TEST(QmrReportProgram, ALibraryWithoutTheEntryPointsIsNamedForWhatItLacks) {
    auto environment = WithoutIpHelper();
    environment["QMR_IPHELPER_LIBRARY"] = "libm.so.6"; // loads, but is no provider
    const TProgramResult run = RunProgram({kProgram}, environment);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("lacks the entry point GetAdaptersInfo, GetIfEntry, GetPerAdapterInfo"),
              std::string::npos)
        << run.Err;
}

// Every call that failed is said, with its status; only a poll without the adapters fails.
TEST(QmrReportProgram, FailingCallsAreSaidWithTheirStatus) {
    const struct {
        const char* hostility;
        int exitCode;
        std::string said;
    } cases[] = {
        {"0", 1, "qmr-report: GetAdaptersInfo failed with status 8\n"},
        {"4", 0, "qmr-report: GetAdaptersAddresses failed with status 8\n"},
    };
    for (const auto& c : cases) {
        auto environment = WithoutIpHelper();
        environment["QMR_IPHELPER_LIBRARY"] = QMR_HOSTILE_PROVIDER;
        environment["QMR_TEST_HOSTILITY"] = c.hostility;
        const TProgramResult run = RunProgram({kProgram}, environment);
        EXPECT_EQ(run.ExitCode, c.exitCode) << c.hostility;
        EXPECT_EQ(run.Err, c.said) << c.hostility;
    }
}

// A copy of the program in a folder of its own, with a language file written by the test.
class QmrReportCopy : public ::testing::Test {
protected:
    void SetUp() override {
        m_Folder = fs::temp_directory_path() /
                   ("qmr-report-copy-" +
                    std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                    std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(m_Folder);
        fs::copy_file(kProgram, m_Folder / "qmr-report");
        std::ofstream(m_Folder / "language.ini", std::ios::binary)
            << "[ru_RU]\nName=Русский\n1037=Нет сетевых интерфейсов\n";
    }
    void TearDown() override { fs::remove_all(m_Folder); }

    std::string Program() const { return (m_Folder / "qmr-report").string(); }

    fs::path m_Folder;
};

TEST_F(QmrReportCopy, RussianLocaleTakesTheWordsOfTheLanguageFileNextToTheProgram) {
    auto environment = WithoutIpHelper();
    environment["LANG"] = "ru_RU.UTF-8";
    const TProgramResult russian = RunProgram({Program()}, environment);
    EXPECT_EQ(russian.ExitCode, 2);
    EXPECT_EQ(russian.Out, "Нет сетевых интерфейсов\n\n");

    // Another locale keeps the file's first language, here the English one the catalogue adds.
    environment["LANG"] = "de_DE.UTF-8";
    const TProgramResult german = RunProgram({Program()}, environment);
    EXPECT_EQ(german.Out, "No Network Interfaces\n\n");

    // Without its language file the program still speaks, in its built-in words.
    fs::remove(m_Folder / "language.ini");
    environment["LANG"] = "ru_RU.UTF-8";
    const TProgramResult bare = RunProgram({Program()}, environment);
    EXPECT_EQ(bare.Out, "No Network Interfaces\n\n");
}

TEST_F(QmrReportCopy, ALanguageFileThatIsAFifoIsSkippedWithAReason) {
    fs::remove(m_Folder / "language.ini");
    ASSERT_EQ(::mkfifo((m_Folder / "language.ini").c_str(), 0600), 0);
    auto environment = WithoutIpHelper();
    environment["LANG"] = "ru_RU.UTF-8";
    const TProgramResult run = RunProgram({Program()}, environment);
    EXPECT_EQ(run.Out, "No Network Interfaces\n\n");
    EXPECT_NE(run.Err.find("language.ini is not a regular file; the built-in texts are used"),
              std::string::npos)
        << run.Err;
}

} // namespace
} // namespace qmr::test
