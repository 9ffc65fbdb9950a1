#include "network/adapter_poll.h"
#include "network/interface_name_match.h"
#include "network/iphlpapi_binding.h"
#include "network/model_network_device.h"

#include "base/tick_count.h"
#include "base/utf16_text.h"
#include "tests/support/binding_fixture.h"
#include "tests/support/scripted_provider.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace qmr {
namespace {

using test::ScriptedProviderFunction;

void SetText(char* field, std::size_t capacity, const char* text) {
    std::strncpy(field, text, capacity - 1);
}
#define SET_TEXT(field, text) SetText(field, sizeof field, text)

// An adapter record as the library lays it out, with every chain at its embedded first node.
struct Record {
    IP_ADAPTER_INFO info;
    IP_ADDR_STRING more[4];

    Record(const char* name, DWORD index) {
        std::memset(this, 0, sizeof *this);
        SET_TEXT(info.AdapterName, name);
        SET_TEXT(info.Description, "Intel(R) Ethernet Connection");
        info.Index = index;
        info.Type = MIB_IF_TYPE_ETHERNET;
        info.AddressLength = 6;
        const BYTE mac[] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
        std::memcpy(info.Address, mac, 6);
        SET_TEXT(info.IpAddressList.IpAddress.String, "0.0.0.0");
        SET_TEXT(info.IpAddressList.IpMask.String, "0.0.0.0");
        SET_TEXT(info.GatewayList.IpAddress.String, "0.0.0.0");
    }
};

class DeviceModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::RebindIpHelper(test::TestBinaryFolder() + "libqmr-test-provider.so");
        ASSERT_TRUE(IpHelperLoaded());
        ScriptedProviderFunction<decltype(&QmrTestProvider_Reset)>("QmrTestProvider_Reset")();
    }
    void TearDown() override { test::UnbindIpHelper(); }

    // The interface rows (and per-adapter records) the library answers from now on.
    void ServeRows(std::initializer_list<QmrTestAdapter> rows) {
        const std::vector<QmrTestAdapter> list(rows);
        ScriptedProviderFunction<decltype(&QmrTestProvider_SetAdapters)>(
            "QmrTestProvider_SetAdapters")(list.data(), static_cast<int>(list.size()));
    }
    void IfEntry2Answers(bool answers) {
        ScriptedProviderFunction<decltype(&QmrTestProvider_SetIfEntry2Answers)>(
            "QmrTestProvider_SetIfEntry2Answers")(answers ? 1 : 0);
    }

    const TFriendlyNameTable noNames;
};

TEST_F(DeviceModelTest, NullRecordKeepsEveryStartingValue) {
    const TModelNetworkDevice device(nullptr, &noNames);
    EXPECT_EQ(device.GetIfIndex(), 0u);
    EXPECT_EQ(device.GetIpAddressCount(), 0);
    EXPECT_EQ(device.GetGatewayCount(), 0);
    EXPECT_EQ(device.GetDnsServerCount(), 0);
    EXPECT_TRUE(device.m_FriendlyName.empty());
    EXPECT_TRUE(device.m_Address.empty());
    EXPECT_EQ(device.m_Speed, 0u);
    EXPECT_THROW(device.GetIpAddress(0), std::out_of_range);
}

TEST_F(DeviceModelTest, EmbeddedFirstNodesAlwaysGiveOneAddressAndOneGateway) {
    Record r("eth0", 2);
    const TModelNetworkDevice device(&r.info, &noNames);
    ASSERT_EQ(device.GetIpAddressCount(), 1);
    ASSERT_EQ(device.GetGatewayCount(), 1);
    EXPECT_EQ(device.GetIpAddress(0), u"0.0.0.0");
    EXPECT_EQ(device.GetGateway(0), u"0.0.0.0");
    EXPECT_THROW(device.GetIpAddress(1), std::out_of_range);
    EXPECT_THROW(device.GetGateway(-1), std::out_of_range);
}

