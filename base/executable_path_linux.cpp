#include "executable_path.h"

#include "utf16_text.h"

#include <climits>
#include <unistd.h>

namespace qmr {

std::u16string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) {
        return {};
    }
    return Utf8ToUtf16(std::string_view(buffer, static_cast<std::size_t>(n)));
}

} // namespace qmr
