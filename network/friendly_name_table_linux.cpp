#include "friendly_name_table.h"

#include "base/utf16_text.h"

#include <netlink/netlink.h>
#include <netlink/route/link.h>

#include <memory>

namespace qmr {

namespace {
struct SocketDeleter {
    void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct CacheDeleter {
    void operator()(nl_cache* c) const { nl_cache_free(c); }
};
} // namespace

TFriendlyNameTable ReadFriendlyNameTable() {
    TFriendlyNameTable table;
    std::unique_ptr<nl_sock, SocketDeleter> sock(nl_socket_alloc());
    if (!sock || nl_connect(sock.get(), NETLINK_ROUTE) < 0) {
        return table;
    }
    nl_cache* raw = nullptr;
    if (rtnl_link_alloc_cache(sock.get(), AF_UNSPEC, &raw) < 0) {
        return table;
    }
    std::unique_ptr<nl_cache, CacheDeleter> cache(raw);
    for (nl_object* obj = nl_cache_get_first(cache.get()); obj != nullptr;
         obj = nl_cache_get_next(obj)) {
        auto* link = reinterpret_cast<rtnl_link*>(obj);
        const char* name = rtnl_link_get_name(link);
        if (name == nullptr) {
            continue;
        }
        const char* alias = rtnl_link_get_ifalias(link);
        TFriendlyNameEntry entry;
        entry.ServiceName = Utf8ToUtf16(name);
        entry.Description = Utf8ToUtf16(alias != nullptr && *alias ? alias : name);
        table.push_back(std::move(entry));
    }
    return table;
}

} // namespace qmr
