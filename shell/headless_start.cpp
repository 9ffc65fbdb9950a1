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

std::u16string X11SocketPath(const std::u16string& display) {
    const std::size_t colon = display.rfind(u':');
    if (colon == std::u16string::npos) {
        return {};
    }
    const std::u16string host = display.substr(0, colon);
    if (!host.empty() && host != u"unix") {
        return {};
    }
    std::u16string number = display.substr(colon + 1);
    number = number.substr(0, number.find(u'.'));
    if (number.empty() || number.find_first_not_of(u"0123456789") != std::u16string::npos) {
        return {};
    }
    return u"/tmp/.X11-unix/X" + number;
}

std::u16string WaylandSocketPath(const std::u16string& waylandDisplay,
                                 const std::u16string& runtimeFolder) {
    if (waylandDisplay.empty() || waylandDisplay.front() == u'/') {
        return waylandDisplay;
    }
    return runtimeFolder.empty() ? std::u16string() : runtimeFolder + u"/" + waylandDisplay;
}

std::string WhyNoWindowDisplay() {
    const std::u16string display = GetEnvironmentText(u"DISPLAY");
    const std::u16string wayland = GetEnvironmentText(u"WAYLAND_DISPLAY");
    if (DesktopAlwaysPresent() ||
        NamesDisplaylessPlatform(GetEnvironmentText(u"QT_QPA_PLATFORM"))) {
        return {};
    }
    if (display.empty() && wayland.empty()) {
        return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    }
    std::string why;
    if (!display.empty()) {
        const std::u16string socket = X11SocketPath(display);
        if (socket.empty() || LocalSocketAccepts(socket)) {
            return {};
        }
        why = "no X server answers on DISPLAY " + Utf16ToUtf8(display);
    }
    if (!wayland.empty()) {
        const std::u16string socket =
            WaylandSocketPath(wayland, GetEnvironmentText(u"XDG_RUNTIME_DIR"));
        if (!socket.empty() && LocalSocketAccepts(socket)) {
            return {};
        }
        why += (why.empty() ? "" : ", and ") +
               ("no Wayland compositor answers on WAYLAND_DISPLAY " + Utf16ToUtf8(wayland));
    }
    return why;
}

bool WindowDisplayAvailable() {
    return WhyNoWindowDisplay().empty();
}

int RunWithoutDisplay(const std::vector<std::u16string>& args, std::ostream& out, std::ostream& err,
                      const std::string& why) {
    const std::u16string path = args.empty() ? ExecutablePath() : args[0];
    const std::string name = Utf16ToUtf8(FileNameOfPath(path));
    if (HasHelpArgument(args)) {
        out << Utf16ToUtf8(BuildUsageText(FileNameOfPath(path))) << std::flush;
        return 0;
    }
    err << name << ": the window needs a display (" << why
        << "); qmr-report prints the report on the console\n"
        << std::flush;
    return 1;
}

} // namespace qmr
