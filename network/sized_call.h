#pragma once
// The IP helper library's size protocol: a call asked with too small a buffer answers 111 and
// names the size it needs. By the next call the machine may have changed again (a container
// started a link meanwhile), so the call is asked again with each newly named size until the
// answer fits, up to a small bound: only an answer that keeps outgrowing every buffer is a
// failure.

#include "network/iphlpapi_records.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace qmr {

inline constexpr int kSizedCallAttempts = 8;
// Far beyond what thousands of adapters with all their addresses need: a library that names a
// larger size is broken or hostile, and its size is not taken (nor rounded up past its type).
inline constexpr ULONG kMaxAnswerBytes = 64u * 1024 * 1024;

// Leaves new elements unwritten: the call writes its answer, and zeroing a megabyte first only
// makes the process touch (and fault in) pages that the answer never reaches.
template <typename T> struct TUnzeroedAllocator : std::allocator<T> {
    using value_type = T;
    template <typename U> struct rebind { using other = TUnzeroedAllocator<U>; };
    TUnzeroedAllocator() = default;
    template <typename U> TUnzeroedAllocator(const TUnzeroedAllocator<U>&) noexcept {}
    template <typename U> void construct(U* place) noexcept { ::new (static_cast<void*>(place)) U; }
    template <typename U, typename... A> void construct(U* place, A&&... a) {
        ::new (static_cast<void*>(place)) U(std::forward<A>(a)...);
    }
};

// 8-byte units keep the records aligned.
using TCallBuffer = std::vector<std::uint64_t, TUnzeroedAllocator<std::uint64_t>>;

// Calls `call(buffer, &size)` with `size` bytes, and on `tooSmall` (111, or 122 for the
// interface table) again with the size asked for, never less than `minimum`, up to
// kSizedCallAttempts calls in all. Returns the last status; `buffer` holds the last answer. A
// size asked for beyond kMaxAnswerBytes ends it with ERROR_NOT_ENOUGH_MEMORY.
template <typename Call>
ULONG CallWithGrowingBuffer(TCallBuffer& buffer, ULONG size, ULONG minimum, Call call,
                            ULONG tooSmall = ERROR_BUFFER_OVERFLOW) {
    ULONG status = tooSmall;
    for (int attempt = 0; attempt < kSizedCallAttempts && status == tooSmall; ++attempt) {
        size = std::max(size, minimum);
        if (size > kMaxAnswerBytes) {
            buffer.clear();
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        buffer.clear(); // nothing of the last answer is copied when the buffer grows
        buffer.resize((size + 7) / 8);
        size = static_cast<ULONG>(buffer.size() * 8);
        status = call(buffer.data(), &size);
    }
    return status;
}

} // namespace qmr
