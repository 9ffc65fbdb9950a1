#include "caller_route_socket.h"

#include <atomic>
#include <charconv>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <string_view>
#include <unistd.h>

namespace qmr {

namespace {

// Counts the forks this process is the child of; a socket opened under another count came from
// the parent.
std::atomic<unsigned> g_ForkGeneration{0};

void OnForkChild() {
    g_ForkGeneration.fetch_add(1, std::memory_order_relaxed);
}

struct TKeptSocket {
    std::unique_ptr<TRouteSocket> Socket;
    // The thread's own /proc folder of namespaces, through which its current network namespace
    // is told in one short lookup; -1 where /proc cannot tell, and every call opens a socket.
    int NamespaceFolder = -1;
    unsigned ForkGeneration = 0;
    bool Opened = false;
    std::uint64_t NamespaceInode = 0;
    // The links, addresses and routes of that namespace, and their static facts.
    TKernelMirror Mirror;
    TLinkIdentityCache Identities;

    TKeptSocket() = default;
    ~TKeptSocket() { CloseFolder(); }
    TKeptSocket(const TKeptSocket&) = delete;
    TKeptSocket& operator=(const TKeptSocket&) = delete;

    void CloseFolder() {
        if (NamespaceFolder >= 0) {
            ::close(NamespaceFolder);
            NamespaceFolder = -1;
        }
    }
};

// One per thread: threads never share a conversation, so no lock is needed.
thread_local TKeptSocket t_Kept;

// The inode of the thread's network namespace, read from the link's text ("net:[4026531840]")
// rather than by following the link: half the cost, and it is asked at every call. All
// namespaces live on the one nsfs, so the inode alone tells them apart.
bool ReadNamespaceInode(int folder, std::uint64_t& inode) {
    char text[64];
    const ssize_t length = ::readlinkat(folder, "net", text, sizeof text);
    constexpr std::string_view kPrefix = "net:[";
    if (length <= static_cast<ssize_t>(kPrefix.size()) + 1 || length >= 64 ||
        std::string_view(text, kPrefix.size()) != kPrefix || text[length - 1] != ']') {
        return false;
    }
    const char* first = text + kPrefix.size();
    const char* last = text + length - 1;
    const auto [end, error] = std::from_chars(first, last, inode);
    return error == std::errc() && end == last;
}

} // namespace

TKernelView CallerKernel() {
    static const bool forkWatched = ::pthread_atfork(nullptr, nullptr, &OnForkChild) == 0;
    TKeptSocket& kept = t_Kept;
    const unsigned generation = g_ForkGeneration.load(std::memory_order_relaxed);
    if (!kept.Opened || kept.ForkGeneration != generation) {
        // The inherited folder names the parent's thread; the inherited socket is shared with
        // the parent, and closing our copy leaves the parent's open.
        kept.Socket.reset();
        kept.Mirror.Discard();
        kept.Identities.Clear();
        kept.CloseFolder();
        kept.NamespaceFolder = ::open("/proc/thread-self/ns", O_PATH | O_DIRECTORY | O_CLOEXEC);
        kept.ForkGeneration = generation;
        kept.Opened = true;
    }
    std::uint64_t inode = 0;
    const bool told =
        forkWatched && kept.NamespaceFolder >= 0 && ReadNamespaceInode(kept.NamespaceFolder, inode);
    if (!told || inode != kept.NamespaceInode) {
        // A namespace that cannot be told may be another one at every call.
        kept.Mirror.Discard();
    }
    if (!told || kept.Socket == nullptr || !kept.Socket->Clean() || inode != kept.NamespaceInode) {
        kept.Socket.reset();
        kept.Socket = std::make_unique<TRouteSocket>();
        kept.NamespaceInode = inode;
    }
    if (told) {
        kept.Identities.UseNamespace(inode);
    } else {
        kept.Identities.Clear();
    }
    kept.Mirror.Refresh(*kept.Socket, HundredthsSinceBoot());
    return {*kept.Socket, kept.Mirror, &kept.Identities, told ? inode : 0};
}

} // namespace qmr
