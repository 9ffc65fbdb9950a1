#pragma once
// The handful of process and system queries that start-up needs, one implementation per
// platform.

#include <cstdint>
#include <string>
#include <vector>

namespace qmr {

// The value of an environment variable; empty when it is not set.
std::u16string GetEnvironmentText(const std::u16string& name);

bool DirectoryExists(const std::u16string& path);

// Creates one directory whose parent must exist; a failure is not reported.
void CreateSingleDirectory(const std::u16string& path);

// The user's user-interface language identifier: 1049 (0x0419) for Russian (Russia), 1033
// (0x0409) for English (United States). On Linux it comes from the messages locale (LC_ALL,
// then LC_MESSAGES, then LANG) and is 1033 when none of them is set.
std::uint16_t GetUserDefaultUILanguage();

// Position 0 is the running executable's full path, positions 1 to N the arguments. Windows
// reads its own wide command line and ignores argc and argv.
std::vector<std::u16string> CommandLineArguments(int argc, char** argv);

// Whether the desktop is there without being named (Windows), rather than through DISPLAY or
// WAYLAND_DISPLAY.
bool DesktopAlwaysPresent();

// Whether a server listens on the local stream socket at `path` (on Linux also tried in the
// abstract namespace first, where X servers listen too). Only connects and hangs up again.
bool LocalSocketAccepts(const std::u16string& path);

// What separates the parts of a path: a backslash on Windows, a slash elsewhere.
std::u16string PathSeparator();

} // namespace qmr
