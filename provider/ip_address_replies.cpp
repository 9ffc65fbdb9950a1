#include "ip_address_replies.h"

#include "provider/route_replies.h"

#include <netlink/attr.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>

#include <array>
#include <cstring>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace qmr {

namespace {

template <typename T> void Collect(void* target, T&& item) {
    auto* collector = static_cast<TReplyCollector<std::decay_t<T>>*>(target);
    try {
        collector->Items->push_back(std::forward<T>(item));
    } catch (...) {
        collector->Error = std::current_exception();
    }
}

const std::array<nla_policy, IFA_MAX + 1>& AddressPolicy() {
    static const std::array<nla_policy, IFA_MAX + 1> policy = [] {
        std::array<nla_policy, IFA_MAX + 1> p{};
        p[IFA_FLAGS].type = NLA_U32;
        p[IFA_CACHEINFO].minlen = sizeof(ifa_cacheinfo);
        return p;
    }();
    return policy;
}

bool CopyAddress(const void* bytes, std::size_t length, int family, TIpAddress& out) {
    if ((family != AF_INET || length != 4) && (family != AF_INET6 || length != 16)) {
        return false;
    }
    out.Family = family;
    std::memcpy(out.Bytes.data(), bytes, length);
    return true;
}

bool IsLinkLocal(const TIpAddress& address) {
    return address.Family == AF_INET6 && address.Bytes[0] == 0xFE &&
           (address.Bytes[1] & 0xC0) == 0x80;
}

} // namespace

void ReadIpAddressReply(const nlmsghdr* header, void* target) {
    std::array<nlattr*, IFA_MAX + 1> a{};
    if (header->nlmsg_type != RTM_NEWADDR ||
        nlmsg_parse(const_cast<nlmsghdr*>(header), sizeof(ifaddrmsg), a.data(), IFA_MAX,
                    const_cast<nla_policy*>(AddressPolicy().data())) != 0) {
        return;
    }
    const auto* info = static_cast<const ifaddrmsg*>(nlmsg_data(header));
    // The local address; a point-to-point address also names its peer in IFA_ADDRESS.
    const nlattr* local = a[IFA_LOCAL] != nullptr ? a[IFA_LOCAL] : a[IFA_ADDRESS];
    TIpAddressFacts facts;
    if (local == nullptr || !CopyAddress(nla_data(local), static_cast<std::size_t>(nla_len(local)),
                                         info->ifa_family, facts.Address)) {
        return;
    }
    facts.LinkIndex = info->ifa_index;
    if (IsLinkLocal(facts.Address)) {
        facts.Address.ScopeId = info->ifa_index;
    }
    facts.PrefixLength = info->ifa_prefixlen;
    // The header holds only the lower eight flags.
    facts.Flags = a[IFA_FLAGS] != nullptr ? nla_get_u32(a[IFA_FLAGS]) : info->ifa_flags;
    if (a[IFA_CACHEINFO] != nullptr) {
        ifa_cacheinfo cache{};
        std::memcpy(&cache, nla_data(a[IFA_CACHEINFO]), sizeof cache);
        facts.ValidLifetime = cache.ifa_valid;
        facts.PreferredLifetime = cache.ifa_prefered;
    }
    Collect(target, std::move(facts));
}

void ReadIpv6RouteReply(const nlmsghdr* message, void* target) {
    for (const TDefaultRouteHop& hop : DefaultRouteHops(message, AF_INET6)) {
        TIpv6DefaultRoute facts;
        if (hop.Gateway == nullptr ||
            !CopyAddress(nla_data(hop.Gateway), static_cast<std::size_t>(nla_len(hop.Gateway)),
                         AF_INET6, facts.Gateway)) {
            continue;
        }
        facts.LinkIndex = hop.LinkIndex;
        // A router is usually named by its link-local address, which means nothing without
        // the link it is reached through.
        if (IsLinkLocal(facts.Gateway)) {
            facts.Gateway.ScopeId = facts.LinkIndex;
        }
        facts.Metric = hop.Metric;
        Collect(target, std::move(facts));
    }
}

} // namespace qmr
