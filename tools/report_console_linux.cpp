#include "report_console.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace qmr {

namespace {

constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kHeapStep = 4 * kHugePage;
constexpr std::size_t kFirstBlock = 256 * 1024;

// The blocks below pass through here so that the compiler, which may drop an allocation whose
// memory nobody reads, keeps them.
void* volatile gKept = nullptr;

// A poll of hundreds of links touches megabytes of fresh heap, and each 4 KiB page of it costs
// the kernel a fault: about 10 microseconds on the virtual machine this was measured on, a
// third of qmr-report's time at 512 links. So the heap grows once by a large step, from a 2 MiB
// boundary, marked for transparent huge pages: where the kernel grants them, one fault per
// 2 MiB. Memory is taken only where touched, so a small machine's report costs no more.
void GrowTheHeapInHugePages() {
    ::mallopt(M_TOP_PAD, kHeapStep);
    // Larger than what the start-up heap has left: the heap grows by the step now.
    void* grown = std::malloc(kFirstBlock);
    gKept = grown;
    const auto start = reinterpret_cast<std::uintptr_t>(grown);
    const auto top = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    std::free(grown);
    // The first boundary past the block's end, which the allocator has written to: a 2 MiB
    // piece that has a small page already never becomes a huge one.
    const std::uintptr_t boundary = (start + kFirstBlock + 64 + kHugePage - 1) & ~(kHugePage - 1);
    // Only a block from the heap just grown (a sanitizer's allocator keeps blocks elsewhere).
    if (grown == nullptr || start > top || boundary + kHugePage > top) {
        return;
    }
    ::madvise(reinterpret_cast<void*>(boundary), top - boundary, MADV_HUGEPAGE);
    // A block that ends at the boundary, kept and never touched again: what the poll
    // allocates next begins there. (Taking it writes at the boundary, so it comes second.)
    gKept = std::malloc(boundary - start);
}

} // namespace

void PrepareConsoleOutput() {
    // The terminal takes the UTF-8 bytes as they are.
}

void PrepareOneShotMemory() {
    // One poll asks for several answers of a few hundred kilobytes each, one after another.
    // By default each is mapped afresh and unmapped when freed, so every answer faults in new
    // pages; from the heap, the next answer reuses the pages of the last. The process exits
    // soon after, so nothing is held for long. (32 MiB is the largest threshold glibc takes.)
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    GrowTheHeapInHugePages();
}

} // namespace qmr
