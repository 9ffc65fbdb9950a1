#include "last_error.h"

namespace qmr {

namespace {
thread_local std::uint32_t t_LastError = 0;
}

void SetLastErrorCode(std::uint32_t code) {
    t_LastError = code;
}
std::uint32_t GetLastErrorCode() {
    return t_LastError;
}

} // namespace qmr
