#include "report_console.h"

#include <windows.h>

namespace qmr {

void PrepareConsoleOutput() {
    ::SetConsoleOutputCP(CP_UTF8);
}

} // namespace qmr
