#include "shell/file_locations.h"

#include "shell/platform_queries.h"
#include "tests/shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using qmr::g_AppFolder;
using qmr::g_HelpFile;
using qmr::g_LanguageFile;
using qmr::g_LogFile;
using qmr::g_SettingsFile;
using qmr::test::TScopedEnvironment;
using qmr::test::TTempFolder;

namespace {

class FileLocations : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(m_Temp.Path() / "bin");
        std::filesystem::create_directory(m_Temp.Path() / "data");
        m_ExeFolder = m_Temp.Text() + m_Sep + u"bin" + m_Sep;
        m_DataFolder = m_Temp.Text() + m_Sep + u"data";
    }
    void TearDown() override { qmr::ResetFileLocations(); }

    void ExpectNextToExecutable() const {
        EXPECT_EQ(g_AppFolder, m_ExeFolder);
        EXPECT_EQ(g_LanguageFile, m_ExeFolder + u"language.ini");
        EXPECT_EQ(g_HelpFile, m_ExeFolder + u"qmr.chm");
        EXPECT_EQ(g_SettingsFile, m_ExeFolder + u"qmr.ini");
        EXPECT_EQ(g_LogFile, m_ExeFolder + u"qmr.log");
    }

    std::size_t EntriesIn(const std::filesystem::path& folder) const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                      std::filesystem::directory_iterator()));
    }

    TTempFolder m_Temp;
    const std::u16string m_Sep = qmr::PathSeparator();
    std::u16string m_ExeFolder;
    std::u16string m_DataFolder;
};

} // namespace

TEST_F(FileLocations, SettingsFolderIsCreatedUnderProgramDataOnce) {
    const TScopedEnvironment programData("ProgramData",
                                         std::filesystem::path(m_DataFolder).string());
    const std::u16string settings = m_DataFolder + m_Sep + u"Quillmere" + m_Sep;
    for (int start = 0; start < 2; ++start) {
        qmr::SetUpFileLocations(m_ExeFolder + u"qmr", u"Quillmere");
        EXPECT_TRUE(std::filesystem::is_directory(m_Temp.Path() / "data" / "Quillmere"));
        EXPECT_EQ(EntriesIn(m_Temp.Path() / "data"), 1u);
        EXPECT_EQ(EntriesIn(m_Temp.Path() / "data" / "Quillmere"), 0u);
        EXPECT_EQ(g_AppFolder, settings);
        EXPECT_EQ(g_SettingsFile, settings + u"qmr.ini");
        EXPECT_EQ(g_LogFile, settings + u"qmr.log");
        // The language and help files stay next to the executable.
        EXPECT_EQ(g_LanguageFile, m_ExeFolder + u"language.ini");
        EXPECT_EQ(g_HelpFile, m_ExeFolder + u"qmr.chm");
    }
}

TEST_F(FileLocations, WithoutProgramDataEverythingIsNextToExecutable) {
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        const TScopedEnvironment programData("ProgramData", value);
        qmr::SetUpFileLocations(m_ExeFolder + u"qmr", u"Quillmere");
        ExpectNextToExecutable();
    }
    EXPECT_EQ(EntriesIn(m_Temp.Path() / "data"), 0u);
}

TEST_F(FileLocations, SettingsFolderThatCannotBeMadeFallsBackSilently) {
    // A program-data folder that does not exist, and one that is a plain file.
    qmr::test::WriteTextFile(m_Temp.Path() / "data" / "file", "x");
    for (const std::u16string& folder :
         {m_DataFolder + m_Sep + u"missing", m_DataFolder + m_Sep + u"file"}) {
        const TScopedEnvironment programData("ProgramData", std::filesystem::path(folder).string());
        qmr::SetUpFileLocations(m_ExeFolder + u"qmr", u"Quillmere");
        ExpectNextToExecutable();
    }
    EXPECT_EQ(EntriesIn(m_Temp.Path() / "data"), 1u);
}

TEST_F(FileLocations, EmptyTitleMakesNoSettingsFolderOfProgramDataItself) {
    const TScopedEnvironment programData("ProgramData",
                                         std::filesystem::path(m_DataFolder).string());
    qmr::SetUpFileLocations(m_ExeFolder + u"qmr", u"");
    ExpectNextToExecutable();
}

TEST_F(FileLocations, ExistingSettingsFolderIsUsedAsItIs) {
    std::filesystem::create_directory(m_Temp.Path() / "data" / "Other");
    qmr::test::WriteTextFile(m_Temp.Path() / "data" / "Other" / "qmr.ini", "kept");
    const TScopedEnvironment programData("ProgramData",
                                         std::filesystem::path(m_DataFolder).string());
    qmr::SetUpFileLocations(m_ExeFolder + u"qmr", u"Other");
    EXPECT_EQ(g_SettingsFile, m_DataFolder + m_Sep + u"Other" + m_Sep + u"qmr.ini");
    EXPECT_EQ(EntriesIn(m_Temp.Path() / "data" / "Other"), 1u);
}
