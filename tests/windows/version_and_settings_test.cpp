// The version reader on the executable's real version resource, and the settings folder under
// the "ProgramData" that Windows (here Wine) gives every process.

#include <windows.h>

#include "base/executable_path.h"
#include "shell/file_locations.h"
#include "shell/platform_queries.h"
#include "shell/version_application.h"
#include "shell/version_block.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::wstring Wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

bool IsDirectory(const std::u16string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The resource as the system's own version API decodes it, without the reader.
struct TRawVersion {
    VS_FIXEDFILEINFO Fixed{};
    WORD Language = 0;
    WORD CodePage = 0;
};

TRawVersion ReadRawVersion(const std::u16string& file) {
    TRawVersion raw;
    const std::wstring path = Wide(file);
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    EXPECT_GT(size, 0u) << "no version resource";
    std::vector<BYTE> block(size);
    EXPECT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    void* found = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(block.data(), L"\\", &found, &length) && length >= sizeof raw.Fixed) {
        raw.Fixed = *static_cast<VS_FIXEDFILEINFO*>(found);
    }
    if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &found, &length) &&
        length >= 4) {
        raw.Language = static_cast<WORD*>(found)[0];
        raw.CodePage = static_cast<WORD*>(found)[1];
    }
    return raw;
}

} // namespace

TEST(VersionResourceOnWine, TheReaderGivesTheNumbersAndTitleOfTheResource) {
    const TRawVersion raw = ReadRawVersion(qmr::ExecutablePath());
    EXPECT_EQ(raw.Fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(raw.Language, 0x0419);
    EXPECT_EQ(raw.CodePage, 0x04E3);

    const VERAPP::TVersionApplication reader;
    EXPECT_EQ(reader.m_FileVersion, u"1.0.1.73");
    EXPECT_EQ(reader.GetVersionPart(0), 1);
    EXPECT_EQ(reader.GetVersionPart(1), 0);
    EXPECT_EQ(reader.GetVersionPart(2), 1);
    EXPECT_EQ(reader.GetVersionPart(3), 73);
    // The texts and the fixed numbers come from the same version source.
    EXPECT_EQ(reader.GetVersionPart(0), static_cast<int>(HIWORD(raw.Fixed.dwFileVersionMS)));
    EXPECT_EQ(reader.GetVersionPart(1), static_cast<int>(LOWORD(raw.Fixed.dwFileVersionMS)));
    EXPECT_EQ(reader.GetVersionPart(2), static_cast<int>(HIWORD(raw.Fixed.dwFileVersionLS)));
    EXPECT_EQ(reader.GetVersionPart(3), static_cast<int>(LOWORD(raw.Fixed.dwFileVersionLS)));
    EXPECT_EQ(reader.m_ProductName, u"Quillmere");
    EXPECT_EQ(VERAPP::GetApplicationTitle(), u"Quillmere");
}

TEST(VersionResourceOnWine, AFileWithoutAResourceGivesNoBlock) {
    wchar_t folder[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring path = std::wstring(folder) + L"qmr-no-version.txt";
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, "not a program", 13, &written, nullptr);
    ::CloseHandle(file);

    EXPECT_EQ(qmr::LoadVersionBlock(std::u16string(path.begin(), path.end())), nullptr);
    EXPECT_EQ(qmr::LoadVersionBlock(u"C:\\no such folder\\qmr.exe"), nullptr);
    ::DeleteFileW(path.c_str());
}

class SettingsFolderOnWine : public ::testing::Test {
protected:
    void TearDown() override { qmr::ResetFileLocations(); }
};

TEST_F(SettingsFolderOnWine, IsCreatedUnderTheSystemsProgramData) {
    const std::u16string programData = qmr::GetEnvironmentText(u"ProgramData");
    ASSERT_FALSE(programData.empty()) << "Wine sets ProgramData for every process";
    const std::u16string title = VERAPP::GetApplicationTitle();
    const std::u16string settings = programData + u"\\" + title;
    // A folder left by an earlier start is taken away, so that this start has to create it.
    ::RemoveDirectoryW(Wide(settings).c_str());
    ASSERT_FALSE(IsDirectory(settings));

    const std::u16string exe = qmr::ExecutablePath();
    const std::u16string exeFolder = exe.substr(0, exe.rfind(u'\\') + 1);
    for (int start = 0; start < 2; ++start) {
        qmr::SetUpFileLocations(exe, title);
        EXPECT_TRUE(IsDirectory(settings));
        EXPECT_EQ(qmr::g_AppFolder, settings + u"\\");
        EXPECT_EQ(qmr::g_SettingsFile, settings + u"\\qmr.ini");
        EXPECT_EQ(qmr::g_LogFile, settings + u"\\qmr.log");
        EXPECT_EQ(qmr::g_LanguageFile, exeFolder + u"language.ini");
        EXPECT_EQ(qmr::g_HelpFile, exeFolder + u"qmr.chm");
    }
    std::printf("settings file: %ls\n", Wide(qmr::g_SettingsFile).c_str());
}

TEST_F(SettingsFolderOnWine, WithoutProgramDataTheFilesStayNextToTheExecutable) {
    const std::u16string saved = qmr::GetEnvironmentText(u"ProgramData");
    ASSERT_TRUE(::SetEnvironmentVariableW(L"ProgramData", nullptr));
    const std::u16string exe = qmr::ExecutablePath();
    qmr::SetUpFileLocations(exe, VERAPP::GetApplicationTitle());
    ::SetEnvironmentVariableW(L"ProgramData", Wide(saved).c_str());

    const std::u16string exeFolder = exe.substr(0, exe.rfind(u'\\') + 1);
    EXPECT_EQ(qmr::g_AppFolder, exeFolder);
    EXPECT_EQ(qmr::g_SettingsFile, exeFolder + u"qmr.ini");
    EXPECT_EQ(qmr::g_LogFile, exeFolder + u"qmr.log");
}
