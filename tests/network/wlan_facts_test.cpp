// The poll's Wi-Fi facts through the WLAN binding, on the scripted provider's WLAN answers.

#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"
#include "network/wlan_facts.h"
#include "tests/support/binding_fixture.h"
#include "tests/support/scripted_provider.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qmr {
namespace {

using test::ScriptedProviderFunction;

TEST(WlanBand, FromTheCentreFrequencyInMegahertz) {
    const std::pair<std::uint32_t, TWlanBand> cases[] = {
        {0, TWlanBand::Unknown},       {2399, TWlanBand::Unknown},  {2412, TWlanBand::Band2_4GHz},
        {2484, TWlanBand::Band2_4GHz}, {5150, TWlanBand::Band5GHz}, {5895, TWlanBand::Band5GHz},
        {5900, TWlanBand::Unknown},    {5925, TWlanBand::Band6GHz}, {5955, TWlanBand::Band6GHz},
        {7125, TWlanBand::Band6GHz},   {7126, TWlanBand::Unknown},  {60480, TWlanBand::Unknown}};
    for (const auto& [mhz, band] : cases) {
        EXPECT_EQ(BandOfFrequency(mhz), band) << mhz;
    }
}

class WlanPollTest : public ::testing::Test {
protected:
    void TearDown() override { test::UnbindIpHelper(); }
    void Bind(const char* library) {
        test::RebindIpHelper(test::TestBinaryFolder() + library);
        ASSERT_TRUE(IpHelperLoaded());
        ScriptedProviderFunction<decltype(&QmrTestProvider_Reset)>("QmrTestProvider_Reset")();
    }
    void Serve(const std::vector<QmrTestAdapter>& adapters) {
        ScriptedProviderFunction<decltype(&QmrTestProvider_SetAdapters)>(
            "QmrTestProvider_SetAdapters")(adapters.data(), static_cast<int>(adapters.size()));
    }
    int Count(const char* name) { return ScriptedProviderFunction<int (*)()>(name)(); }

    static QmrTestAdapter Wireless(const char* name, DWORD index, bool connected) {
        QmrTestAdapter a = MakeTestAdapter(name, index, "192.168.1.5");
        a.Type = IF_TYPE_IEEE80211;
        a.WlanConnected = connected ? 1 : 0;
        std::strcpy(a.WlanSsid, "Home");
        a.WlanSignalDbm = -52;
        a.WlanFrequencyMhz = 5180;
        return a;
    }
};

TEST_F(WlanPollTest, OneEnumerationPerPollAndOnlyAConnectedWirelessAdapterHasFacts) {
    Bind("libqmr-test-provider.so");
    QmrTestAdapter quiet = Wireless("wlan1", 4, true);
    quiet.WlanSignalDbm = 0; // no signal told
    quiet.WlanFrequencyMhz = 5955;
    Serve({MakeTestAdapter("eth0", 2, "10.0.0.5"), Wireless("wlan0", 3, true),
           Wireless("wlan2", 5, false), quiet});

    TDeviceList devices;
    ASSERT_EQ(ReadNetworkDevices(devices), 0u);
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(Count("QmrTestProvider_WlanOpenCalls"), 1);
    EXPECT_EQ(Count("QmrTestProvider_WlanEnumCalls"), 1);
    // Every handle closed and every block given back by the end of the poll.
    EXPECT_EQ(Count("QmrTestProvider_WlanOutstanding"), 0);

    EXPECT_FALSE(devices[0]->m_Wlan);
    ASSERT_TRUE(devices[1]->m_Wlan);
    EXPECT_EQ(devices[1]->m_Wlan->Ssid, u"Home");
    EXPECT_EQ(devices[1]->m_Wlan->SignalDbm, -52);
    // The associated access point's frequency, not that of the network's first one (2.4 GHz).
    EXPECT_EQ(devices[1]->m_Wlan->Band, TWlanBand::Band5GHz);
    EXPECT_FALSE(devices[2]->m_Wlan);
    ASSERT_TRUE(devices[3]->m_Wlan);
    EXPECT_FALSE(devices[3]->m_Wlan->SignalDbm);
    EXPECT_EQ(devices[3]->m_Wlan->Band, TWlanBand::Band6GHz);
}

TEST_F(WlanPollTest, WithoutWirelessAdaptersOrWithoutTheEntryPointsNothingIsAsked) {
    Bind("libqmr-test-provider.so");
    Serve({MakeTestAdapter("eth0", 2, "10.0.0.5")});
    TDeviceList devices;
    ASSERT_EQ(ReadNetworkDevices(devices), 0u);
    EXPECT_EQ(Count("QmrTestProvider_WlanOpenCalls"), 0);

    // A library without the WLAN API: the wireless adapter reads as before, without Wi-Fi facts.
    Bind("libqmr-test-provider-partial.so");
    Serve({Wireless("wlan0", 3, true)});
    TDeviceList partial;
    ASSERT_EQ(ReadNetworkDevices(partial), 0u);
    ASSERT_EQ(partial.size(), 1u);
    EXPECT_FALSE(partial[0]->m_Wlan);
}

} // namespace
} // namespace qmr
