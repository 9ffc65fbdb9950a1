#pragma once
// What qmr-report needs from the platform beyond the core: a console that takes UTF-8, and an
// allocator suited to a process that reads once and exits.

namespace qmr {

// Makes standard output show UTF-8 text as such.
void PrepareConsoleOutput();

// Keeps freed memory in the process for the next allocation rather than handing it back at once.
void PrepareOneShotMemory();

} // namespace qmr
