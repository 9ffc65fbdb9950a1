#include "shell/startup.h"

#include "base/executable_path.h"
#include "base/format.h"
#include "base/utf16_text.h"
#include "lang/lang_strings.h"
#include "shell/file_locations.h"
#include "shell/locale_language.h"
#include "shell/platform_queries.h"
#include "shell/version_application.h"

#include <algorithm>
#include <exception>

namespace qmr {

namespace {

// Fixed text, not from the language catalogue: LF line ends and tabs, ending in two line feeds.
constexpr std::u16string_view kUsageTemplate = u"Quillmere. Version 1.0\n"
                                               u"Copyright (C) 2026 Quillmere developers\n"
                                               u"\n"
                                               u"Usage:\n"
                                               u"\n"
                                               u"\t%s [params]\n"
                                               u"\n"
                                               u"Params:\n"
                                               u"\n"
                                               u"\t-u\trun in minimized mode\n"
                                               u"\t--help\tthis window\n"
                                               u"\n";

void ShowExceptionQuietly(TStartupUi& ui, const std::u16string& message) {
    // The display itself failing must not turn into a crash on the way out.
    try {
        ui.ShowException(message);
    } catch (...) {
    }
}

} // namespace

const std::u16string kUsageCaption = u"Help Info";

bool HasHelpArgument(const std::vector<std::u16string>& args) {
    return std::find(args.begin(), args.end(), u"--help") != args.end();
}

std::u16string BuildUsageText(const std::u16string& executableFileName) {
    return Format(kUsageTemplate, {executableFileName});
}

std::string LoadLanguageFile(const std::u16string& path) {
    return LANGUAGE::LangStrings ? LANGUAGE::LangStrings->LoadFromFile(path) : std::string();
}

void SelectFirstLanguage(std::uint16_t userInterfaceLanguage) {
    if (userInterfaceLanguage == kLanguageRussianRussia && LANGUAGE::LangStrings) {
        LANGUAGE::LangStrings->SelectLanguage(LANGUAGE::LangStrings->IndexOfLanguage(u"ru_RU"));
    }
}

int RunStartup(const std::vector<std::u16string>& args, TStartupUi& ui) {
    try {
        const std::u16string title = VERAPP::GetApplicationTitle();
        ui.SetApplicationTitle(title);

        const std::u16string executablePath = args.empty() ? ExecutablePath() : args[0];
        SetUpFileLocations(executablePath, title);

        if (HasHelpArgument(args)) {
            ui.ShowMessageBox(BuildUsageText(FileNameOfPath(executablePath)), kUsageCaption);
            return 0;
        }

        LoadLanguageFile(g_LanguageFile);
        SelectFirstLanguage(GetUserDefaultUILanguage());

        ui.RunMainWindow();
    } catch (const std::exception& error) {
        ShowExceptionQuietly(ui, Utf8ToUtf16(error.what()));
    } catch (...) {
        ShowExceptionQuietly(ui, std::u16string());
    }
    return 0;
}

} // namespace qmr
