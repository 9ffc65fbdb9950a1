#pragma once
// The calling thread's last-error code: SetLastError/GetLastError on Windows, a thread-local
// value elsewhere.

#include <cstdint>

namespace qmr {

void SetLastErrorCode(std::uint32_t code);
std::uint32_t GetLastErrorCode();

} // namespace qmr
