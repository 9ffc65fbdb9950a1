#include "provider/interface_rows.h"
#include "provider/wireless.h"

#include <gtest/gtest.h>

#include <linux/nl80211.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <functional>
#include <memory>
#include <vector>

namespace qmr {
namespace {

// nl80211 messages as the kernel sends them, built with libnl: no radio is needed.
class Nl80211Message {
public:
    explicit Nl80211Message(std::uint8_t command) : m_Message(nlmsg_alloc()) {
        genlmsg_put(m_Message, 0, 0, 0x1c, 0, 0, command, 0);
        nla_put_u32(m_Message, NL80211_ATTR_IFINDEX, 3);
    }
    ~Nl80211Message() { nlmsg_free(m_Message); }
    nl_msg* operator->() const { return m_Message; }
    operator nl_msg*() const { return m_Message; }
    const void* Bytes() const { return nlmsg_hdr(m_Message); }
    std::size_t Size() const { return nlmsg_hdr(m_Message)->nlmsg_len; }

private:
    nl_msg* m_Message;
};

using TFill = std::function<void(nl_msg*)>;

// A station entry whose STA_INFO holds what `fill` puts and the TX_BITRATE nest what `rate` puts.
void BuildStation(Nl80211Message& message, const TFill& fill, const TFill& rate) {
    nlattr* info = nla_nest_start(message, NL80211_ATTR_STA_INFO);
    fill(message);
    if (rate) {
        nlattr* tx = nla_nest_start(message, NL80211_STA_INFO_TX_BITRATE);
        rate(message);
        nla_nest_end(message, tx);
    }
    nla_nest_end(message, info);
}

void AssociatedFlag(nl_msg* message, bool associated) {
    nl80211_sta_flag_update update{};
    update.mask = 1u << NL80211_STA_FLAG_ASSOCIATED;
    update.set = associated ? update.mask : 0;
    nla_put(message, NL80211_STA_INFO_STA_FLAGS, sizeof update, &update);
}

TEST(Nl80211, StationRateFromEveryKindOfRateInfo) {
    struct Case {
        const char* name;
        TFill rate;
        std::uint64_t bits;
    };
    const Case cases[] = {
        {"legacy 54 Mbit/s", [](nl_msg* m) { nla_put_u16(m, NL80211_RATE_INFO_BITRATE, 540); },
         54000000},
        {"HT MCS 15, 40 MHz, short guard",
         [](nl_msg* m) {
             nla_put_u8(m, NL80211_RATE_INFO_MCS, 15);
             nla_put_flag(m, NL80211_RATE_INFO_40_MHZ_WIDTH);
             nla_put_flag(m, NL80211_RATE_INFO_SHORT_GI);
             nla_put_u16(m, NL80211_RATE_INFO_BITRATE, 3000);
             nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 3000);
         },
         300000000},
        {"VHT MCS 9, two streams, 80 MHz",
         [](nl_msg* m) {
             nla_put_u8(m, NL80211_RATE_INFO_VHT_MCS, 9);
             nla_put_u8(m, NL80211_RATE_INFO_VHT_NSS, 2);
             nla_put_flag(m, NL80211_RATE_INFO_80_MHZ_WIDTH);
             nla_put_u16(m, NL80211_RATE_INFO_BITRATE, 8667);
             nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 8667);
         },
         866700000},
        // Beyond 16 bits of 100 kbit/s the kernel sends only the 32-bit rate.
        {"HE MCS 11, two streams, 160 MHz, above 6.5 Gbit/s",
         [](nl_msg* m) {
             nla_put_u8(m, NL80211_RATE_INFO_HE_MCS, 11);
             nla_put_u8(m, NL80211_RATE_INFO_HE_NSS, 4);
             nla_put_flag(m, NL80211_RATE_INFO_160_MHZ_WIDTH);
             nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 96078);
         },
         9607800000},
        {"MCS without a rate the kernel could work out",
         [](nl_msg* m) { nla_put_u8(m, NL80211_RATE_INFO_HE_MCS, 11); }, 0},
        {"no rate nest at all", nullptr, 0},
    };
    for (const Case& c : cases) {
        Nl80211Message message(NL80211_CMD_NEW_STATION);
        BuildStation(
            message, [](nl_msg* m) { nla_put_u8(m, NL80211_STA_INFO_SIGNAL, 0xCC); }, c.rate);
        TWirelessFacts facts;
        ASSERT_TRUE(ParseStationMessage(message.Bytes(), message.Size(), facts)) << c.name;
        EXPECT_TRUE(facts.Associated) << c.name;
        EXPECT_EQ(facts.TxBitrate, c.bits) << c.name;
        EXPECT_EQ(facts.SignalDbm, -52) << c.name;
    }
}

