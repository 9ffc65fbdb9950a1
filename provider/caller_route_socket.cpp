#include "caller_route_socket.h"

#include "provider/link_identity_cache.h"

#include <atomic>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <sys/stat.h>
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
    dev_t NamespaceDevice = 0;
    ino_t NamespaceInode = 0;
    // The static facts of the links of that namespace.
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

} // namespace

TRouteSocket& CallerRouteSocket() {
    static const bool forkWatched = ::pthread_atfork(nullptr, nullptr, &OnForkChild) == 0;
    TKeptSocket& kept = t_Kept;
    const unsigned generation = g_ForkGeneration.load(std::memory_order_relaxed);
    if (!kept.Opened || kept.ForkGeneration != generation) {
        // The inherited folder names the parent's thread; the inherited socket is shared with
        // the parent, and closing our copy leaves the parent's open.
        kept.Socket.reset();
        kept.Identities.Clear();
        kept.CloseFolder();
        kept.NamespaceFolder = ::open("/proc/thread-self/ns", O_PATH | O_DIRECTORY | O_CLOEXEC);
        kept.ForkGeneration = generation;
        kept.Opened = true;
    }
    struct stat now {};
    const bool told = forkWatched && kept.NamespaceFolder >= 0 &&
                      ::fstatat(kept.NamespaceFolder, "net", &now, 0) == 0;
    if (!told || kept.Socket == nullptr || !kept.Socket->Clean() ||
        now.st_dev != kept.NamespaceDevice || now.st_ino != kept.NamespaceInode) {
        kept.Socket.reset();
        kept.Socket = std::make_unique<TRouteSocket>();
        kept.NamespaceDevice = now.st_dev;
        kept.NamespaceInode = now.st_ino;
    }
    if (told) {
        kept.Identities.UseNamespace(now.st_dev, now.st_ino);
    } else {
        // A namespace that cannot be told may be another one at every call.
        kept.Identities.Clear();
    }
    return *kept.Socket;
}

TLinkIdentityCache& CallerLinkIdentities() {
    return t_Kept.Identities;
}

} // namespace qmr