TEST_F(DeviceModelTest, ChainOfThreeKeepsOrderAndPairsMasksWithTheirAddresses) {
    Record r("eth0", 2);
    SET_TEXT(r.info.IpAddressList.IpAddress.String, "10.0.0.5");
    SET_TEXT(r.info.IpAddressList.IpMask.String, "255.0.0.0");
    r.info.IpAddressList.Context = 11;
    r.info.IpAddressList.Next = &r.more[0];
    SET_TEXT(r.more[0].IpAddress.String, "10.0.0.6");
    SET_TEXT(r.more[0].IpMask.String, "255.255.0.0");
    r.more[0].Next = &r.more[1];
    SET_TEXT(r.more[1].IpAddress.String, "192.168.1.10");
    SET_TEXT(r.more[1].IpMask.String, "255.255.255.0");
    r.more[1].Context = 13;

    const TModelNetworkDevice device(&r.info, &noNames);
    ASSERT_EQ(device.GetIpAddressCount(), 3);
    EXPECT_EQ(device.GetIpAddress(0), u"10.0.0.5");
    EXPECT_EQ(device.GetIpMask(0), u"255.0.0.0");
    EXPECT_EQ(device.GetIpAddress(1), u"10.0.0.6");
    EXPECT_EQ(device.GetIpMask(1), u"255.255.0.0");
    EXPECT_EQ(device.GetIpAddress(2), u"192.168.1.10");
    EXPECT_EQ(device.GetIpMask(2), u"255.255.255.0");
    EXPECT_EQ((*device.m_IpAddressList)[0].Context, 11u);
    EXPECT_EQ((*device.m_IpAddressList)[2].Context, 13u);
}

TEST_F(DeviceModelTest, DhcpOffIgnoresTheServerNodeAndWinsOffIgnoresItsNodes) {
    Record r("eth0", 2);
    SET_TEXT(r.info.DhcpServer.IpAddress.String, "192.168.1.1");
    SET_TEXT(r.info.PrimaryWinsServer.IpAddress.String, "10.1.1.1");
    SET_TEXT(r.info.SecondaryWinsServer.IpAddress.String, "10.1.1.2");
    r.info.DhcpEnabled = 0;
    r.info.HaveWins = 0;
    const TModelNetworkDevice off(&r.info, &noNames);
    EXPECT_TRUE(off.m_DhcpServerList->empty());
    EXPECT_EQ(off.GetWinsServer(0), u"");
    EXPECT_EQ(off.GetWinsServer(1), u"");

    r.info.DhcpEnabled = 1;
    r.info.HaveWins = 1;
    const TModelNetworkDevice on(&r.info, &noNames);
    ASSERT_EQ(on.m_DhcpServerList->size(), 1u);
    EXPECT_EQ((*on.m_DhcpServerList)[0].IpAddress, u"192.168.1.1");
    EXPECT_EQ(on.GetWinsServer(0), u"10.1.1.1");
    EXPECT_EQ(on.GetWinsServer(1), u"10.1.1.2");
    EXPECT_EQ(on.GetWinsServer(2), u"");
    EXPECT_EQ(on.GetWinsServer(-1), u"");
}

TEST_F(DeviceModelTest, HardwareAddressText) {
    Record r("eth0", 2);
    EXPECT_EQ(TModelNetworkDevice(&r.info, &noNames).m_Address, u"00-1A-2B-3C-4D-5E");
    r.info.AddressLength = 0;
    EXPECT_EQ(TModelNetworkDevice(&r.info, &noNames).m_Address, u"");
    // A length beyond the 8-byte field is cut to the field, never read past it.
    r.info.AddressLength = 4000;
    EXPECT_EQ(TModelNetworkDevice(&r.info, &noNames).m_Address.size(), 8u * 3 - 1);
}

TEST_F(DeviceModelTest, InterfaceRowFillsTheRowFieldsAndPerAdapterRecordTheDns) {
    QmrTestAdapter row = MakeTestAdapter("eth0", 2);
    row.DnsCount = 3;
    std::strcpy(row.Dns[0], "1.1.1.1");
    std::strcpy(row.Dns[1], "8.8.8.8");
    std::strcpy(row.Dns[2], "9.9.9.9");
    row.OperStatus = 4;
    ServeRows({row});
    Record r("eth0", 2);
    const TModelNetworkDevice device(&r.info, &noNames);
    EXPECT_EQ(device.GetIfIndex(), 2u);
    EXPECT_EQ(device.m_IfName, u"eth0");
    EXPECT_EQ(device.m_Mtu, 1500u);
    EXPECT_EQ(device.m_OperStatus, 4u);
    EXPECT_TRUE(device.m_AdminStatus);
    EXPECT_EQ(device.m_PhysAddress, u"00-1A-2B-3C-4D-02");
    EXPECT_EQ(device.m_LastChange, 1234u);
    // Three DNS servers do not fit the first record: the retry with the size asked for brings
    // them all.
    ASSERT_EQ(device.GetDnsServerCount(), 3);
    EXPECT_EQ(device.GetDnsServer(0), u"1.1.1.1");
    EXPECT_EQ(device.GetDnsServer(2), u"9.9.9.9");
}