TEST(Nl80211, AssociationFlagsAndMalformedStationMessages) {
    const auto rate = [](nl_msg* m) { nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 1440); };
    Nl80211Message associated(NL80211_CMD_NEW_STATION);
    BuildStation(
        associated, [](nl_msg* m) { AssociatedFlag(m, true); }, rate);
    TWirelessFacts facts;
    ASSERT_TRUE(ParseStationMessage(associated.Bytes(), associated.Size(), facts));
    EXPECT_TRUE(facts.Associated);
    EXPECT_EQ(facts.TxBitrate, 144000000u);
    EXPECT_FALSE(facts.SignalDbm.has_value());

    Nl80211Message notAssociated(NL80211_CMD_NEW_STATION);
    BuildStation(
        notAssociated, [](nl_msg* m) { AssociatedFlag(m, false); }, rate);
    TWirelessFacts left;
    ASSERT_TRUE(ParseStationMessage(notAssociated.Bytes(), notAssociated.Size(), left));
    EXPECT_FALSE(left.Associated);
    EXPECT_EQ(left.TxBitrate, 0u);

    // Cut short, a station info missing, a signal of no bytes, another command: all refused
    // and nothing of the facts changed.
    Nl80211Message noInfo(NL80211_CMD_NEW_STATION);
    Nl80211Message emptySignal(NL80211_CMD_NEW_STATION);
    BuildStation(
        emptySignal, [](nl_msg* m) { nla_put(m, NL80211_STA_INFO_SIGNAL, 0, nullptr); }, rate);
    Nl80211Message otherCommand(NL80211_CMD_NEW_INTERFACE);
    BuildStation(
        otherCommand, [](nl_msg*) {}, rate);
    const std::pair<const Nl80211Message*, std::size_t> refused[] = {
        {&associated, associated.Size() - 4},
        {&associated, NLMSG_HDRLEN - 1},
        {&noInfo, noInfo.Size()},
        {&emptySignal, emptySignal.Size()},
        {&otherCommand, otherCommand.Size()},
    };
    for (const auto& [message, size] : refused) {
        TWirelessFacts untouched;
        untouched.TxBitrate = 7;
        EXPECT_FALSE(ParseStationMessage(message->Bytes(), size, untouched)) << size;
        EXPECT_EQ(untouched.TxBitrate, 7u);
        EXPECT_FALSE(untouched.Associated);
    }
    EXPECT_FALSE(ParseStationMessage(nullptr, 0, facts));
}

TEST(Nl80211, InterfaceGivesNetworkNameAndFrequency) {
    Nl80211Message full(NL80211_CMD_NEW_INTERFACE);
    nla_put(full, NL80211_ATTR_SSID, 9, "Caf\xC3\xA9 net");
    nla_put_u32(full, NL80211_ATTR_WIPHY_FREQ, 5180);
    TWirelessFacts facts;
    ASSERT_TRUE(ParseInterfaceMessage(full.Bytes(), full.Size(), facts));
    EXPECT_EQ(facts.Ssid, "Caf\xC3\xA9 net");
    EXPECT_EQ(facts.FrequencyMhz, 5180u);

    Nl80211Message bare(NL80211_CMD_NEW_INTERFACE);
    TWirelessFacts none;
    ASSERT_TRUE(ParseInterfaceMessage(bare.Bytes(), bare.Size(), none));
    EXPECT_TRUE(none.Ssid.empty());
    EXPECT_EQ(none.FrequencyMhz, 0u);

    Nl80211Message tooLong(NL80211_CMD_NEW_INTERFACE);
    nla_put(tooLong, NL80211_ATTR_SSID, 33, std::string(33, 'x').data());
    EXPECT_FALSE(ParseInterfaceMessage(tooLong.Bytes(), tooLong.Size(), none));
    EXPECT_FALSE(ParseInterfaceMessage(full.Bytes(), full.Size() - 2, none));
    EXPECT_TRUE(none.Ssid.empty());
}

