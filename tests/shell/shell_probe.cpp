// A stand-in for the program's entry point: runs the real start-up with a console in place of
// the window framework and prints what happens, one "key=value" line each, so tests can run it
// under any file name. Texts are printed with \n, \r, \t and \\ escaped.

#include "base/utf16_text.h"
#include "lang/lang_strings.h"
#include "shell/file_locations.h"
#include "shell/platform_queries.h"
#include "shell/startup.h"

#include <iostream>

namespace {

std::string Escaped(const std::u16string& text) {
    std::u16string out;
    for (const char16_t c : text) {
        switch (c) {
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\t':
            out += u"\\t";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        default:
            out += c;
        }
    }
    return qmr::Utf16ToUtf8(out);
}

void Print(const std::string& key, const std::u16string& value) {
    std::cout << key << '=' << Escaped(value) << '\n';
}

void PrintFileLocations(const std::string& when) {
    Print(when + ".app-folder", qmr::g_AppFolder);
    Print(when + ".language-file", qmr::g_LanguageFile);
    Print(when + ".help-file", qmr::g_HelpFile);
    Print(when + ".settings-file", qmr::g_SettingsFile);
    Print(when + ".log-file", qmr::g_LogFile);
}

class TConsoleStartupUi final : public qmr::TStartupUi {
public:
    void SetApplicationTitle(const std::u16string& title) override { Print("title", title); }
    void ShowMessageBox(const std::u16string& text, const std::u16string& caption) override {
        Print("box-caption", caption);
        Print("box-text", text);
    }
    void RunMainWindow() override {
        const LANGUAGE::TLang* current =
            LANGUAGE::LangStrings->GetLanguage(LANGUAGE::LangStrings->GetCurrentIndex());
        Print("window-language", current != nullptr ? current->m_Code : u"");
    }
    void ShowException(const std::u16string& message) override { Print("exception", message); }
};

} // namespace

int main(int argc, char** argv) {
    PrintFileLocations("before");
    TConsoleStartupUi ui;
    const int exitCode = qmr::RunStartup(qmr::CommandLineArguments(argc, argv), ui);
    PrintFileLocations("after");
    return exitCode;
}
