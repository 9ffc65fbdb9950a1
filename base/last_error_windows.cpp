#include "last_error.h"

#include <windows.h>

namespace qmr {

void SetLastErrorCode(std::uint32_t code) {
    ::SetLastError(code);
}
std::uint32_t GetLastErrorCode() {
    return ::GetLastError();
}

} // namespace qmr
