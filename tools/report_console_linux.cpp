#include "report_console.h"

#include <cstdlib>
#include <dlfcn.h>

namespace qmr {

void PrepareConsoleOutput() {
    // The terminal takes the UTF-8 bytes as they are.
}

std::string DescribeIpHelperLoadFailure() {
    std::string reason = "the IP helper provider library could not be loaded";
    if (const char* chosen = std::getenv("QMR_IPHELPER_LIBRARY"); chosen != nullptr && *chosen) {
        reason += std::string(" (QMR_IPHELPER_LIBRARY names ") + chosen + ")";
    } else {
        reason += " (libqmr-iphlpapi.so, looked for next to the program and on its library path)";
    }
    // The binding's last failed dlopen left its message here, unless something called dlerror
    // since; without one the reason above stands alone.
    if (const char* detail = ::dlerror(); detail != nullptr) {
        reason += std::string(": ") + detail;
    }
    return reason;
}

} // namespace qmr
