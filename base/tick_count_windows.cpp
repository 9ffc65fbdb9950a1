#include "tick_count.h"

#include <windows.h>

namespace qmr {

std::uint32_t SystemTickCount() {
    return ::GetTickCount();
}

} // namespace qmr
