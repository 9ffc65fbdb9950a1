#include "wireless.h"

#include <linux/nl80211.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace qmr {

namespace {

constexpr std::uint64_t kRateUnit = 100000; // the rate attributes count 100 kbit/s

// The generic netlink message's attributes, checked against the policy; false when the
// message is cut short or is not the command.
template <std::size_t N>
bool ParseCommand(const void* message, std::size_t size, std::uint8_t command,
                  std::array<nlattr*, N>& attributes, nla_policy* policy) {
    const auto* header = static_cast<const nlmsghdr*>(message);
    if (message == nullptr || size < NLMSG_HDRLEN || header->nlmsg_len > size ||
        !genlmsg_valid_hdr(const_cast<nlmsghdr*>(header), 0)) {
        return false;
    }
    const auto* generic = static_cast<const genlmsghdr*>(nlmsg_data(header));
    if (generic->cmd != command) {
        return false;
    }
    return genlmsg_parse(const_cast<nlmsghdr*>(header), 0, attributes.data(),
                         static_cast<int>(N - 1), policy) == 0;
}

std::uint64_t RateOf(nlattr* rateInfo) {
    std::array<nlattr*, NL80211_RATE_INFO_MAX + 1> rate{};
    std::array<nla_policy, NL80211_RATE_INFO_MAX + 1> policy{};
    policy[NL80211_RATE_INFO_BITRATE].type = NLA_U16;
    policy[NL80211_RATE_INFO_BITRATE32].type = NLA_U32;
    if (nla_parse_nested(rate.data(), NL80211_RATE_INFO_MAX, rateInfo, policy.data()) != 0) {
        return 0;
    }
    // The kernel works out the rate from the MCS, width and guard interval (HT, VHT, HE and
    // on) and sends it here; the 32-bit attribute is the one that does not overflow.
    if (rate[NL80211_RATE_INFO_BITRATE32] != nullptr) {
        return nla_get_u32(rate[NL80211_RATE_INFO_BITRATE32]) * kRateUnit;
    }
    if (rate[NL80211_RATE_INFO_BITRATE] != nullptr) {
        return nla_get_u16(rate[NL80211_RATE_INFO_BITRATE]) * kRateUnit;
    }
    return 0;
}

} // namespace

bool ParseStationMessage(const void* message, std::size_t size, TWirelessFacts& facts) {
    std::array<nlattr*, NL80211_ATTR_MAX + 1> top{};
    std::array<nla_policy, NL80211_ATTR_MAX + 1> topPolicy{};
    topPolicy[NL80211_ATTR_STA_INFO].type = NLA_NESTED;
    topPolicy[NL80211_ATTR_MAC].minlen = 6;
    if (!ParseCommand(message, size, NL80211_CMD_NEW_STATION, top, topPolicy.data()) ||
        top[NL80211_ATTR_STA_INFO] == nullptr) {
        return false;
    }
    std::array<nlattr*, NL80211_STA_INFO_MAX + 1> station{};
    std::array<nla_policy, NL80211_STA_INFO_MAX + 1> policy{};
    policy[NL80211_STA_INFO_SIGNAL].type = NLA_U8;
    policy[NL80211_STA_INFO_TX_BITRATE].type = NLA_NESTED;
    policy[NL80211_STA_INFO_RX_BITRATE].type = NLA_NESTED;
    policy[NL80211_STA_INFO_STA_FLAGS].minlen = sizeof(nl80211_sta_flag_update);
    if (nla_parse_nested(station.data(), NL80211_STA_INFO_MAX, top[NL80211_ATTR_STA_INFO],
                         policy.data()) != 0) {
        return false;
    }
    TWirelessFacts read = facts;
    read.Associated = true;
    if (nlattr* flags = station[NL80211_STA_INFO_STA_FLAGS]) {
        const auto* update = static_cast<const nl80211_sta_flag_update*>(nla_data(flags));
        constexpr std::uint32_t kAssociated = 1u << NL80211_STA_FLAG_ASSOCIATED;
        if (update->mask & kAssociated) {
            read.Associated = (update->set & kAssociated) != 0;
        }
    }
    if (!read.Associated) {
        facts.Associated = false;
        return true;
    }
    if (station[NL80211_STA_INFO_TX_BITRATE] != nullptr) {
        read.TxBitrate = RateOf(station[NL80211_STA_INFO_TX_BITRATE]);
    }
    if (station[NL80211_STA_INFO_RX_BITRATE] != nullptr) {
        read.RxBitrate = RateOf(station[NL80211_STA_INFO_RX_BITRATE]);
    }
    // In station mode the one station entry is the access point: its address is the BSSID.
    if (nlattr* mac = top[NL80211_ATTR_MAC]) {
        std::array<std::uint8_t, 6> bssid{};
        std::memcpy(bssid.data(), nla_data(mac), bssid.size());
        read.Bssid = bssid;
    }
    if (station[NL80211_STA_INFO_SIGNAL] != nullptr) {
        read.SignalDbm = static_cast<std::int8_t>(nla_get_u8(station[NL80211_STA_INFO_SIGNAL]));
    }
    facts = read;
    return true;
}

