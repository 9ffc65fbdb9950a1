#include "base/last_error.h"
#include "base/state_file.h"
#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"
#include "tests/support/binding_fixture.h"
#include "tests/support/scripted_provider.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace qmr {
namespace {

using test::RebindIpHelper;
using test::ScriptedProviderFunction;
using test::TestBinaryFolder;

class BindingTest : public ::testing::Test {
protected:
    void TearDown() override { test::UnbindIpHelper(); }

    void BindScripted() {
        RebindIpHelper(TestBinaryFolder() + "libqmr-test-provider.so");
        ASSERT_TRUE(IpHelperLoaded());
        ScriptedProviderFunction<decltype(&QmrTestProvider_Reset)>("QmrTestProvider_Reset")();
        setAdapters = ScriptedProviderFunction<decltype(&QmrTestProvider_SetAdapters)>(
            "QmrTestProvider_SetAdapters");
        push = ScriptedProviderFunction<decltype(&QmrTestProvider_PushAdaptersInfoAnswer)>(
            "QmrTestProvider_PushAdaptersInfoAnswer");
        calls = ScriptedProviderFunction<decltype(&QmrTestProvider_AdaptersInfoCalls)>(
            "QmrTestProvider_AdaptersInfoCalls");
        sizeIn = ScriptedProviderFunction<decltype(&QmrTestProvider_AdaptersInfoSizeIn)>(
            "QmrTestProvider_AdaptersInfoSizeIn");
    }

