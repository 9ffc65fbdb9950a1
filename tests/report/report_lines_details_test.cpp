// What the expert forms add for an engineer: permanent MAC, MTU, interface type, DHCP server and
// lease, DNS suffix and search list, and the Wi-Fi connection's details; each only where the
// adapter has it, and the normal forms never. The JSON keys for the same facts.

#include "report/json_report.h"
#include "report/link_event_text.h"
#include "report/report_lines.h"

#include "language_fixture.h"
#include "test_devices.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>

namespace qmr {
namespace {

using test::Build;
using test::MakeDevice;
using test::TDeviceFacts;

class ReportLinesDetailsTest : public test::LanguageTest {};

std::u16string LocalTimeOf(std::uint32_t seconds) {
    return FormatLocalDateTime(std::chrono::system_clock::from_time_t(seconds));
}

TEST_F(ReportLinesDetailsTest, ExpertFormsAddEachFactAfterItsLineAndTheNormalFormsNothing) {
    using TSet = std::function<void(TModelNetworkDevice&)>;
    const TSet nothing = [](TModelNetworkDevice&) {};
    const TSet manual = [](TModelNetworkDevice& d) { d.m_DhcpEnabled = false; };
    const TSet oneDnsServer = [](TModelNetworkDevice& d) {
        d.m_DnsServerList->assign({{u"192.168.1.53", u"", 0}});
    };
    struct Case {
        const char* name;
        TSet base; // on both devices
        TSet set;  // the fact, on the one device
        const char16_t* after; // the plain expert line the new ones follow
        TLineList lines;
    };
    const Case cases[] = {
        {"MTU", nothing, [](TModelNetworkDevice& d) { d.m_Mtu = 1400; }, u"Speed:   100 Mbps",
         {u"MTU:   1400"}},
        {"permanent MAC", nothing,
         [](TModelNetworkDevice& d) { d.m_PermanentAddress = u"00-1A-2B-3C-4D-5F"; },
         u"MAC:   00-1A-2B-3C-4D-5E", {u"Permanent MAC:   00-1A-2B-3C-4D-5F"}},
        {"DHCP server and lease", nothing,
         [](TModelNetworkDevice& d) {
             d.m_DhcpServerList->assign({{u"192.168.1.1", u"", 0}});
             d.m_LeaseObtained = 1767225600;
             d.m_LeaseExpires = 1767312000;
         },
         u"Address Type:   DHCP",
         {u"DHCP Server:   192.168.1.1", u"Lease Obtained:   " + LocalTimeOf(1767225600),
          u"Lease Expires:   " + LocalTimeOf(1767312000)}},
        {"a server of 0.0.0.0 and no lease times are none", nothing,
         [](TModelNetworkDevice& d) { d.m_DhcpServerList->assign({{u"0.0.0.0", u"", 0}}); },
         u"Address Type:   DHCP", {}},
        {"a manual adapter has no lease", manual,
         [](TModelNetworkDevice& d) {
             d.m_DhcpServerList->assign({{u"192.168.1.1", u"", 0}});
             d.m_LeaseExpires = 1767312000;
         },
         u"Address Type:   Manual", {}},
        {"DNS suffix and search list", oneDnsServer,
         [](TModelNetworkDevice& d) {
             d.m_DnsSuffix = u"corp.example";
             d.m_SearchDomains = {u"corp.example", u"lab.example"};
         },
         u"DNS:   192.168.1.53",
         {u"DNS Suffix:   corp.example", u"Search Domains:   corp.example, lab.example"}},
    };
    for (const Case& c : cases) {
        const auto plain = MakeDevice(TDeviceFacts{});
        const auto device = MakeDevice(TDeviceFacts{});
        c.base(*plain);
        c.base(*device);
        c.set(*device);
        TLineList expected = Build(BuildExpertReportText, plain.get());
        const auto anchor = std::find(expected.begin(), expected.end(), c.after);
        ASSERT_NE(anchor, expected.end()) << c.name;
        expected.insert(anchor + 1, c.lines.begin(), c.lines.end());
        EXPECT_EQ(Build(BuildExpertReportText, device.get()), expected) << c.name;
        EXPECT_EQ(Build(BuildReportText, device.get()), Build(BuildReportText, plain.get()))
            << c.name;
        EXPECT_EQ(Build(BuildReportMarkup, device.get()), Build(BuildReportMarkup, plain.get()))
            << c.name;
        // The display form has the same lines, device texts escaped.
        EXPECT_EQ(Build(BuildExpertReportMarkup, device.get()).size(),
                  Build(BuildExpertReportMarkup, plain.get()).size() + c.lines.size())
            << c.name;
    }
}

TEST_F(ReportLinesDetailsTest, InterfaceTypeInWordsFromTheRowElseTheRecord) {
    const std::pair<std::uint32_t, const char16_t*> cases[] = {
        {6, u"Ethernet"}, {71, u"Wi-Fi"},   {23, u"PPP"},  {131, u"Tunnel"},
        {24, u"Loopback"}, {53, u"Other"},   {0, u"Other"},
    };
    for (const auto& [type, word] : cases) {
        const auto device = MakeDevice(TDeviceFacts{});
        device->m_IfType = type;
        device->m_Type = MIB_IF_TYPE_PPP; // the record's type counts only without a row
        const TLineList text = Build(BuildExpertReportText, device.get());
        EXPECT_EQ(text[4], u"Interface Type:   " + std::u16string(type != 0 ? word : u"PPP"))
            << type;
    }
}

TWlanConnection FullConnection() {
    TWlanConnection w;
    w.Ssid = u"<Home>";
    w.SignalDbm = -52;
    w.Band = TWlanBand::Band5GHz;
    w.Bssid = u"02-00-00-00-00-07";
    w.Channel = 36;
    w.SecurityEnabled = true;
    w.AuthAlgorithm = DOT11_AUTH_ALGO_RSNA_PSK;
    w.CipherAlgorithm = DOT11_CIPHER_ALGO_CCMP;
    w.RxRate = 576500000;
    w.TxRate = 866700000;
    return w;
}

TEST_F(ReportLinesDetailsTest, WifiConnectionAddsChannelAccessPointSecurityAndLinkRates) {
    const auto device = MakeDevice(TDeviceFacts{});
    device->m_Wlan = FullConnection();
    const TLineList text = Build(BuildExpertReportText, device.get());
    const auto band = std::find(text.begin(), text.end(), u"Band:   5 GHz");
    ASSERT_NE(band, text.end());
    EXPECT_EQ(TLineList(band + 1, band + 7),
              (TLineList{u"Channel:   36", u"Access Point:   02-00-00-00-00-07",
                         u"Security:   WPA2-Personal (CCMP)", u"Receive Link Rate:   576.5 Mbps",
                         u"Send Link Rate:   866.7 Mbps", u"Input Octets:   1 234 567 bytes"}));

    // An open network says so; a security the API did not tell has no line.
    device->m_Wlan->SecurityEnabled = false;
    device->m_Wlan->AuthAlgorithm = DOT11_AUTH_ALGO_80211_OPEN;
    device->m_Wlan->CipherAlgorithm = DOT11_CIPHER_ALGO_NONE;
    const TLineList open = Build(BuildExpertReportText, device.get());
    EXPECT_NE(std::find(open.begin(), open.end(), u"Security:   Open"), open.end());
    device->m_Wlan->AuthAlgorithm = static_cast<DOT11_AUTH_ALGORITHM>(0);
    EXPECT_EQ(Build(BuildExpertReportText, device.get()).size(), open.size() - 1);
}

TEST_F(ReportLinesDetailsTest, JsonCarriesTheSameFactsAndNullWhereThereAreNone) {
    const auto told = MakeDevice(TDeviceFacts{});
    told->m_IfType = IF_TYPE_IEEE80211;
    told->m_PermanentAddress = u"00-1A-2B-3C-4D-5F";
    told->m_DnsSuffix = u"corp.example";
    told->m_SearchDomains = {u"corp.example", u"lab.example"};
    told->m_Wlan = FullConnection();
    const auto bare = MakeDevice(TDeviceFacts{});
    const auto document =
        nlohmann::ordered_json::parse(BuildJsonReport({told.get(), bare.get()}, "1.0.0.0"));
    const auto& a = document["adapters"][0];
    EXPECT_EQ(a["interface_type"], "wi-fi");
    EXPECT_EQ(a["permanent_mac"], "00-1A-2B-3C-4D-5F");
    EXPECT_EQ(a["dns_suffix"], "corp.example");
    EXPECT_EQ(a["search_domains"], nlohmann::ordered_json({"corp.example", "lab.example"}));
    const nlohmann::ordered_json wifi = {
        {"ssid", "<Home>"},      {"bssid", "02-00-00-00-00-07"},
        {"signal_dbm", -52},     {"band", "5GHz"},
        {"channel", 36},         {"security", "WPA2-Personal (CCMP)"},
        {"rx_rate_bps", 576500000}, {"tx_rate_bps", 866700000}};
    EXPECT_EQ(a["wifi"], wifi);
    const auto& b = document["adapters"][1];
    EXPECT_EQ(b["interface_type"], "ethernet");
    for (const char* key : {"permanent_mac", "dns_suffix", "wifi"}) {
        EXPECT_TRUE(b[key].is_null()) << key;
    }
    EXPECT_EQ(b["search_domains"], nlohmann::ordered_json::array());
    // The keys keep their places: each new one beside the fact it belongs to.
    std::vector<std::string> keys;
    for (const auto& item : b.items()) {
        keys.push_back(item.key());
    }
    const auto before = [&](const char* first, const char* second) {
        return std::find(keys.begin(), keys.end(), first) + 1 ==
               std::find(keys.begin(), keys.end(), second);
    };
    EXPECT_TRUE(before("type", "interface_type"));
    EXPECT_TRUE(before("mac", "permanent_mac"));
    EXPECT_TRUE(before("dns_servers", "dns_suffix"));
    EXPECT_TRUE(before("ipv6_dns_servers", "wifi"));
}

} // namespace
} // namespace qmr
