#include "report_console.h"

#include <windows.h>

namespace qmr {

void PrepareConsoleOutput() {
    ::SetConsoleOutputCP(CP_UTF8);
}

std::string DescribeIpHelperLoadFailure() {
    return "the IP helper library iphlpapi.dll could not be loaded, or lacks its entry points";
}

} // namespace qmr
