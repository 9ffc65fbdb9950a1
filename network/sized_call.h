#pragma once
// The IP helper library's size protocol: a call asked with too small a buffer answers 111 and
// names the size it needs. By the next call the machine may have changed again (a container
// started a link meanwhile), so the call is asked again with each newly named size until the
// answer fits, up to a small bound: only an answer that keeps outgrowing every buffer is a
// failure.

#include "network/iphlpapi_records.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qmr {

inline constexpr int kSizedCallAttempts = 8;

// Calls `call(buffer, &size)` with `size` bytes (8-byte units keep the records aligned), and
// on `tooSmall` (111, or 122 for the interface table) again with the size asked for, never less
// than `minimum`, up to kSizedCallAttempts calls in all. Returns the last status; `buffer` holds
// the last answer.
template <typename Call>
ULONG CallWithGrowingBuffer(std::vector<std::uint64_t>& buffer, ULONG size, ULONG minimum,
                            Call call, ULONG tooSmall = ERROR_BUFFER_OVERFLOW) {
    ULONG status = tooSmall;
    for (int attempt = 0; attempt < kSizedCallAttempts && status == tooSmall; ++attempt) {
        size = std::max(size, minimum);
        buffer.assign((size + 7) / 8, 0);
        size = static_cast<ULONG>(buffer.size() * 8);
        status = call(buffer.data(), &size);
    }
    return status;
}

} // namespace qmr
