#pragma once
// The route socket of the calling thread, kept open from one call to the next, and the mirror of
// the kernel's tables it keeps current (kernel_mirror.h). A socket holds no answers, only the
// way to ask, and opening one cost as much as the question it carried. The kept socket and
// mirror are given up, and new ones made, when the thread has moved to another network
// namespace (a socket asks the namespace it was opened in), when the process has forked
// (parent and child would read each other's answers and notices); the socket alone when an
// answer was not read to its end.

#include "provider/kernel_mirror.h"

namespace qmr {

// What an entry point reads the kernel through, for the namespace the calling thread is in now:
// the mirror brought up to date for this call.
TKernelView CallerKernel();

} // namespace qmr