TEST_F(DeviceModelTest, OneDnsServerArrivesInOneCallAndMoreInTwo) {
    const auto calls = ScriptedProviderFunction<decltype(&QmrTestProvider_PerAdapterInfoCalls)>(
        "QmrTestProvider_PerAdapterInfoCalls");
    const auto sizeIn = ScriptedProviderFunction<decltype(&QmrTestProvider_PerAdapterInfoSizeIn)>(
        "QmrTestProvider_PerAdapterInfoSizeIn");
    QmrTestAdapter row = MakeTestAdapter("eth0", 2);
    row.DnsCount = 1;
    std::strcpy(row.Dns[0], "1.1.1.1");
    ServeRows({row});
    Record r("eth0", 2);
    // The first buffer holds the whole record of this build, embedded first node included.
    ASSERT_EQ(TModelNetworkDevice(&r.info, &noNames).GetDnsServer(0), u"1.1.1.1");
    ASSERT_EQ(calls(), 1);
    EXPECT_EQ(sizeIn(0), sizeof(IP_PER_ADAPTER_INFO));

    row.DnsCount = 2;
    std::strcpy(row.Dns[1], "8.8.8.8");
    ServeRows({row});
    EXPECT_EQ(TModelNetworkDevice(&r.info, &noNames).GetDnsServerCount(), 2);
    ASSERT_EQ(calls(), 3);
    EXPECT_GE(sizeIn(2), sizeof(IP_PER_ADAPTER_INFO) + sizeof(IP_ADDR_STRING));
}

TEST_F(DeviceModelTest, ZeroLastChangeTakesTheTickCountOfTheFill) {
    QmrTestAdapter row = MakeTestAdapter("eth0", 2);
    row.LastChange = 0;
    ServeRows({row});
    Record r("eth0", 2);
    const std::uint32_t before = SystemTickCount();
    const TModelNetworkDevice device(&r.info, &noNames);
    const std::uint32_t after = SystemTickCount();
    EXPECT_GE(device.m_LastChange, before);
    EXPECT_LE(device.m_LastChange, after);
}

TEST_F(DeviceModelTest, FailedRowLeavesIndexZeroAndAsksPerAdapterInfoForIndexZero) {
    QmrTestAdapter row = MakeTestAdapter("eth0", 2);
    row.RowFails = 1;
    row.DnsCount = 1;
    std::strcpy(row.Dns[0], "1.1.1.1");
    ServeRows({row});
    Record r("eth0", 2);
    const TModelNetworkDevice device(&r.info, &noNames);
    EXPECT_EQ(device.GetIfIndex(), 0u);
    EXPECT_EQ(device.m_Speed, 0u);
    EXPECT_TRUE(device.m_IfName.empty());
    // Index 0 names no adapter, so no DNS server arrives.
    EXPECT_EQ(device.GetDnsServerCount(), 0);
    EXPECT_EQ(device.m_FriendlyName, u"Intel(R) Ethernet Connection");
}

