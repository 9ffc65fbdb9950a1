#pragma once
// Where the program's files lie. Each file value holds its bare file name until start-up works
// the locations out; the folder is empty until then.

#include <string>

namespace qmr {

extern std::u16string g_AppFolder;    // with a trailing separator
extern std::u16string g_LanguageFile; // see LanguageFileLocation
extern std::u16string g_HelpFile;     // always next to the executable
extern std::u16string g_SettingsFile; // in the settings folder when there is one
extern std::u16string g_LogFile;      // likewise

// Works the locations out from the executable's full path and the application title, creating
// the settings folder "%ProgramData%/<title>" (one level) when it is missing. The settings and
// log files fall back to the executable's folder when "ProgramData" is empty, the title is
// empty, or the folder cannot be had.
void SetUpFileLocations(const std::u16string& executablePath,
                        const std::u16string& applicationTitle);

// Back to the values before start-up.
void ResetFileLocations();

} // namespace qmr
