#pragma once
// The program's start-up: title, file locations, the --help usage box, the language file and
// the first language, then the main window. The window framework is reached only through
// TStartupUi, so everything else runs and is tested without it.

#include <cstdint>
#include <string>
#include <vector>

namespace qmr {

class TStartupUi {
public:
    virtual ~TStartupUi() = default;
    virtual void SetApplicationTitle(const std::u16string& title) = 0;
    // Modal, one OK button; returns when dismissed.
    virtual void ShowMessageBox(const std::u16string& text, const std::u16string& caption) = 0;
    // Creates the main window and runs the message loop until the window closes.
    virtual void RunMainWindow() = 0;
    // The framework's standard exception display.
    virtual void ShowException(const std::u16string& message) = 0;
};

// Performs every start-up step in order; args as CommandLineArguments gives them. Whatever
// escapes a step is shown through ui.ShowException (a non-standard exception with an empty
// message). Returns 0 always.
int RunStartup(const std::vector<std::u16string>& args, TStartupUi& ui);

// Whether any argument, position 0 included, is exactly "--help".
bool HasHelpArgument(const std::vector<std::u16string>& args);

// The usage box's text for an executable of this file name (name and extension, no folder).
std::u16string BuildUsageText(const std::u16string& executableFileName);

// The caption of the usage box.
extern const std::u16string kUsageCaption;

// Loads the process's language catalogue from this file. Returns why the file was skipped
// (UTF-8, empty when it was read or does not exist); the built-in texts then stay.
std::string LoadLanguageFile(const std::u16string& path);

// Selects "ru_RU" for a Russian (Russia) user interface (1049); any other identifier leaves the
// catalogue's own choice.
void SelectFirstLanguage(std::uint16_t userInterfaceLanguage);

} // namespace qmr
