#include "shell/file_locations.h"

#include "base/executable_path.h"
#include "shell/language_file_location.h"
#include "shell/platform_queries.h"

namespace qmr {

namespace {
const std::u16string kLanguageFileName = u"language.ini";
const std::u16string kHelpFileName = u"qmr.chm";
const std::u16string kSettingsFileName = u"qmr.ini";
const std::u16string kLogFileName = u"qmr.log";
} // namespace

std::u16string g_AppFolder;
std::u16string g_LanguageFile = kLanguageFileName;
std::u16string g_HelpFile = kHelpFileName;
std::u16string g_SettingsFile = kSettingsFileName;
std::u16string g_LogFile = kLogFileName;

void SetUpFileLocations(const std::u16string& executablePath,
                        const std::u16string& applicationTitle) {
    g_AppFolder = FolderOfPath(executablePath);
    g_LanguageFile = LanguageFileLocation(g_AppFolder);
    g_HelpFile = g_AppFolder + kHelpFileName;

    const std::u16string programData = GetEnvironmentText(u"ProgramData");
    // Without a title the candidate would be the program-data folder itself, shared by every
    // program; that is no settings folder of ours.
    if (!programData.empty() && !applicationTitle.empty()) {
        const std::u16string candidate = programData + PathSeparator() + applicationTitle;
        if (!DirectoryExists(candidate)) {
            CreateSingleDirectory(candidate);
        }
        if (DirectoryExists(candidate)) {
            g_AppFolder = candidate + PathSeparator();
        }
    }

    g_SettingsFile = g_AppFolder + kSettingsFileName;
    g_LogFile = g_AppFolder + kLogFileName;
}

void ResetFileLocations() {
    g_AppFolder.clear();
    g_LanguageFile = kLanguageFileName;
    g_HelpFile = kHelpFileName;
    g_SettingsFile = kSettingsFileName;
    g_LogFile = kLogFileName;
}

} // namespace qmr