    decltype(&QmrTestProvider_SetAdapters) setAdapters = nullptr;
    decltype(&QmrTestProvider_PushAdaptersInfoAnswer) push = nullptr;
    decltype(&QmrTestProvider_AdaptersInfoCalls) calls = nullptr;
    decltype(&QmrTestProvider_AdaptersInfoSizeIn) sizeIn = nullptr;
};

TEST_F(BindingTest, AbsentLibraryAnswersFiftyEverywhereAndAPollFindsNothing) {
    RebindIpHelper(TestBinaryFolder() + "no-such-provider.so");
    EXPECT_FALSE(IpHelperLoaded());

    ULONG size = 640;
    SetLastErrorCode(0);
    EXPECT_EQ(qmr::GetAdaptersInfo(nullptr, &size), 50u);
    EXPECT_EQ(GetLastErrorCode(), 1u);
    MIB_IFROW row{};
    SetLastErrorCode(0);
    EXPECT_EQ(qmr::GetIfEntry(&row), 50u);
    EXPECT_EQ(GetLastErrorCode(), 1u);
    SetLastErrorCode(0);
    EXPECT_EQ(qmr::GetPerAdapterInfo(0, nullptr, &size), 50u);
    EXPECT_EQ(GetLastErrorCode(), 1u);
    MIB_IF_ROW2 row2{};
    EXPECT_EQ(qmr::GetIfEntry2(&row2), 50u);
    PMIB_IF_TABLE2 table = nullptr;
    SetLastErrorCode(0);
    EXPECT_EQ(qmr::GetIfTable2(&table), 50u);
    EXPECT_EQ(GetLastErrorCode(), 1u);
    EXPECT_EQ(table, nullptr);

    TDeviceList devices;
    EXPECT_EQ(ReadNetworkDevices(devices), 50u);
    EXPECT_TRUE(devices.empty());
}

// The window's problem line names a file this program refused (here the settings file) beside
// what the library says, and forgets it once the file reads again.
TEST_F(BindingTest, ProblemNamesARefusedFileUntilItReadsAgain) {
    BindScripted();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("qmr-refused-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    EXPECT_FALSE(ReadStateFile(path.u16string(), TStateFileKind::SettingsFile).WasRead());
    EXPECT_EQ(IpHelperProblem(), path.string() + " is not a regular file");
    std::filesystem::remove(path);
    std::ofstream(path) << "[General]\n";
    EXPECT_TRUE(ReadStateFile(path.u16string(), TStateFileKind::SettingsFile).WasRead());
    EXPECT_EQ(IpHelperProblem(), "");
    std::filesystem::remove(path);
}

TEST_F(BindingTest, EmptySlotWhileReferencedRaisesTheCountWithoutANewLoad) {
    RebindIpHelper(TestBinaryFolder() + "no-such-provider.so");
    ASSERT_EQ(IpHelperReferenceCount(), 1);
    ULONG size = 0;
    qmr::GetAdaptersInfo(nullptr, &size);
    qmr::GetAdaptersInfo(nullptr, &size);
    EXPECT_EQ(IpHelperReferenceCount(), 3);
    EXPECT_FALSE(IpHelperLoaded());
}

TEST_F(BindingTest, OneAbsentEntryPointFailsOnlyItsWrapper) {
    RebindIpHelper(TestBinaryFolder() + "libqmr-test-provider-partial.so");
    ASSERT_TRUE(IpHelperLoaded());
    EXPECT_TRUE(IpHelperEntryPointBound("GetAdaptersInfo"));
    EXPECT_TRUE(IpHelperEntryPointBound("GetIfEntry"));
    EXPECT_FALSE(IpHelperEntryPointBound("GetPerAdapterInfo"));
    // Slots the library never had stay empty too.
    EXPECT_FALSE(IpHelperEntryPointBound("IcmpSendEcho"));

    ULONG size = 52;
    SetLastErrorCode(0);
    EXPECT_EQ(qmr::GetPerAdapterInfo(1, nullptr, &size), 50u);
    EXPECT_EQ(GetLastErrorCode(), 1u);

    ScriptedProviderFunction<decltype(&QmrTestProvider_Reset)>("QmrTestProvider_Reset")();
    const QmrTestAdapter eth = MakeTestAdapter("eth0", 2, "10.0.0.5");
    ScriptedProviderFunction<decltype(&QmrTestProvider_SetAdapters)>("QmrTestProvider_SetAdapters")(
        &eth, 1);
    TDeviceList devices;
    ASSERT_EQ(ReadNetworkDevices(devices), 0u);
    ASSERT_EQ(devices.size(), 1u);
    // The row was read; only the per-adapter part is missing.
    EXPECT_EQ(devices[0]->GetIfIndex(), 2u);
    EXPECT_EQ(devices[0]->GetDnsServerCount(), 0);
    // Without GetAdaptersAddresses the poll has no IPv6 facts, and fails nothing for it.
    EXPECT_FALSE(IpHelperEntryPointBound("GetAdaptersAddresses"));
    EXPECT_EQ(qmr::GetAdaptersAddresses(WS_AF_UNSPEC, 0, nullptr, nullptr, &size), 50u);
    EXPECT_TRUE(devices[0]->m_Ipv6.Addresses.empty());
    EXPECT_EQ(devices[0]->GetIpAddress(0), u"10.0.0.5");
}

// The one answer also gives each device its IPv4 DNS servers: no per-adapter record is asked.
TEST_F(BindingTest, PollAsksForAddressesOnceAndEachDeviceTakesItsOwnIpv6AndDns) {
    BindScripted();
    QmrTestAdapter adapters[] = {MakeTestAdapter("eth0", 2, "10.0.0.5"),
                                 MakeTestAdapter("eth1", 3, "10.0.1.5"),
                                 MakeTestAdapter("eth2", 4), MakeTestAdapter("eth2", 4)};
    QmrTestAdapter& eth1 = adapters[1];
    eth1.Ipv6Count = 3;
    std::strcpy(eth1.Ipv6[0], "2001:db8:5::5");
    eth1.Ipv6Prefix[0] = 64;
    std::strcpy(eth1.Ipv6[1], "fe80::1");
    eth1.Ipv6Prefix[1] = 64;
    std::strcpy(eth1.Ipv6[2], "2001:db8:5::a1b2");
    eth1.Ipv6Prefix[2] = 64;
    eth1.Ipv6Dad[2] = IpDadStateDeprecated;
    eth1.Ipv6Suffix[2] = IpSuffixOriginRandom;
    std::strcpy(eth1.Ipv6Gateway, "fe80::1");
    std::strcpy(eth1.Ipv6Dns, "2001:db8::53");
    eth1.DnsCount = 2;
    std::strcpy(eth1.Dns[0], "10.0.1.53");
    std::strcpy(eth1.Dns[1], "192.168.7.1");
    adapters[2].Ipv6Count = 1;
    std::strcpy(adapters[2].Ipv6[0], "fd00::4");
    adapters[2].Ipv6Prefix[0] = 48;
    // A record repeated, index and all, as a library may answer: each device has the facts.
    adapters[3] = adapters[2];
    setAdapters(adapters, 4);

    TDeviceList devices;
    ASSERT_EQ(ReadNetworkDevices(devices), 0u);
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(ScriptedProviderFunction<decltype(&QmrTestProvider_AdaptersAddressesCalls)>(
                  "QmrTestProvider_AdaptersAddressesCalls")(),
              1);
    EXPECT_EQ(ScriptedProviderFunction<decltype(&QmrTestProvider_PerAdapterInfoCalls)>(
                  "QmrTestProvider_PerAdapterInfoCalls")(),
              0);
    EXPECT_EQ(devices[0]->GetDnsServerCount(), 0);
    ASSERT_EQ(devices[1]->GetDnsServerCount(), 2);
    EXPECT_EQ(devices[1]->GetDnsServer(0), u"10.0.1.53");
    EXPECT_EQ(devices[1]->GetDnsServer(1), u"192.168.7.1");
    EXPECT_TRUE(devices[0]->m_Ipv6.Addresses.empty());
    EXPECT_TRUE(devices[0]->m_Ipv6.Gateways.empty());
    const TIpv6Facts& v6 = devices[1]->m_Ipv6;
    // The IPv4 address of the answer is not among them; the link-local one has its zone.
    ASSERT_EQ(v6.Addresses.size(), 3u);
    EXPECT_EQ(v6.Addresses[0].Text, u"2001:db8:5::5");
    EXPECT_EQ(v6.Addresses[0].Scope, TIpv6Scope::Global);
    EXPECT_EQ(v6.Addresses[1].Text, u"fe80::1%eth1");
    EXPECT_EQ(v6.Addresses[1].Scope, TIpv6Scope::LinkLocal);
    EXPECT_TRUE(v6.Addresses[2].Temporary && v6.Addresses[2].Deprecated);
    EXPECT_FALSE(v6.Addresses[0].Temporary || v6.Addresses[0].Deprecated);
    EXPECT_EQ(v6.Gateways, std::vector<std::u16string>{u"fe80::1%eth1"});
    EXPECT_EQ(v6.DnsServers, std::vector<std::u16string>{u"2001:db8::53"});
    ASSERT_EQ(devices[2]->m_Ipv6.Addresses.size(), 1u);
    EXPECT_EQ(devices[2]->m_Ipv6.Addresses[0].PrefixLength, 48);
    EXPECT_EQ(devices[2]->m_Ipv6.Addresses[0].Scope, TIpv6Scope::UniqueLocal);
    ASSERT_EQ(devices[3]->m_Ipv6.Addresses.size(), 1u);
    EXPECT_EQ(devices[3]->m_Ipv6.Addresses[0].Text, u"fd00::4");
}

TEST_F(BindingTest, LastReleaseFreesTheLibraryAndEmptiesTheSlots) {
    BindScripted();
    EXPECT_TRUE(LoadIpHelper());
    EXPECT_EQ(IpHelperReferenceCount(), 2);
    ReleaseIpHelper();
    EXPECT_TRUE(IpHelperLoaded());
    ReleaseIpHelper();
    EXPECT_FALSE(IpHelperLoaded());
    EXPECT_FALSE(IpHelperEntryPointBound("GetAdaptersInfo"));
}

TEST_F(BindingTest, PollRetriesOnceWithTheSizeAskedFor) {
    BindScripted();
    const QmrTestAdapter adapters[] = {MakeTestAdapter("eth0", 2, "10.0.0.5"),
                                       MakeTestAdapter("eth1", 3, "10.0.1.5")};
    setAdapters(adapters, 2);
    push(111, 2000);

    TDeviceList devices;
    EXPECT_EQ(ReadNetworkDevices(devices), 0u);
    ASSERT_EQ(calls(), 2);
    EXPECT_EQ(sizeIn(0), 640u);
    EXPECT_EQ(sizeIn(1), 2000u);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->GetIfIndex(), 2u);
    EXPECT_EQ(devices[1]->GetIfIndex(), 3u);
}

// Polls one after another start where the last one ended: one call a poll while the machine
// stays, the size question again only when it grew.
TEST_F(BindingTest, LaterPollsStartWithTheRoomTheLastOneTook) {
    BindScripted();
    const QmrTestAdapter adapters[] = {MakeTestAdapter("eth0", 2, "10.0.0.5"),
                                       MakeTestAdapter("eth1", 3, "10.0.1.5"),
                                       MakeTestAdapter("eth2", 4, "10.0.2.5")};
    TAdapterPoll poll;
    TPollFailures failures;
    for (const auto& [served, calledWith] :
         std::vector<std::pair<int, std::vector<ULONG>>>{{2, {640, 1408}}, // two records' size
                                                         {2, {1408}},
                                                         {3, {1408, 2112}},
                                                         {2, {2112}}}) {
        setAdapters(adapters, served);
        const int before = calls();
        TDeviceList devices;
        ASSERT_EQ(poll(devices, failures), 0u);
        EXPECT_EQ(devices.size(), static_cast<std::size_t>(served));
        std::vector<ULONG> sizes;
        for (int i = before; i < calls(); ++i) {
            sizes.push_back(sizeIn(i));
        }
        EXPECT_EQ(sizes, calledWith) << served << " adapters";
    }
}

// A machine that changes between the size question and the read (links added meanwhile) is
// asked again with each new size; only one that outgrows every buffer fails the poll.
TEST_F(BindingTest, PollFollowsGrowingSizesAndGivesUpAfterEightOverflows) {
    BindScripted();
    const QmrTestAdapter eth = MakeTestAdapter("eth0", 2, "10.0.0.5");
    setAdapters(&eth, 1);
    push(111, 2000);
    push(111, 3000);
    push(111, 4000);
    TDeviceList devices;
    EXPECT_EQ(ReadNetworkDevices(devices), 0u);
    ASSERT_EQ(calls(), 4);
    EXPECT_EQ(sizeIn(3), 4000u);
    EXPECT_EQ(devices.size(), 1u);

    devices.clear();
    const int before = calls();
    for (int i = 0; i < 8; ++i) {
        push(111, 2000 + 1000 * i);
    }
    EXPECT_EQ(ReadNetworkDevices(devices), 111u);
    EXPECT_EQ(calls() - before, 8);
    EXPECT_TRUE(devices.empty());
}

TEST_F(BindingTest, PollSkipsLoopbackAndKeepsTheLibrarysOrder) {
    BindScripted();
    QmrTestAdapter adapters[] = {MakeTestAdapter("wlan0", 7, "192.168.1.7"),
                                 MakeTestAdapter("lo", 1, "127.0.0.1"),
                                 MakeTestAdapter("eth0", 2, "10.0.0.5")};
    adapters[1].Type = MIB_IF_TYPE_LOOPBACK;
    setAdapters(adapters, 3);
    // Three records do not fit the first 640 bytes: the retry is taken on the way.
    TDeviceList devices;
    ASSERT_EQ(ReadNetworkDevices(devices), 0u);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->m_AdapterName, u"wlan0");
    EXPECT_EQ(devices[1]->m_AdapterName, u"eth0");
}

TEST_F(BindingTest, OnlyLoopbackGivesNoDevice) {
    BindScripted();
    QmrTestAdapter lo = MakeTestAdapter("lo", 1, "127.0.0.1");
    lo.Type = MIB_IF_TYPE_LOOPBACK;
    setAdapters(&lo, 1);
    TDeviceList devices;
    EXPECT_EQ(ReadNetworkDevices(devices), 0u);
    EXPECT_TRUE(devices.empty());
}

} // namespace
} // namespace qmr
