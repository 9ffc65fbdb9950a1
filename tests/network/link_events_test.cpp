#include "network/link_events.h"
#include "network/link_notice.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qmr {
namespace {

using namespace std::chrono_literals;
using K = TLinkEventKind;

const TWallTime kT0 = TWallTime{} + 1000h;

// One event as the tests compare it: its kind and its values in a line.
std::u16string Describe(const TLinkEvent& e) {
    std::u16string text;
    switch (e.Kind) {
    case K::StatusChanged:
        text = u"status " + std::u16string(1, char16_t(u'0' + e.OldStatus)) + u">" +
               std::u16string(1, char16_t(u'0' + e.NewStatus));
        break;
    case K::SpeedChanged:
        text = u"speed " + std::u16string(e.OldSpeed > e.NewSpeed ? u"down" : u"up");
        break;
    default: {
        static const char16_t* names[] = {u"",   u"+ip", u"-ip", u"+ip6",     u"-ip6",
                                          u"gw", u"dns", u"",    u"appeared", u"vanished"};
        text = names[static_cast<int>(e.Kind)];
        for (const auto& v : e.OldValues) {
            text += u" " + v;
        }
        if (!e.OldValues.empty() || e.Kind == K::GatewaysChanged || e.Kind == K::DnsChanged) {
            text += u" |";
        }
        for (const auto& v : e.NewValues) {
            text += u" " + v;
        }
    }
    }
    return text;
}

std::vector<std::u16string> Describe(const std::vector<TLinkEvent>& events) {
    std::vector<std::u16string> out;
    for (const auto& e : events) {
        out.push_back(Describe(e));
        EXPECT_EQ(e.Time, kT0) << "every event carries its poll's time";
    }
    return out;
}

TLinkFacts Base() {
    TLinkFacts f;
    f.OperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
    f.Type = MIB_IF_TYPE_ETHERNET;
    f.Ipv4 = {u"10.0.0.2/24"};
    f.Ipv6 = {u"2001:db8::2/64"};
    f.Gateways = {u"10.0.0.1"};
    f.DnsServers = {u"10.0.0.53"};
    f.Speed = 1000000000;
    return f;
}

TEST(LinkEventDerivationTest, EachChangeBetweenTwoPollsMakesItsEvents) {
    struct TCase {
        const char* Name;
        std::function<void(TLinkFacts&)> Change;
        std::vector<std::u16string> Expected;
    };
    const TCase cases[] = {
        {"nothing changed", [](TLinkFacts&) {}, {}},
        {"the link dropped",
         [](TLinkFacts& f) { f.OperStatus = MIB_IF_OPER_STATUS_DISCONNECTED; },
         {u"status 5>2"}},
        {"an address added",
         [](TLinkFacts& f) { f.Ipv4.push_back(u"10.0.0.3/24"); },
         {u"+ip 10.0.0.3/24"}},
        {"an address replaced",
         [](TLinkFacts& f) { f.Ipv4 = {u"10.20.30.6/24"}; },
         {u"-ip 10.0.0.2/24", u"+ip 10.20.30.6/24"}},
        {"the same address with another prefix",
         [](TLinkFacts& f) { f.Ipv4 = {u"10.0.0.2/16"}; },
         {u"-ip 10.0.0.2/24", u"+ip 10.0.0.2/16"}},
        {"addresses merely reordered",
         [](TLinkFacts& f) {
             f.Ipv6 = {u"fe80::1%eth0/64", u"2001:db8::2/64"};
         },
         {u"+ip6 fe80::1%eth0/64"}},
        {"an IPv6 address gone", [](TLinkFacts& f) { f.Ipv6.clear(); }, {u"-ip6 2001:db8::2/64"}},
        {"the gateway set",
         [](TLinkFacts& f) { f.Gateways = {u"10.0.0.254"}; },
         {u"gw 10.0.0.1 | 10.0.0.254"}},
        {"the gateway removed", [](TLinkFacts& f) { f.Gateways.clear(); }, {u"gw 10.0.0.1 |"}},
        {"the DNS servers changed",
         [](TLinkFacts& f) { f.DnsServers.push_back(u"2001:db8::53"); },
         {u"dns 10.0.0.53 | 10.0.0.53 2001:db8::53"}},
        {"the speed fell", [](TLinkFacts& f) { f.Speed = 100000000; }, {u"speed down"}},
        {"everything at once, in the derivation's order",
         [](TLinkFacts& f) {
             f.OperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
             f.Ipv4.clear();
             f.Ipv6.clear();
             f.Gateways.clear();
             f.DnsServers.clear();
             f.Speed = 0;
         },
         {u"status 5>0", u"-ip 10.0.0.2/24", u"-ip6 2001:db8::2/64", u"gw 10.0.0.1 |",
          u"dns 10.0.0.53 |", u"speed down"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TLinkFacts after = Base();
        c.Change(after);
        std::vector<TLinkEvent> events;
        DeriveLinkEvents(Base(), after, kT0, events);
        EXPECT_EQ(Describe(events), c.Expected);
    }
}

class LinkEventHistoryTest : public ::testing::Test {
protected:
    TDeviceList devices;
    TLinkEventHistory history;

    TModelNetworkDevice& Add(std::uint32_t index, const char16_t* name) {
        devices.push_back(std::make_unique<TModelNetworkDevice>(nullptr));
        TModelNetworkDevice& d = *devices.back();
        d.m_IfIndex = index;
        d.m_AdapterName = name;
        d.m_FriendlyName = std::u16string(u"Caption of ") + name;
        d.m_OperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
        d.m_IpAddressList->push_back({u"10.0.0.2", u"255.255.255.0", 0});
        d.m_GatewayList->push_back({u"0.0.0.0", u"", 0});
        return d;
    }
    std::vector<K> Kinds(const TModelNetworkDevice& device) const {
        std::vector<K> out;
        if (const auto* events = history.Find(device)) {
            for (const auto& e : *events) {
                out.push_back(e.Kind);
            }
        }
        return out;
    }
};

TEST_F(LinkEventHistoryTest, FactsOfADeviceAsEventsCompareThem) {
    TModelNetworkDevice& d = Add(2, u"eth0");
    d.m_IpAddressList->push_back({u"0.0.0.0", u"0.0.0.0", 0});
    d.m_IpAddressList->push_back({u"10.1.0.2", u"255.0.255.0", 0});
    d.m_Ipv6.Addresses.push_back({u"2001:db8::5", 64});
    d.m_Ipv6.Gateways.push_back(u"fe80::1%eth0");
    d.m_DnsServerList->push_back({u"10.0.0.53", u"", 0});
    const TLinkFacts f = TakeLinkFacts(d);
    EXPECT_EQ(f.Ipv4, (std::vector<std::u16string>{u"10.0.0.2/24", u"10.1.0.2/255.0.255.0"}));
    EXPECT_EQ(f.Ipv6, std::vector<std::u16string>{u"2001:db8::5/64"});
    EXPECT_EQ(f.Gateways, std::vector<std::u16string>{u"fe80::1%eth0"});
    EXPECT_EQ(f.DnsServers, std::vector<std::u16string>{u"10.0.0.53"});

    // Taken over another link's facts, as the history does at every poll: none of them stays.
    TModelNetworkDevice& other = Add(3, u"eth1");
    other.m_IpAddressList->front().IpMask = u"255.0.0.0";
    TLinkFacts reused = f;
    TakeLinkFacts(other, reused);
    EXPECT_EQ(reused.Ipv4, std::vector<std::u16string>{u"10.0.0.2/8"});
    EXPECT_TRUE(reused.Ipv6.empty() && reused.Gateways.empty() && reused.DnsServers.empty());
}

TEST_F(LinkEventHistoryTest, CountersAloneMakeNoEventAndTheFirstPollNoAppeared) {
    TModelNetworkDevice& d = Add(2, u"eth0");
    EXPECT_TRUE(history.Record(devices, kT0).empty());
    d.m_InOctets += 5000;
    d.m_OutUcastPkts += 7;
    d.m_LastChange += 100;
    EXPECT_TRUE(history.Record(devices, kT0 + 1s).empty());
    ASSERT_NE(history.Find(d), nullptr);
    EXPECT_TRUE(history.Find(d)->empty());
}

TEST_F(LinkEventHistoryTest, AnAdapterThatVanishesAndReturnsWithTheSameIndexKeepsItsStory) {
    Add(2, u"eth0");
    history.Record(devices, kT0);
    devices.front()->m_OperStatus = MIB_IF_OPER_STATUS_DISCONNECTED;
    devices.front()->m_HardwareInterface = true;
    const auto& latest = history.Record(devices, kT0 + 1s);
    ASSERT_EQ(latest.size(), 1u);
    EXPECT_EQ(latest[0].IfIndex, 2u);
    EXPECT_EQ(latest[0].Caption, u"Caption of eth0");
    EXPECT_TRUE(latest[0].Hardware);

    TDeviceList none;
    ASSERT_EQ(history.Record(none, kT0 + 2s).size(), 1u);
    EXPECT_EQ(history.Size(), 1u) << "a vanished adapter's events are kept";
    devices.clear();
    TModelNetworkDevice& back = Add(2, u"eth0");
    history.Record(devices, kT0 + 3s);
    EXPECT_EQ(Kinds(back), (std::vector<K>{K::StatusChanged, K::Vanished, K::Appeared}));
    EXPECT_EQ(history.Find(back)->back().Time, kT0 + 3s);

    // Another link on the index starts afresh; the old one's story lasts ten minutes.
    devices.clear();
    TModelNetworkDevice& other = Add(2, u"veth7");
    history.Record(devices, kT0 + 4s);
    EXPECT_EQ(Kinds(other), std::vector<K>{K::Appeared});
    EXPECT_EQ(history.Size(), 2u);
    history.Record(devices, kT0 + 4s + TLinkEventHistory::kVanishedKeep - 1s);
    EXPECT_EQ(history.Size(), 2u);
    history.Record(devices, kT0 + 4s + TLinkEventHistory::kVanishedKeep);
    EXPECT_EQ(history.Size(), 1u);
}

TEST_F(LinkEventHistoryTest, KeepsTheLastHundredEventsPerAdapter) {
    TModelNetworkDevice& d = Add(2, u"eth0");
    history.Record(devices, kT0);
    for (int i = 1; i <= 130; ++i) {
        d.m_Speed = static_cast<std::uint64_t>(i);
        history.Record(devices, kT0 + i * 1s);
    }
    const auto* events = history.Find(d);
    ASSERT_EQ(events->size(), TLinkEventHistory::kCapacity);
    EXPECT_EQ(events->front().NewSpeed, 31u);
    EXPECT_EQ(events->back().NewSpeed, 130u);
}

TEST(LinkNoticeGateTest, OnlyHardwareLeavingOrReachingOnlineAtMostOnceInTenSeconds) {
    const auto change = [](std::uint32_t from, std::uint32_t to, bool hardware = true,
                           std::uint32_t index = 2) {
        TRecordedLinkEvent e{index, u"eth0", u"Wired", hardware,
                             MakeLinkEvent(K::StatusChanged, kT0)};
        e.Event.OldStatus = from;
        e.Event.NewStatus = to;
        return e;
    };
    constexpr std::uint32_t on = MIB_IF_OPER_STATUS_OPERATIONAL;
    constexpr std::uint32_t off = MIB_IF_OPER_STATUS_DISCONNECTED;
    constexpr std::uint32_t dial = MIB_IF_OPER_STATUS_CONNECTING;
    TLinkNoticeGate gate;
    EXPECT_FALSE(gate.Admit(change(on, off, false), false, 0)) << "virtual adapter";
    EXPECT_FALSE(gate.Admit(change(off, dial), false, 0)) << "neither side Online";
    TRecordedLinkEvent address = change(on, off);
    address.Event.Kind = K::Ipv4Added;
    EXPECT_FALSE(gate.Admit(address, false, 0)) << "not a status change";
    EXPECT_FALSE(gate.Admit(change(on, off), true, 0)) << "the active window shows it";

    EXPECT_TRUE(gate.Admit(change(on, off), false, 1000));
    EXPECT_FALSE(gate.Admit(change(off, on), false, 1000 + kLinkNoticeIntervalMs - 1));
    EXPECT_TRUE(gate.Admit(change(on, off, true, 3), false, 1500)) << "another adapter";
    EXPECT_TRUE(gate.Admit(change(off, on), false, 1000 + kLinkNoticeIntervalMs));

    gate.SetEnabled(false);
    EXPECT_FALSE(gate.Admit(change(on, off), false, 100000)) << "switched off";
}

} // namespace
} // namespace qmr