TEST_F(DeviceModelTest, SpeedAndCountersComeFromTheSixtyFourBitRowWhenItAnswers) {
    QmrTestAdapter row = MakeTestAdapter("eth0", 2);
    row.Speed32 = 4294967295u; // what the 32-bit row can say of a 10 Gbit/s link
    row.Speed64 = 10000000000ull;
    row.InOctets = 5ull << 30; // 5 GiB: wrapped in the 32-bit row
    row.OutOctets = 21;
    ServeRows({row});
    Record r("eth0", 2);

    IfEntry2Answers(true);
    const TModelNetworkDevice wide(&r.info, &noNames);
    EXPECT_EQ(wide.m_Speed, 10000000000ull);
    EXPECT_EQ(wide.m_InOctets, 5ull << 30);
    EXPECT_EQ(wide.m_OutOctets, 21u);
    EXPECT_EQ(wide.m_OutQLen, 7u);
    EXPECT_FALSE(wide.m_Counters32Bit);

    IfEntry2Answers(false);
    const TModelNetworkDevice narrow(&r.info, &noNames);
    EXPECT_EQ(narrow.m_Speed, 4294967295u);
    EXPECT_EQ(narrow.m_InOctets, static_cast<std::uint32_t>(5ull << 30));
    EXPECT_TRUE(narrow.m_Counters32Bit);
}

// The friendly-name rules, against tables such as the registry or the link aliases give.
TEST_F(DeviceModelTest, FriendlyNameRules) {
    Record r("{GUID-ETH0}", 2);
    auto nameWith = [&](const TFriendlyNameTable& names) {
        return TModelNetworkDevice(&r.info, &names).m_FriendlyName;
    };

    // No entry matches: the adapter description.
    EXPECT_EQ(nameWith({{u"{OTHER}", u"Other card"}}), u"Intel(R) Ethernet Connection");
    // The first of two entries with the same service name wins.
    EXPECT_EQ(nameWith({{u"{GUID-ETH0}", u"Local Area Connection"}, {u"{GUID-ETH0}", u"Second"}}),
              u"Local Area Connection");
    // Letter case matters.
    EXPECT_EQ(nameWith({{u"{guid-eth0}", u"Lower case"}}), u"Intel(R) Ethernet Connection");
    // A blank description is no name; a padded one is kept as it stands.
    EXPECT_EQ(nameWith({{u"{GUID-ETH0}", u"   "}}), u"Intel(R) Ethernet Connection");
    EXPECT_EQ(nameWith({{u"{GUID-ETH0}", u" Office "}}), u" Office ");
    // A key that would not open is skipped; a value of another type ends the search.
    TFriendlyNameEntry closed{u"{GUID-ETH0}", u"Closed", false};
    EXPECT_EQ(nameWith({closed, {u"{GUID-ETH0}", u"Open"}}), u"Open");
    TFriendlyNameEntry dword{u"", u"", true, false};
    EXPECT_EQ(nameWith({dword, {u"{GUID-ETH0}", u"Too late"}}), u"Intel(R) Ethernet Connection");
    TFriendlyNameEntry dwordDescription{u"{GUID-ETH0}", u"", true, true, false};
    EXPECT_EQ(nameWith({dwordDescription, {u"{GUID-ETH0}", u"Too late"}}),
              u"Intel(R) Ethernet Connection");
}

TEST_F(DeviceModelTest, BlankNamesFallBackToTheInterfaceDescription) {
    QmrTestAdapter row = MakeTestAdapter("eth0", 2);
    std::strcpy(row.IfDescription, "Realtek PCIe GbE");
    ServeRows({row});
    Record r("eth0", 2);
    SET_TEXT(r.info.Description, " ");
    const TFriendlyNameTable blank{{u"eth0", u"  "}};
    EXPECT_EQ(TModelNetworkDevice(&r.info, &blank).m_FriendlyName, u"Realtek PCIe GbE");
    // A name that is not blank is not replaced by the row's description.
    SET_TEXT(r.info.Description, "Adapter");
    EXPECT_EQ(TModelNetworkDevice(&r.info, &noNames).m_FriendlyName, u"Adapter");
}

} // namespace
} // namespace qmr

