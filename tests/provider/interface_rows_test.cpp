#include "provider/interface_ioctls.h"
#include "provider/interface_rows.h"
#include "provider/link_identity.h"
#include "provider/link_identity_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <linux/if.h>
#include <linux/if_arp.h>

namespace qmr {
namespace {

TEST(LinkIdentity, TypeFromLinkLayerKindAndRadio) {
    EXPECT_EQ(AdapterType(ARPHRD_LOOPBACK, "", false), 24u);
    EXPECT_EQ(AdapterType(ARPHRD_ETHER, "veth", false), 6u);
    EXPECT_EQ(AdapterType(ARPHRD_ETHER, "tun", false), 6u); // a tap is Ethernet
    EXPECT_EQ(AdapterType(ARPHRD_ETHER, "", true), 71u);
    EXPECT_EQ(AdapterType(ARPHRD_IEEE80211_RADIOTAP, "", false), 71u);
    EXPECT_EQ(AdapterType(ARPHRD_PPP, "", false), 23u);
    EXPECT_EQ(AdapterType(ARPHRD_NONE, "tun", false), 131u);
    EXPECT_EQ(AdapterType(ARPHRD_NONE, "wireguard", false), 131u);
    EXPECT_EQ(AdapterType(ARPHRD_IPGRE, "gre", false), 131u);
    EXPECT_EQ(AdapterType(ARPHRD_SIT, "sit", false), 131u);
    EXPECT_EQ(AdapterType(ARPHRD_NONE, "", false), 1u);
    EXPECT_EQ(AdapterType(ARPHRD_INFINIBAND, "", false), 1u);
}

TEST(LinkIdentity, DescriptionPrefersHardwareNameThenKindThenDriverAndIsNeverEmpty) {
    EXPECT_EQ(ChooseDescription("Intel Corporation I219-V", "", "e1000e", ARPHRD_ETHER),
              "Intel Corporation I219-V");
    EXPECT_EQ(ChooseDescription("", "wireguard", "wireguard", ARPHRD_NONE), "wireguard");
    EXPECT_EQ(ChooseDescription("", "", "virtio_net", ARPHRD_ETHER), "virtio_net");
    EXPECT_EQ(ChooseDescription("", "", "", ARPHRD_LOOPBACK), "loopback");
    EXPECT_FALSE(ChooseDescription("", "", "", 0xFFFE).empty());
    EXPECT_EQ(JoinVendorAndModel("Realtek", "RTL8153"), "Realtek RTL8153");
    EXPECT_EQ(JoinVendorAndModel("", "RTL8153"), "RTL8153");
    EXPECT_EQ(JoinVendorAndModel("Realtek", ""), "Realtek");
}

TEST(LinkIdentity, OperationalStatusOfBothRows) {
    struct Case {
        std::uint8_t state;
        bool carrier;
        bool up;
        DWORD row;
        IF_OPER_STATUS row2;
    };
    const Case cases[] = {
        {IF_OPER_UP, true, true, 5, IfOperStatusUp},
        {IF_OPER_DORMANT, true, true, 3, IfOperStatusDormant},
        {IF_OPER_DOWN, false, true, 2, IfOperStatusDown},
        {IF_OPER_DOWN, false, false, 0, IfOperStatusDown},
        {IF_OPER_LOWERLAYERDOWN, false, true, 2, IfOperStatusLowerLayerDown},
        {IF_OPER_LOWERLAYERDOWN, false, false, 0, IfOperStatusLowerLayerDown},
        {IF_OPER_NOTPRESENT, false, true, 0, IfOperStatusNotPresent},
        {IF_OPER_UNKNOWN, true, true, 5, IfOperStatusUp},
        {IF_OPER_UNKNOWN, false, true, 2, IfOperStatusDown},
        {IF_OPER_UNKNOWN, false, false, 2, IfOperStatusDown},
        {IF_OPER_TESTING, true, true, 2, IfOperStatusTesting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "operstate " << int(c.state) << " carrier " << c.carrier << " up " << c.up);
        EXPECT_EQ(RowOperStatus(c.state, c.carrier, c.up), c.row);
        EXPECT_EQ(Row2OperStatus(c.state, c.carrier), c.row2);
    }
}

TInterfaceFacts Facts() {
    TInterfaceFacts facts;
    TLinkFacts& link = facts.Link;
    link.Index = 12;
    link.Name = "enp0s31f6";
    link.Alias = "Office \xE2\x80\x94 desk";
    link.ArpType = ARPHRD_ETHER;
    link.Flags = IFF_UP | IFF_BROADCAST;
    link.OperState = IF_OPER_UP;
    link.Carrier = true;
    link.Mtu = 9000;
    link.HardwareAddress = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    link.Statistics = {0x1'0000'0010ull, 1000, 40, 3, 2, 1, 0x2'0000'0020ull, 900, 5, 4};
    facts.Identity = {MIB_IF_TYPE_ETHERNET, "Intel Corporation Ethernet Connection I219-V", true};
    facts.Speed = 25'000'000'000ull;
    facts.PermanentAddress = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F};
    return facts;
}

TEST(InterfaceRows, ThirtyTwoBitRowSaturatesSpeedAndTruncatesCounters) {
    MIB_IFROW row;
    std::memset(&row, 0xEE, sizeof row);
    FillIfRow(Facts(), row);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(row.wszName)), u"enp0s31f6");
    EXPECT_EQ(row.dwIndex, 12u);
    EXPECT_EQ(row.dwType, 6u);
    EXPECT_EQ(row.dwMtu, 9000u);
    EXPECT_EQ(row.dwSpeed, 0xFFFFFFFFu);
    EXPECT_EQ(row.dwPhysAddrLen, 6u);
    EXPECT_EQ(row.bPhysAddr[5], 0x5E);
    EXPECT_EQ(row.dwAdminStatus, 1u);
    EXPECT_EQ(row.dwOperStatus, 5u);
    EXPECT_EQ(row.dwLastChange, 0u);
    EXPECT_EQ(row.dwInOctets, 0x10u);
    EXPECT_EQ(row.dwInUcastPkts, 960u);
    EXPECT_EQ(row.dwInNUcastPkts, 40u);
    EXPECT_EQ(row.dwInDiscards, 3u);
    EXPECT_EQ(row.dwInErrors, 2u);
    EXPECT_EQ(row.dwInUnknownProtos, 1u);
    EXPECT_EQ(row.dwOutOctets, 0x20u);
    EXPECT_EQ(row.dwOutUcastPkts, 900u);
    EXPECT_EQ(row.dwOutDiscards, 5u);
    EXPECT_EQ(row.dwOutErrors, 4u);
    EXPECT_EQ(row.dwOutQLen, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.bDescr), row.dwDescrLen),
              "Intel Corporation Ethernet Connection I219-V");
}

