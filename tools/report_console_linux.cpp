#include "report_console.h"

#include <malloc.h>

namespace qmr {

void PrepareConsoleOutput() {
    // The terminal takes the UTF-8 bytes as they are.
}

void PrepareOneShotMemory() {
    // One poll asks for several answers of a few hundred kilobytes each, one after another.
    // By default each is mapped afresh and unmapped when freed, so every answer faults in new
    // pages; from the heap, the next answer reuses the pages of the last. The process exits
    // soon after, so nothing is held for long. (32 MiB is the largest threshold glibc takes.)
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

} // namespace qmr