bool ParseInterfaceMessage(const void* message, std::size_t size, TWirelessFacts& facts) {
    std::array<nlattr*, NL80211_ATTR_MAX + 1> top{};
    std::array<nla_policy, NL80211_ATTR_MAX + 1> policy{};
    policy[NL80211_ATTR_WIPHY_FREQ].type = NLA_U32;
    policy[NL80211_ATTR_SSID].maxlen = 32;
    if (!ParseCommand(message, size, NL80211_CMD_NEW_INTERFACE, top, policy.data())) {
        return false;
    }
    if (nlattr* ssid = top[NL80211_ATTR_SSID]) {
        facts.Ssid.assign(static_cast<const char*>(nla_data(ssid)),
                          static_cast<std::size_t>(nla_len(ssid)));
    }
    if (nlattr* frequency = top[NL80211_ATTR_WIPHY_FREQ]) {
        facts.FrequencyMhz = nla_get_u32(frequency);
    }
    return true;
}

namespace {

constexpr std::uint8_t kRsnElement = 48;
constexpr std::uint8_t kVendorElement = 221;
constexpr std::uint16_t kPrivacyCapability = 0x0010;

// Reads the suites of an RSN or WPA element body, after its version: group cipher, pairwise
// ciphers, key management. What the body holds counts; a cut-off list ends the reading.
void ReadSuites(const std::uint8_t* body, std::size_t size, TWirelessSecurity& security) {
    const auto suite = [](const std::uint8_t* at) {
        return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 |
               std::uint32_t{at[2]} << 8 | at[3];
    };
    std::size_t at = 2 + 4; // version, group cipher
    const auto list = [&](std::uint32_t& first) {
        if (at + 2 > size) {
            return false;
        }
        const std::size_t count = body[at] | std::size_t{body[at + 1]} << 8;
        at += 2;
        if (count > 0 && at + 4 <= size) {
            first = suite(body + at);
        }
        at += 4 * count;
        return at <= size;
    };
    if (list(security.PairwiseCipher)) {
        list(security.KeyManagement);
    }
}

} // namespace

TWirelessSecurity ParseSecurityElements(const std::uint8_t* elements, std::size_t size,
                                        bool privacy) {
    TWirelessSecurity security;
    security.Privacy = privacy;
    const std::uint8_t* rsn = nullptr;
    std::size_t rsnSize = 0;
    const std::uint8_t* wpa = nullptr;
    std::size_t wpaSize = 0;
    for (std::size_t at = 0; elements != nullptr && at + 2 <= size;) {
        const std::uint8_t id = elements[at];
        const std::size_t length = std::min<std::size_t>(elements[at + 1], size - at - 2);
        const std::uint8_t* body = elements + at + 2;
        if (id == kRsnElement && rsn == nullptr) {
            rsn = body;
            rsnSize = length;
        } else if (id == kVendorElement && wpa == nullptr && length >= 4 && body[0] == 0x00 &&
                   body[1] == 0x50 && body[2] == 0xF2 && body[3] == 0x01) {
            wpa = body + 4;
            wpaSize = length - 4;
        }
        at += 2 + length;
    }
    if (rsn != nullptr) {
        security.Rsn = true;
        ReadSuites(rsn, rsnSize, security);
    } else if (wpa != nullptr) {
        security.Wpa = true;
        ReadSuites(wpa, wpaSize, security);
    }
    return security;
}

bool ParseScanMessage(const void* message, std::size_t size, TWirelessFacts& facts) {
    std::array<nlattr*, NL80211_ATTR_MAX + 1> top{};
    std::array<nla_policy, NL80211_ATTR_MAX + 1> topPolicy{};
    topPolicy[NL80211_ATTR_BSS].type = NLA_NESTED;
    if (!ParseCommand(message, size, NL80211_CMD_NEW_SCAN_RESULTS, top, topPolicy.data()) ||
        top[NL80211_ATTR_BSS] == nullptr) {
        return false;
    }
    std::array<nlattr*, NL80211_BSS_MAX + 1> bss{};
    std::array<nla_policy, NL80211_BSS_MAX + 1> policy{};
    policy[NL80211_BSS_BSSID].minlen = 6;
    policy[NL80211_BSS_STATUS].type = NLA_U32;
    policy[NL80211_BSS_CAPABILITY].type = NLA_U16;
    if (nla_parse_nested(bss.data(), NL80211_BSS_MAX, top[NL80211_ATTR_BSS], policy.data()) != 0) {
        return false;
    }
    bool ours = bss[NL80211_BSS_STATUS] != nullptr &&
                nla_get_u32(bss[NL80211_BSS_STATUS]) == NL80211_BSS_STATUS_ASSOCIATED;
    if (!ours && facts.Bssid && bss[NL80211_BSS_BSSID] != nullptr) {
        ours = std::memcmp(nla_data(bss[NL80211_BSS_BSSID]), facts.Bssid->data(), 6) == 0;
    }
    if (!ours) {
        return true;
    }
    const bool privacy = bss[NL80211_BSS_CAPABILITY] != nullptr &&
                         (nla_get_u16(bss[NL80211_BSS_CAPABILITY]) & kPrivacyCapability) != 0;
    const nlattr* elements = bss[NL80211_BSS_INFORMATION_ELEMENTS];
    facts.Security = ParseSecurityElements(
        elements != nullptr ? static_cast<const std::uint8_t*>(nla_data(elements)) : nullptr,
        elements != nullptr ? static_cast<std::size_t>(nla_len(elements)) : 0, privacy);
    return true;
}

