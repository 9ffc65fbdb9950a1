#pragma once
// What qmr-report needs from the platform beyond the core: a console that takes UTF-8.

namespace qmr {

// Makes standard output show UTF-8 text as such.
void PrepareConsoleOutput();

} // namespace qmr
