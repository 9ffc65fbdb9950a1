#include "link_identity.h"

#include "provider/interface_ioctls.h"

#include <netlink/utils.h>

#include <array>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <string_view>

namespace qmr {

namespace {

bool IsTunnelKind(std::string_view kind) {
    constexpr std::array<std::string_view, 12> kTunnelKinds = {
        "tun", "wireguard", "ipip",   "gre",   "sit",    "ip6tnl",
        "vti", "vti6",      "ip6gre", "ipvti", "erspan", "ip6erspan"};
    for (const std::string_view tunnel : kTunnelKinds) {
        if (kind == tunnel) {
            return true;
        }
    }
    return false;
}

// Kinds of link that software makes. No bus device stands behind them and their description
// is the kind, so the driver need not be asked: that is a question saved for every such link at
// every call, where containers keep hundreds of veth ends.
bool IsSoftwareKind(std::string_view kind) {
    constexpr std::array<std::string_view, 29> kSoftwareKinds = {
        "veth",   "bridge", "bond",      "team",      "vlan", "macvlan", "macvtap", "ipvlan",
        "ipvtap", "vxlan",  "geneve",    "dummy",     "ifb",  "vrf",     "tun",     "wireguard",
        "gre",    "gretap", "ip6gre",    "ip6gretap", "ipip", "sit",     "ip6tnl",  "vti",
        "vti6",   "erspan", "ip6erspan", "netkit",    "nlmon"};
    for (const std::string_view software : kSoftwareKinds) {
        if (kind == software) {
            return true;
        }
    }
    return false;
}

} // namespace

UINT AdapterType(unsigned arpType, const std::string& kind, bool wireless) {
    switch (arpType) {
    case ARPHRD_LOOPBACK:
        return MIB_IF_TYPE_LOOPBACK;
    case ARPHRD_PPP:
        return MIB_IF_TYPE_PPP;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
        return IF_TYPE_IEEE80211;
    case ARPHRD_ETHER:
        return wireless ? IF_TYPE_IEEE80211 : MIB_IF_TYPE_ETHERNET;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_IPGRE:
    case ARPHRD_IP6GRE:
    case ARPHRD_SIT:
        return IF_TYPE_TUNNEL;
    default:
        return IsTunnelKind(kind) ? IF_TYPE_TUNNEL : MIB_IF_TYPE_OTHER;
    }
}

std::string ChooseDescription(const std::string& hardwareModel, const std::string& kind,
                              const std::string& driver, unsigned arpType) {
    if (!hardwareModel.empty()) {
        return hardwareModel;
    }
    if (!kind.empty()) {
        return kind;
    }
    if (!driver.empty()) {
        return driver;
    }
    char protocol[32] = {};
    nl_llproto2str(static_cast<int>(arpType), protocol, sizeof protocol);
    return protocol[0] != '\0' ? std::string(protocol) : std::string("link");
}

DWORD RowOperStatus(std::uint8_t operState, bool carrier, bool adminUp) {
    const DWORD notPassing =
        adminUp ? MIB_IF_OPER_STATUS_DISCONNECTED : MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    switch (operState) {
    case IF_OPER_UP:
        return MIB_IF_OPER_STATUS_OPERATIONAL;
    case IF_OPER_DORMANT:
        return MIB_IF_OPER_STATUS_CONNECTING;
    case IF_OPER_NOTPRESENT:
        return MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    case IF_OPER_UNKNOWN:
        // Drivers that never report a state (loopback, tun, many virtual ones) do report
        // carrier.
        return carrier ? MIB_IF_OPER_STATUS_OPERATIONAL : MIB_IF_OPER_STATUS_DISCONNECTED;
    default: // down, lower layer down, testing
        return notPassing;
    }
}

IF_OPER_STATUS Row2OperStatus(std::uint8_t operState, bool carrier) {
    switch (operState) {
    case IF_OPER_UP:
        return IfOperStatusUp;
    case IF_OPER_DORMANT:
        return IfOperStatusDormant;
    case IF_OPER_NOTPRESENT:
        return IfOperStatusNotPresent;
    case IF_OPER_LOWERLAYERDOWN:
        return IfOperStatusLowerLayerDown;
    case IF_OPER_TESTING:
        return IfOperStatusTesting;
    case IF_OPER_DOWN:
        return IfOperStatusDown;
    default:
        return carrier ? IfOperStatusUp : IfOperStatusDown;
    }
}

TLinkIdentity IdentifyLink(int descriptor, const TLinkFacts& link, THardwareNames& names) {
    TLinkIdentity identity;
    const std::optional<TDriverInfo> driver =
        IsSoftwareKind(link.Kind) ? std::nullopt : ReadDriverInfo(descriptor, link.Name);
    THardwareIdentity hardware;
    if (driver && NamesBusDevice(*driver)) {
        identity.Hardware = true;
        hardware = names.Identify(link, *driver);
        if (!hardware.SeenInSysfs && link.ArpType == ARPHRD_ETHER) {
            hardware.Wireless = AnswersWirelessExtensions(descriptor, link.Name);
        }
    }
    identity.Type = AdapterType(link.ArpType, link.Kind, hardware.Wireless);
    identity.Description = ChooseDescription(hardware.Model, link.Kind,
                                             driver ? driver->Driver : std::string(), link.ArpType);
    return identity;
}

} // namespace qmr
