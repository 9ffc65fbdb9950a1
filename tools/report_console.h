#pragma once
// What qmr-report needs from the platform beyond the core: a console that takes UTF-8, and a
// readable reason when the IP helper library could not be loaded.

#include <string>

namespace qmr {

// Makes standard output show UTF-8 text as such.
void PrepareConsoleOutput();

// Why the IP helper library is not loaded, as far as the platform can tell, in UTF-8.
std::string DescribeIpHelperLoadFailure();

} // namespace qmr