TEST(Nl80211, StationEntryNamesTheAccessPointAndTheReceiveRate) {
    Nl80211Message message(NL80211_CMD_NEW_STATION);
    const std::uint8_t bssid[6] = {0x02, 0xAB, 0xCD, 0x00, 0x00, 0x07};
    nla_put(message, NL80211_ATTR_MAC, sizeof bssid, bssid);
    BuildStation(
        message,
        [](nl_msg* m) {
            nlattr* rx = nla_nest_start(m, NL80211_STA_INFO_RX_BITRATE);
            nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 5765);
            nla_nest_end(m, rx);
        },
        [](nl_msg* m) { nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 8667); });
    TWirelessFacts facts;
    ASSERT_TRUE(ParseStationMessage(message.Bytes(), message.Size(), facts));
    EXPECT_EQ(facts.RxBitrate, 576500000u);
    EXPECT_EQ(facts.TxBitrate, 866700000u);
    ASSERT_TRUE(facts.Bssid.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(facts.Bssid->begin(), facts.Bssid->end()),
              std::vector<std::uint8_t>(bssid, bssid + 6));

    // An address of fewer than six bytes is a malformed message.
    Nl80211Message shortMac(NL80211_CMD_NEW_STATION);
    nla_put(shortMac, NL80211_ATTR_MAC, 4, bssid);
    BuildStation(shortMac, [](nl_msg*) {}, nullptr);
    TWirelessFacts untouched;
    EXPECT_FALSE(ParseStationMessage(shortMac.Bytes(), shortMac.Size(), untouched));
    EXPECT_FALSE(untouched.Bssid.has_value());
}

// Information elements: an id, a length, the body.
std::vector<std::uint8_t> Element(std::uint8_t id, std::vector<std::uint8_t> body) {
    body.insert(body.begin(), {id, static_cast<std::uint8_t>(body.size())});
    return body;
}

// An RSN (or, with the WPA prefix, WPA) body: version 1, group cipher, the pairwise ciphers and
// the key management suites, each a type under the organisation `oui`.
std::vector<std::uint8_t> SuitesBody(std::uint8_t oui2, std::vector<std::uint8_t> pairwise,
                                     std::vector<std::uint8_t> keyManagement) {
    const std::uint8_t oui[3] = {0x00, static_cast<std::uint8_t>(oui2 == 0xAC ? 0x0F : 0x50),
                                 oui2};
    std::vector<std::uint8_t> body = {1, 0, oui[0], oui[1], oui[2], 4};
    for (const auto* list : {&pairwise, &keyManagement}) {
        body.push_back(static_cast<std::uint8_t>(list->size()));
        body.push_back(0);
        for (const std::uint8_t type : *list) {
            body.insert(body.end(), {oui[0], oui[1], oui[2], type});
        }
    }
    return body;
}

TEST(Nl80211, SecurityFromTheBeaconsElements) {
    const std::vector<std::uint8_t> ssid = Element(0, {'H', 'o', 'm', 'e'});
    std::vector<std::uint8_t> wpaBody = {0x00, 0x50, 0xF2, 0x01};
    const std::vector<std::uint8_t> wpaSuites = SuitesBody(0xF2, {2}, {2});
    wpaBody.insert(wpaBody.end(), wpaSuites.begin(), wpaSuites.end());
    std::vector<std::uint8_t> cut = Element(48, SuitesBody(0xAC, {4}, {8}));
    cut.resize(cut.size() - 6); // the key management list ends short
    struct Case {
        const char* name;
        std::vector<std::uint8_t> elements;
        bool privacy, rsn, wpa;
        std::uint32_t keyManagement, pairwise;
    };
    const Case cases[] = {
        {"WPA2-Personal", Element(48, SuitesBody(0xAC, {4}, {2})), true, true, false, 0x000FAC02,
         0x000FAC04},
        {"WPA3 transition: the first suite", Element(48, SuitesBody(0xAC, {4}, {8, 2})), true,
         true, false, 0x000FAC08, 0x000FAC04},
        {"WPA-Personal with TKIP", Element(221, wpaBody), true, false, true, 0x0050F202,
         0x0050F202},
        {"a vendor element that is not WPA", Element(221, {0x00, 0x50, 0xF2, 0x04, 1, 2}), true,
         false, false, 0, 0},
        {"WEP: privacy alone", ssid, true, false, false, 0, 0},
        {"open", ssid, false, false, false, 0, 0},
        {"cut short", cut, true, true, false, 0, 0x000FAC04},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> elements = ssid;
        elements.insert(elements.end(), c.elements.begin(), c.elements.end());
        const TWirelessSecurity s = ParseSecurityElements(elements.data(), elements.size(), c.privacy);
        EXPECT_EQ(s.Privacy, c.privacy) << c.name;
        EXPECT_EQ(s.Rsn, c.rsn) << c.name;
        EXPECT_EQ(s.Wpa, c.wpa) << c.name;
        EXPECT_EQ(s.KeyManagement, c.keyManagement) << c.name;
        EXPECT_EQ(s.PairwiseCipher, c.pairwise) << c.name;
    }
    // An element claiming more than there is reads only what is there.
    const std::uint8_t overlong[] = {48, 200, 1, 0};
    EXPECT_TRUE(ParseSecurityElements(overlong, sizeof overlong, true).Rsn);
}

