#include "friendly_name_table.h"

#include "base/utf16_text.h"

#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/socket.h>

#include <array>
#include <exception>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <memory>

namespace qmr {

namespace {

// A dump that keeps being interrupted by changes is taken as it stands after this many tries.
constexpr int kDumpAttempts = 5;

struct SocketDeleter {
    void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct MessageDeleter {
    void operator()(nl_msg* m) const { nlmsg_free(m); }
};

struct TTableFill {
    TFriendlyNameTable* Table = nullptr;
    std::exception_ptr Error;
};

// Only the name and the alias are read: the library's link objects would parse every address
// family's settings that the kernel sends along.
int OnLink(nl_msg* message, void* arg) {
    static const auto policy = [] {
        std::array<nla_policy, IFLA_MAX + 1> p{};
        p[IFLA_IFNAME].type = NLA_STRING;
        p[IFLA_IFALIAS].type = NLA_STRING;
        return p;
    }();
    auto* fill = static_cast<TTableFill*>(arg);
    std::array<nlattr*, IFLA_MAX + 1> a{};
    nlmsghdr* header = nlmsg_hdr(message);
    if (header->nlmsg_type != RTM_NEWLINK ||
        nlmsg_parse(header, sizeof(ifinfomsg), a.data(), IFLA_MAX,
                    const_cast<nla_policy*>(policy.data())) != 0 ||
        a[IFLA_IFNAME] == nullptr) {
        return NL_OK;
    }
    try {
        const char* name = nla_get_string(a[IFLA_IFNAME]);
        const char* alias = a[IFLA_IFALIAS] != nullptr ? nla_get_string(a[IFLA_IFALIAS]) : "";
        TFriendlyNameEntry entry;
        entry.ServiceName = Utf8ToUtf16(name);
        entry.Description = *alias != '\0' ? Utf8ToUtf16(alias) : entry.ServiceName;
        fill->Table->push_back(std::move(entry));
    } catch (...) {
        fill->Error = std::current_exception();
        return NL_STOP;
    }
    return NL_OK;
}

// One dump of every link, without the traffic counters the names do not need.
int DumpLinks(nl_sock* socket, TFriendlyNameTable& table) {
    std::unique_ptr<nl_msg, MessageDeleter> request(nlmsg_alloc_simple(RTM_GETLINK, NLM_F_DUMP));
    ifinfomsg header{};
    header.ifi_family = AF_UNSPEC;
    if (!request || nlmsg_append(request.get(), &header, sizeof header, NLMSG_ALIGNTO) < 0 ||
        nla_put_u32(request.get(), IFLA_EXT_MASK, RTEXT_FILTER_SKIP_STATS) < 0) {
        throw std::bad_alloc();
    }
    const int sent = nl_send_auto(socket, request.get());
    if (sent < 0) {
        return sent;
    }
    TTableFill fill{&table, nullptr};
    nl_socket_modify_cb(socket, NL_CB_VALID, NL_CB_CUSTOM, &OnLink, &fill);
    const int status = nl_recvmsgs_default(socket);
    if (fill.Error) {
        std::rethrow_exception(fill.Error);
    }
    return status;
}

} // namespace

TFriendlyNameTable ReadFriendlyNameTable() {
    TFriendlyNameTable table;
    std::unique_ptr<nl_sock, SocketDeleter> socket(nl_socket_alloc());
    if (!socket || nl_connect(socket.get(), NETLINK_ROUTE) < 0) {
        return table;
    }
    // Asked again while the kernel reports the dump interrupted by a change; any other error
    // ends the list where it stands.
    for (int attempt = 1; attempt <= kDumpAttempts; ++attempt) {
        table.clear();
        if (DumpLinks(socket.get(), table) != -NLE_DUMP_INTR) {
            break;
        }
    }
    return table;
}

} // namespace qmr
