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
// The same for this process; always true where the desktop needs no naming (Windows).
bool WindowDisplayAvailable();

// What start-up does without a display; args as CommandLineArguments gives them. With --help
// anywhere it writes the usage text on `out` (UTF-8) and returns 0; otherwise one line on `err`
// saying that the window needs a display and that qmr-report prints the report, and returns 1.
int RunWithoutDisplay(const std::vector<std::u16string>& args, std::ostream& out,
                      std::ostream& err);

} // namespace qmr
