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

// The access point, channel, security and rates of the current connection, each only where
// the API tells it.
TEST_F(WlanPollTest, ConnectionNamesAccessPointChannelSecurityAndRates) {
    Bind("libqmr-test-provider.so");
    QmrTestAdapter told = Wireless("wlan0", 3, true);
    told.WlanChannel = 36;
    told.WlanAuth = DOT11_AUTH_ALGO_RSNA_PSK;
    told.WlanCipher = DOT11_CIPHER_ALGO_CCMP;
    told.WlanRxKbps = 576500;
    told.WlanTxKbps = 866700;
    Serve({told, Wireless("wlan1", 4, true)});
    TDeviceList devices;
    ASSERT_EQ(ReadNetworkDevices(devices), 0u);
    ASSERT_TRUE(devices[0]->m_Wlan && devices[1]->m_Wlan);
    const TWlanConnection& a = *devices[0]->m_Wlan;
    EXPECT_EQ(a.Bssid, u"02-00-00-00-00-07");
    EXPECT_EQ(a.Channel, 36u);
    EXPECT_EQ(WlanSecurityText(a), u"WPA2-Personal (CCMP)");
    EXPECT_EQ(a.RxRate, 576500000u);
    EXPECT_EQ(a.TxRate, 866700000u);
    const TWlanConnection& b = *devices[1]->m_Wlan;
    EXPECT_FALSE(b.Channel);
    EXPECT_FALSE(WlanSecurityTold(b));
    EXPECT_EQ(WlanSecurityText(b), u"");
    EXPECT_EQ(b.RxRate, 0u);
    EXPECT_EQ(Count("QmrTestProvider_WlanOutstanding"), 0);
}

TEST(WlanSecurity, TextAsWindowsNamesTheAlgorithms) {
    struct Case {
        int auth, cipher;
        const char16_t* text;
    };
    const Case cases[] = {
        {DOT11_AUTH_ALGO_RSNA_PSK, DOT11_CIPHER_ALGO_CCMP, u"WPA2-Personal (CCMP)"},
        {DOT11_AUTH_ALGO_RSNA, DOT11_CIPHER_ALGO_CCMP, u"WPA2-Enterprise (CCMP)"},
        {DOT11_AUTH_ALGO_WPA_PSK, DOT11_CIPHER_ALGO_TKIP, u"WPA-Personal (TKIP)"},
        {9, 8, u"WPA3-Personal (GCMP)"},
        {8, 9, u"WPA3-Enterprise 192-bit (GCMP-256)"},
        {10, DOT11_CIPHER_ALGO_NONE, u"OWE"},
        {DOT11_AUTH_ALGO_80211_OPEN, DOT11_CIPHER_ALGO_WEP, u"WEP"},
        {0x1234, 0x77, u"4660 (119)"}, // numbers of no known algorithm
    };
    for (const Case& c : cases) {
        TWlanConnection connection;
        connection.SecurityEnabled = true;
        connection.AuthAlgorithm = static_cast<DOT11_AUTH_ALGORITHM>(c.auth);
        connection.CipherAlgorithm = static_cast<DOT11_CIPHER_ALGORITHM>(c.cipher);
        EXPECT_EQ(WlanSecurityText(connection), c.text) << c.auth;
    }
}

} // namespace
} // namespace qmr