TEST(InterfaceRows, SixtyFourBitRowIsExact) {
    MIB_IF_ROW2 row;
    std::memset(&row, 0xEE, sizeof row);
    FillIfRow2(Facts(), row);
    EXPECT_EQ(row.InterfaceIndex, 12u);
    EXPECT_EQ(row.InterfaceLuid.Info.NetLuidIndex, 12u);
    EXPECT_EQ(row.InterfaceLuid.Info.IfType, 6u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(row.Alias)), u"Office \u2014 desk");
    EXPECT_EQ(row.ReceiveLinkSpeed, 25'000'000'000ull);
    EXPECT_EQ(row.TransmitLinkSpeed, 25'000'000'000ull);
    EXPECT_EQ(row.InOctets, 0x1'0000'0010ull);
    EXPECT_EQ(row.OutOctets, 0x2'0000'0020ull);
    EXPECT_EQ(row.InUcastPkts, 960u);
    EXPECT_EQ(row.PermanentPhysicalAddress[5], 0x5F);
    EXPECT_EQ(row.PhysicalAddress[5], 0x5E);
    EXPECT_EQ(row.OperStatus, IfOperStatusUp);
    EXPECT_EQ(row.AdminStatus, NET_IF_ADMIN_STATUS_UP);
    EXPECT_EQ(row.MediaConnectState, MediaConnectStateConnected);
    EXPECT_TRUE(row.InterfaceAndOperStatusFlags.HardwareInterface);
    EXPECT_FALSE(row.InterfaceAndOperStatusFlags.NotMediaConnected);

    // More received multicast than packets (counters read at different moments) is no
    // wrap-around to 2^64.
    TInterfaceFacts odd = Facts();
    odd.Link.Statistics.RxMulticast = 2000;
    odd.Link.Alias.clear();
    odd.PermanentAddress.clear();
    FillIfRow2(odd, row);
    EXPECT_EQ(row.InUcastPkts, 0u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(row.Alias)), u"enp0s31f6");
    EXPECT_EQ(row.PermanentPhysicalAddress[5], 0x5E);
}

