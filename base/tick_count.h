#pragma once

#include <cstdint>

namespace qmr {

// Milliseconds since the system started, wrapping at 2^32 (GetTickCount).
std::uint32_t SystemTickCount();

} // namespace qmr
