#include "report_console.h"

#include <windows.h>

namespace qmr {

void PrepareConsoleOutput() {
    ::SetConsoleOutputCP(CP_UTF8);
}

void PrepareOneShotMemory() {
    // The process heap already keeps what is freed.
}

} // namespace qmr