// A link's static facts are asked for once while its namespace, index, name, kind and
// link-layer type stay; a change in any of them, or the link vanishing, asks again.
TEST(LinkIdentityCache, AsksOnceWhileTheKeyHoldsAndAgainWhenAnyPartChanges) {
    TLinkIdentityCache cache;
    cache.UseNamespace(4026531840u);
    int asked = 0;
    const auto identify = [&](const TLinkFacts& link) {
        return cache.Identity(link, [&] {
            ++asked;
            return TLinkIdentity{MIB_IF_TYPE_ETHERNET, link.Kind + "#" + std::to_string(asked),
                                 false};
        });
    };
    TLinkFacts link;
    link.Index = 7;
    link.Name = "eth7";
    link.Kind = "veth";
    link.ArpType = ARPHRD_ETHER;
    link.Flags = IFF_UP; // state is no part of the key
    EXPECT_EQ(identify(link).Description, "veth#1");
    link.Flags = 0;
    link.Statistics.RxBytes = 99;
    EXPECT_EQ(identify(link).Description, "veth#1");
    int permanentAsked = 0;
    const auto permanent = [&] {
        ++permanentAsked;
        return std::vector<std::uint8_t>{2, 0, 0, 0, 0, 7};
    };
    EXPECT_EQ(cache.PermanentAddress(link, permanent).size(), 6u);
    cache.PermanentAddress(link, permanent);
    EXPECT_EQ(permanentAsked, 1);

    link.Kind = "bridge";
    EXPECT_EQ(identify(link).Description, "bridge#2");
    cache.PermanentAddress(link, permanent);
    EXPECT_EQ(permanentAsked, 2); // the new link's own
    link.Name = "eth8";
    EXPECT_EQ(identify(link).Description, "bridge#3");
    link.ArpType = ARPHRD_NONE;
    EXPECT_EQ(identify(link).Description, "bridge#4");
    EXPECT_EQ(identify(link).Description, "bridge#4");

    TLinkFacts other = link;
    other.Index = 9;
    EXPECT_EQ(identify(other).Description, "bridge#5");
    cache.KeepOnly({&other});
    EXPECT_EQ(cache.Size(), 1u);
    EXPECT_EQ(identify(link).Description, "bridge#6"); // vanished, so asked again
    cache.Forget(link.Index);
    EXPECT_EQ(identify(link).Description, "bridge#7");

    cache.UseNamespace(4026531840u);
    EXPECT_EQ(identify(link).Description, "bridge#7");
    cache.UseNamespace(4026532999u); // another namespace's index 7 is another link
    EXPECT_EQ(identify(link).Description, "bridge#8");
    EXPECT_EQ(cache.Size(), 1u);
    cache.Clear();
    EXPECT_EQ(cache.Size(), 0u);
}

// The burnt-in address is taken from the link's own answer where the kernel names it there, and
// from the driver otherwise: both sources must agree for every link of this namespace (only
// read, never changed).
TEST(InterfaceFacts, PermanentAddressAgreesWithTheDriversAnswer) {
    TRouteSocket socket;
    TKernelMirror mirror;
    mirror.Refresh(socket, HundredthsSinceBoot());
    const TKernelView kernel{socket, mirror};
    ASSERT_FALSE(mirror.Links().empty());
    for (const auto& [index, kept] : mirror.Links()) {
        const auto facts = ReadInterfaceFacts(kernel, index, true);
        ASSERT_TRUE(facts.has_value()) << kept.Facts.Name;
        EXPECT_EQ(facts->PermanentAddress,
                  ReadPermanentAddress(socket.Descriptor(), kept.Facts.Name))
            << kept.Facts.Name;
        EXPECT_TRUE(facts->Link.StatisticsTold) << kept.Facts.Name;
    }
}

} // namespace
} // namespace qmr
