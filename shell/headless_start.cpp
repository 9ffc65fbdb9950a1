#include "shell/headless_start.h"

#include "base/executable_path.h"
#include "base/utf16_text.h"
#include "shell/platform_queries.h"
#include "shell/startup.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <string_view>

namespace qmr {

namespace {

// Qt platforms that draw without a display server.
constexpr std::array<std::u16string_view, 8> kDisplaylessPlatforms = {
    u"offscreen", u"minimal", u"minimalegl",   u"eglfs",
    u"linuxfb",   u"vnc",     u"vkkhrdisplay", u"directfb"};

bool NamesDisplaylessPlatform(std::u16string_view platforms) {
    while (!platforms.empty()) {
        const std::size_t end = std::min(platforms.find(u';'), platforms.size());
        std::u16string_view entry = platforms.substr(0, end);
        entry = entry.substr(0, std::min(entry.find(u':'), entry.size()));
        for (const std::u16string_view name : kDisplaylessPlatforms) {
            if (entry == name) {
                return true;
            }
        }
        platforms.remove_prefix(std::min(end + 1, platforms.size()));
    }
    return false;
}

} // namespace

bool WindowDisplayAvailable(const std::u16string& display, const std::u16string& waylandDisplay,
                            const std::u16string& qpaPlatform) {
    return !display.empty() || !waylandDisplay.empty() || NamesDisplaylessPlatform(qpaPlatform);
}

bool WindowDisplayAvailable() {
    return DesktopAlwaysPresent() || WindowDisplayAvailable(GetEnvironmentText(u"DISPLAY"),
                                                            GetEnvironmentText(u"WAYLAND_DISPLAY"),
                                                            GetEnvironmentText(u"QT_QPA_PLATFORM"));
}

int RunWithoutDisplay(const std::vector<std::u16string>& args, std::ostream& out,
                      std::ostream& err) {
    const std::u16string path = args.empty() ? ExecutablePath() : args[0];
    const std::string name = Utf16ToUtf8(FileNameOfPath(path));
    if (HasHelpArgument(args)) {
        out << Utf16ToUtf8(BuildUsageText(FileNameOfPath(path))) << std::flush;
        return 0;
    }
    err << name
        << ": the window needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
           "qmr-report prints the report on the console\n"
        << std::flush;
    return 1;
}

} // namespace qmr