TEST(Nl80211, ScanResultsGiveTheSecurityOfTheAssociatedNetworkOnly) {
    const std::uint8_t ours[6] = {0x02, 0, 0, 0, 0, 0x01};
    const std::uint8_t theirs[6] = {0x02, 0, 0, 0, 0, 0x02};
    const std::vector<std::uint8_t> rsn = Element(48, SuitesBody(0xAC, {4}, {2}));
    const auto scanEntry = [&](const std::uint8_t* bssid, bool associated) {
        auto message = std::make_unique<Nl80211Message>(NL80211_CMD_NEW_SCAN_RESULTS);
        nlattr* bss = nla_nest_start(*message, NL80211_ATTR_BSS);
        nla_put(*message, NL80211_BSS_BSSID, 6, bssid);
        nla_put_u16(*message, NL80211_BSS_CAPABILITY, 0x0011);
        nla_put(*message, NL80211_BSS_INFORMATION_ELEMENTS, static_cast<int>(rsn.size()),
                rsn.data());
        if (associated) {
            nla_put_u32(*message, NL80211_BSS_STATUS, NL80211_BSS_STATUS_ASSOCIATED);
        }
        nla_nest_end(*message, bss);
        return message;
    };
    struct Case {
        const char* name;
        const std::uint8_t* bssid;
        bool associatedStatus;
        bool stationKnown;
        bool taken;
    };
    const Case cases[] = {
        {"status associated", theirs, true, false, true},
        {"the station's BSSID", ours, false, true, true},
        {"another network", theirs, false, true, false},
    };
    for (const Case& c : cases) {
        const auto message = scanEntry(c.bssid, c.associatedStatus);
        TWirelessFacts facts;
        if (c.stationKnown) {
            facts.Bssid = std::array<std::uint8_t, 6>{0x02, 0, 0, 0, 0, 0x01};
        }
        ASSERT_TRUE(ParseScanMessage(message->Bytes(), message->Size(), facts)) << c.name;
        ASSERT_EQ(facts.Security.has_value(), c.taken) << c.name;
        if (c.taken) {
            EXPECT_TRUE(facts.Security->Privacy && facts.Security->Rsn) << c.name;
            EXPECT_EQ(facts.Security->KeyManagement, 0x000FAC02u) << c.name;
        }
    }
    Nl80211Message noBss(NL80211_CMD_NEW_SCAN_RESULTS);
    TWirelessFacts facts;
    EXPECT_FALSE(ParseScanMessage(noBss.Bytes(), noBss.Size(), facts));
    const auto entry = scanEntry(ours, true);
    EXPECT_FALSE(ParseScanMessage(entry->Bytes(), entry->Size() - 4, facts));
    EXPECT_FALSE(facts.Security.has_value());
}

TEST(Nl80211, ChannelOfEveryBandsCentreFrequency) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {2412, 1}, {2437, 6}, {2472, 13}, {2484, 14}, {5180, 36}, {5825, 165},
        {5955, 1}, {5935, 2}, {7115, 233}, {0, 0},    {3000, 0},  {60480, 0},
    };
    for (const auto& [mhz, channel] : cases) {
        EXPECT_EQ(ChannelOfFrequency(mhz), channel) << mhz;
    }
}

TEST(Nl80211, SpeedFromTheRadioElseTheWirelessExtensionsAndNoneWhileNotAssociated) {
    static int extensionsAsked = 0;
    const auto extensions = [](int, const std::string&) -> std::uint64_t {
        ++extensionsAsked;
        return 11000000;
    };
    TWirelessFacts associated;
    associated.Associated = true;
    associated.TxBitrate = 866700000;
    TWirelessFacts noRate;
    noRate.Associated = true;
    const std::pair<std::optional<TWirelessFacts>, std::uint64_t> cases[] = {
        {associated, 866700000},
        {noRate, 11000000},
        {std::nullopt, 11000000}, // nl80211 could not be asked
        {TWirelessFacts{}, 0},
    };
    for (const auto& [radio, speed] : cases) {
        EXPECT_EQ(WirelessSpeed(radio, extensions, -1, "wlan0"), speed);
    }
    EXPECT_EQ(extensionsAsked, 2);
}

TEST(Nl80211, LinkThatIsNoRadioGetsNoAnswer) {
    TNl80211Socket socket;
    EXPECT_FALSE(socket.Ask(1).has_value()); // loopback
}

} // namespace
} // namespace qmr
