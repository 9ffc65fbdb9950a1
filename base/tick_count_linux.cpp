#include "tick_count.h"

#include <time.h>

namespace qmr {

std::uint32_t SystemTickCount() {
    timespec ts{};
    ::clock_gettime(CLOCK_BOOTTIME, &ts);
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

} // namespace qmr