std::uint32_t ChannelOfFrequency(std::uint32_t megahertz) {
    if (megahertz == 2484) {
        return 14;
    }
    if (megahertz >= 2412 && megahertz < 2484) {
        return (megahertz - 2407) / 5;
    }
    // 5935 MHz is 6 GHz channel 2; the rest of that band counts from 5950.
    if (megahertz == 5935) {
        return 2;
    }
    if (megahertz > 5950 && megahertz <= 7115) {
        return (megahertz - 5950) / 5;
    }
    if (megahertz >= 5000 && megahertz <= 5895) {
        return (megahertz - 5000) / 5;
    }
    return 0;
}

namespace {

struct TReply {
    TWirelessFacts* Facts = nullptr;
    bool (*Parse)(const void*, std::size_t, TWirelessFacts&) = nullptr;
    int Error = 1; // 1 while the answer is still coming
};

int OnValid(nl_msg* message, void* argument) {
    auto* reply = static_cast<TReply*>(argument);
    const nlmsghdr* header = nlmsg_hdr(message);
    reply->Parse(header, header->nlmsg_len, *reply->Facts);
    return NL_OK;
}

int OnFinish(nl_msg*, void* argument) {
    static_cast<TReply*>(argument)->Error = 0;
    return NL_STOP;
}

int OnError(sockaddr_nl*, nlmsgerr* error, void* argument) {
    static_cast<TReply*>(argument)->Error = error->error < 0 ? error->error : -1;
    return NL_STOP;
}

// Sends one request and reads its whole answer (one message, or a dump) to the end.
bool Transact(nl_sock* socket, int family, std::uint8_t command, int flags, std::uint32_t index,
              TReply& reply) {
    nl_msg* message = nlmsg_alloc();
    if (message == nullptr) {
        return false;
    }
    bool sent = genlmsg_put(message, NL_AUTO_PORT, NL_AUTO_SEQ, family, 0, flags, command, 0) &&
                nla_put_u32(message, NL80211_ATTR_IFINDEX, index) == 0 &&
                nl_send_auto(socket, message) >= 0;
    nlmsg_free(message);
    nl_cb* callbacks = sent ? nl_cb_alloc(NL_CB_DEFAULT) : nullptr;
    if (callbacks == nullptr) {
        return false;
    }
    nl_cb_set(callbacks, NL_CB_VALID, NL_CB_CUSTOM, OnValid, &reply);
    nl_cb_set(callbacks, NL_CB_FINISH, NL_CB_CUSTOM, OnFinish, &reply);
    nl_cb_set(callbacks, NL_CB_ACK, NL_CB_CUSTOM, OnFinish, &reply);
    nl_cb_err(callbacks, NL_CB_CUSTOM, OnError, &reply);
    while (reply.Error > 0) {
        if (nl_recvmsgs(socket, callbacks) < 0 && reply.Error > 0) {
            reply.Error = -1;
        }
    }
    nl_cb_put(callbacks);
    return reply.Error == 0;
}

} // namespace

TNl80211Socket::~TNl80211Socket() {
    if (m_Socket != nullptr) {
        nl_socket_free(m_Socket);
    }
}

bool TNl80211Socket::Open() {
    if (!m_Tried) {
        m_Tried = true;
        m_Socket = nl_socket_alloc();
        if (m_Socket != nullptr && genl_connect(m_Socket) == 0) {
            m_Family = genl_ctrl_resolve(m_Socket, "nl80211");
        }
    }
    return m_Family >= 0;
}

std::optional<TWirelessFacts> TNl80211Socket::Ask(std::uint32_t linkIndex) {
    if (!Open()) {
        return std::nullopt;
    }
    // In station mode the one station entry is the access point; none while not associated.
    TWirelessFacts facts;
    TReply station{&facts, &ParseStationMessage};
    if (!Transact(m_Socket, m_Family, NL80211_CMD_GET_STATION, NLM_F_DUMP, linkIndex, station)) {
        return std::nullopt;
    }
    if (facts.Associated) {
        TReply interface { &facts, &ParseInterfaceMessage };
        Transact(m_Socket, m_Family, NL80211_CMD_GET_INTERFACE, 0, linkIndex, interface);
        // The scan results the kernel keeps, which hold the associated network's beacon; no
        // scan is started.
        TReply scan{&facts, &ParseScanMessage};
        Transact(m_Socket, m_Family, NL80211_CMD_GET_SCAN, NLM_F_DUMP, linkIndex, scan);
    }
    return facts;
}

} // namespace qmr
