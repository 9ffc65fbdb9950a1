// The entry point of the window program on Windows: start-up with the Win32 window as its user
// interface.

#include "base/executable_path.h"
#include "base/utf16_text.h"
#include "shell/about_text.h"
#include "shell/platform_queries.h"
#include "shell/startup.h"
#include "winui/choice_store_location.h"
#include "winui/form_main.h"

#include <windows.h>

#include <commctrl.h>

namespace {

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

class TWin32StartupUi : public qmr::TStartupUi {
public:
    TWin32StartupUi(HINSTANCE instance, std::vector<std::u16string> args, int showCommand)
        : m_Instance(instance), m_Args(std::move(args)), m_ShowCommand(showCommand) {}

    void SetApplicationTitle(const std::u16string& title) override { m_Title = title; }
    void ShowMessageBox(const std::u16string& text, const std::u16string& caption) override {
        MessageBoxW(nullptr, Wide(text), Wide(caption), MB_OK);
    }
    void RunMainWindow() override {
        qmr::TFormMain window(m_Instance, m_Args, qmr::MakeChoiceStore(qmr::ExecutablePath()),
                              qmr::BuildAboutText);
        window.Show(m_ShowCommand);
        window.RunMessageLoop();
    }
    void ShowException(const std::u16string& message) override {
        MessageBoxW(nullptr, Wide(message), Wide(m_Title), MB_OK | MB_ICONERROR);
    }

private:
    HINSTANCE m_Instance;
    std::vector<std::u16string> m_Args;
    int m_ShowCommand;
    std::u16string m_Title;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Visual styles for the standard controls; the manifest asks for version 6.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const std::vector<std::u16string> args = qmr::CommandLineArguments(0, nullptr);
    TWin32StartupUi ui(instance, args, showCommand);
    qmr::RunStartup(args, ui);
    return 0;
}