namespace qmr {
namespace {

// The poll's details through the scripted library: suffix and search list from the addresses
// record, its DHCP server only where the adapter record names none, a permanent address only
// where it differs from the current one, and the interface row's MTU.
TEST_F(DeviceModelTest, PollTakesSuffixSearchListDhcpServerPermanentAddressAndMtu) {
    QmrTestAdapter told = MakeTestAdapter("eth0", 2, "10.0.0.5");
    told.DhcpEnabled = 2;
    told.Mtu = 9000;
    SET_TEXT(told.DnsSuffix, "corp.example");
    told.SearchCount = 2;
    SET_TEXT(told.Search[0], "corp.example");
    SET_TEXT(told.Search[1], "lab.example");
    SET_TEXT(told.Dhcpv4Server, "10.0.0.1");
    std::memcpy(told.PermanentMac, told.Mac, 6);
    told.PermanentMac[5] ^= 0x01;
    QmrTestAdapter same = MakeTestAdapter("eth1", 3, "10.1.0.5");
    std::memcpy(same.PermanentMac, same.Mac, 6);
    SET_TEXT(same.Dhcpv4Server, "10.1.0.1"); // not DHCP: no server shown
    QmrTestAdapter bare = MakeTestAdapter("eth2", 4, "10.2.0.5");
    bare.DhcpEnabled = 1;
    SET_TEXT(bare.Dhcpv4Server, "10.2.0.1"); // the adapter record's server wins
    ServeRows({told, same, bare});
    IfEntry2Answers(true);

    TDeviceList devices;
    ASSERT_EQ(ReadNetworkDevices(devices), 0u);
    ASSERT_EQ(devices.size(), 3u);
    const TModelNetworkDevice& a = *devices[0];
    EXPECT_EQ(a.m_Mtu, 9000u);
    EXPECT_EQ(a.m_DnsSuffix, u"corp.example");
    EXPECT_EQ(a.m_SearchDomains, (std::vector<std::u16string>{u"corp.example", u"lab.example"}));
    EXPECT_EQ(a.GetDhcpServer(), u"10.0.0.1");
    EXPECT_EQ(a.m_PermanentAddress, u"00-1A-2B-3C-4D-03");
    EXPECT_EQ(devices[1]->GetDhcpServer(), u"");
    EXPECT_EQ(devices[2]->GetDhcpServer(), u"192.168.1.1");
    for (const auto& other : {devices[1].get(), devices[2].get()}) {
        EXPECT_EQ(other->m_PermanentAddress, u"") << Utf16ToUtf8(other->m_AdapterName);
        EXPECT_TRUE(other->m_DnsSuffix.empty() && other->m_SearchDomains.empty());
        EXPECT_EQ(other->m_Mtu, 1500u);
    }
}

// A poll's calls answer one after the other; a link deleted or renamed after GetAdaptersInfo
// answered is left out of that poll rather than shown half-joined (index 0, MTU 0, its
// description for a name, or two names), and the next poll shows it as it now is.
TEST_F(DeviceModelTest, ALinkChangedBetweenAPollsCallsWaitsForTheNextPoll) {
    const QmrTestAdapter eth0 = MakeTestAdapter("eth0", 2, "10.0.0.2"),
                         eth1 = MakeTestAdapter("eth1", 3, "10.0.1.2"),
                         lan1 = MakeTestAdapter("lan1", 3, "10.0.1.2");
    const struct {
        const char* what;
        std::vector<QmrTestAdapter> after; // what the calls after GetAdaptersInfo see
        std::vector<std::u16string> first, next;
        bool linuxOnly; // Windows' adapter names are GUIDs, which a rename leaves alone
    } cases[] = {
        {"deleted", {eth0}, {u"eth0"}, {u"eth0"}, false},
        {"renamed", {eth0, lan1}, {u"eth0"}, {u"eth0", u"lan1"}, true},
    };
    // Where a rename changes the adapter name (Linux), the two names of a listed link agree.
    const bool namesTellRenames = !InterfaceNamesMatch(u"eth1", u"lan1");
    const auto namesOf = [&](const TDeviceList& devices) {
        std::vector<std::u16string> names;
        for (const auto& d : devices) {
            EXPECT_NE(d->GetIfIndex(), 0u);
            EXPECT_NE(d->m_Mtu, 0u);
            if (namesTellRenames) {
                EXPECT_EQ(d->m_IfName, d->m_AdapterName);
            }
            names.push_back(d->m_AdapterName);
        }
        return names;
    };
    for (const auto& c : cases) {
        if (c.linuxOnly && !namesTellRenames) {
            continue;
        }
        ServeRows({eth0, eth1});
        ScriptedProviderFunction<decltype(&QmrTestProvider_SetAdaptersAfterAdaptersInfo)>(
            "QmrTestProvider_SetAdaptersAfterAdaptersInfo")(c.after.data(),
                                                            static_cast<int>(c.after.size()));
        TDeviceList first, next;
        ASSERT_EQ(ReadNetworkDevices(first), 0u) << c.what;
        EXPECT_EQ(namesOf(first), c.first) << c.what;
        ASSERT_EQ(ReadNetworkDevices(next), 0u) << c.what;
        EXPECT_EQ(namesOf(next), c.next) << c.what;
    }
}

// A record as another library might lay it out: a suffix that fills its field without ending,
// a search list that loops, a DHCP server of the wrong family or cut short.
TEST(AdapterDetails, MalformedRecordsAreReadNoFurtherThanTheirFields) {
    IP_ADAPTER_ADDRESSES record{};
    record.Length = sizeof record;
    record.IfIndex = 5;
    IP_ADAPTER_DNS_SUFFIX loop{};
    for (std::size_t i = 0; i < MAX_DNS_SUFFIX_STRING_LENGTH; ++i) {
        loop.String[i] = u'a';
    }
    loop.Next = &loop;
    record.FirstDnsSuffix = &loop;
    WCHAR suffix[] = {u'x', u'<', u'\x01', 0};
    record.DnsSuffix = suffix;
    SOCKADDR_IN6 wrongFamily{};
    wrongFamily.sin6_family = WS_AF_INET6;
    record.Dhcpv4Server = {reinterpret_cast<LPSOCKADDR>(&wrongFamily),
                           static_cast<INT>(sizeof wrongFamily)};
    TAdapterDetailsByIndex details = CollectAdapterDetails(&record);
    ASSERT_TRUE(details.contains(5));
    EXPECT_EQ(details[5].SearchDomains.size(), 64u);
    EXPECT_EQ(details[5].SearchDomains[0].size(), std::size_t{MAX_DNS_SUFFIX_STRING_LENGTH});
    EXPECT_EQ(details[5].DnsSuffix, u"x<\uFFFD"); // a control character is contained
    EXPECT_EQ(details[5].Dhcpv4Server, u"");

    SOCKADDR_IN server{};
    server.sin_family = WS_AF_INET;
    record.Dhcpv4Server = {reinterpret_cast<LPSOCKADDR>(&server), 8};
    record.FirstDnsSuffix = nullptr;
    record.DnsSuffix = nullptr;
    EXPECT_FALSE(CollectAdapterDetails(&record).contains(5));
}

// The tables keep rows without their fixed-size fields: what a row claims beyond a field's end,
// or a text without its terminating zero, stops where the field stops.
TEST(InterfaceRows, RowsAreReadNoFurtherThanTheirFields) {
    MIB_IFROW row;
    std::memset(&row, 0xA5, sizeof row); // no zero anywhere
    row.dwDescrLen = 0xFFFFFFFF;
    row.dwPhysAddrLen = 99;
    const TInterfaceRow kept(row);
    EXPECT_EQ(kept.Name.size(), std::size_t{MAX_INTERFACE_NAME_LEN});
    EXPECT_EQ(kept.PhysAddrLength, std::size_t{MAXLEN_PHYSADDR});
    EXPECT_EQ(kept.Counters.OutQLen, 0xA5A5A5A5u);
    row.dwDescrLen = 3; // exactly this many bytes, zero or not
    std::memcpy(row.bDescr, "ethernet", 8);
    EXPECT_EQ(TInterfaceRow(row).Description, u"eth");

    MIB_IF_ROW2 row2;
    std::memset(&row2, 0xA5, sizeof row2);
    row2.PhysicalAddressLength = 999;
    const TInterfaceRow2 kept2(row2);
    EXPECT_EQ(kept2.Alias.size(), std::size_t{IF_MAX_STRING_SIZE + 1});
    EXPECT_EQ(kept2.PhysicalAddressLength, std::size_t{IF_MAX_PHYS_ADDRESS_LENGTH});
    EXPECT_EQ(kept2.Counters.InOctets, 0xA5A5A5A5A5A5A5A5u);
    row2.Alias[2] = 0;
    EXPECT_EQ(TInterfaceRow2(row2).Alias.size(), 2u);
}

} // namespace
} // namespace qmr
