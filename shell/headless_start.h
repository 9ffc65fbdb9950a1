#pragma once
// Start-up on a machine without a display, decided before the window framework starts: Qt
// would abort there, and --help still has something to say.

#include <iosfwd>
#include <string>
#include <vector>

namespace qmr {

// Whether a window can be opened, from the values of DISPLAY, WAYLAND_DISPLAY and
// QT_QPA_PLATFORM: a display is named, or the platform (one of a ';' list, options after ':')
// needs none, as offscreen does.
bool WindowDisplayAvailable(const std::u16string& display, const std::u16string& waylandDisplay,
                            const std::u16string& qpaPlatform);
// The local socket an X server of this DISPLAY listens on ("/tmp/.X11-unix/X0" for ":0" or
// "unix:0.1"); empty for a display on another host, or no display.
std::u16string X11SocketPath(const std::u16string& display);
// The socket of a Wayland compositor: WAYLAND_DISPLAY itself where it is a path, else that name
// in XDG_RUNTIME_DIR; empty for no display.
std::u16string WaylandSocketPath(const std::u16string& waylandDisplay,
                                 const std::u16string& runtimeFolder);

// Why this process cannot open a window, in words for the one line RunWithoutDisplay says:
// no display named, or the one named has no server listening (Qt would abort there); empty
// when it can, and always where the desktop needs no naming (Windows). A display on another
// host counts as there: only a connection over the network would tell.
std::string WhyNoWindowDisplay();
// The same as a yes or no.
bool WindowDisplayAvailable();

// What start-up does without a display; args as CommandLineArguments gives them. With --help
// anywhere it writes the usage text on `out` (UTF-8) and returns 0; otherwise one line on `err`
// saying that the window needs a display (and `why` not), and that qmr-report prints the
// report, and returns 1.
int RunWithoutDisplay(const std::vector<std::u16string>& args, std::ostream& out, std::ostream& err,
                      const std::string& why = "neither DISPLAY nor WAYLAND_DISPLAY is set");

} // namespace qmr
