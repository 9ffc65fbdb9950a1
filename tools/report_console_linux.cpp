#include "report_console.h"

namespace qmr {

void PrepareConsoleOutput() {
    // The terminal takes the UTF-8 bytes as they are.
}

} // namespace qmr
