// The IPv6 and Wi-Fi lines of the report forms; an adapter without them reads as before (the
// golden tests in report_lines_test.cpp).
#include "report/report_lines.h"

#include "language_fixture.h"
#include "test_devices.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qmr {
namespace {

using test::MakeDevice;
using test::TDeviceFacts;

class ReportLinesIpv6Test : public test::LanguageTest {};
class ReportLinesWlanTest : public test::LanguageTest {};

using test::Build;
using test::Builder;

TDeviceFacts ExampleFacts() {
    return TDeviceFacts{};
}

TIpv6Address V6(const char16_t* text, int prefix, TIpv6Scope scope, bool temporary = false,
                bool deprecated = false) {
    TIpv6Address a;
    a.Text = text;
    a.PrefixLength = prefix;
    a.Scope = scope;
    a.Temporary = temporary;
    a.Deprecated = deprecated;
    return a;
}

TEST_F(ReportLinesIpv6Test, NormalFormsAddTheShownIpv6AddressAfterTheIpv4Block) {
    TDeviceFacts facts = ExampleFacts();
    facts.Ipv6.Addresses = {V6(u"fe80::1%v0", 64, TIpv6Scope::LinkLocal),
                            V6(u"fd00:5::5", 64, TIpv6Scope::UniqueLocal),
                            V6(u"2001:db8:5::5", 64, TIpv6Scope::Global)};
    const auto device = MakeDevice(facts);
    const TLineList text = Build(BuildReportText, device.get());
    ASSERT_EQ(text.size(), 12u);
    EXPECT_EQ(text[7], u"Gateway:   192.168.1.1");
    EXPECT_EQ(text[8], u"IPv6 Address:   2001:db8:5::5/64");
    EXPECT_EQ(text[9], u"Input Octets:   1 234 567 bytes");
    const TLineList markup = Build(BuildReportMarkup, device.get());
    ASSERT_EQ(markup.size(), 16u);
    EXPECT_EQ(markup[12], u"<b>IPv6 Address</b>:   <font size=\"12\" color=\"#0000C4\" "
                          u"face=\"Verdana\"><b>2001:db8:5::5/64</b></font>");
    EXPECT_EQ(markup[13], u"");

    // Only a link-local address: nothing to show, the report as without IPv6.
    facts.Ipv6.Addresses.resize(1);
    const auto linkLocalOnly = MakeDevice(facts);
    EXPECT_EQ(Build(BuildReportText, linkLocalOnly.get()),
              Build(BuildReportText, MakeDevice(ExampleFacts()).get()));
}

TEST_F(ReportLinesIpv6Test, ExpertFormsListEveryIpv6AddressRouterAndServerBeforeTheCounters) {
    TDeviceFacts facts = ExampleFacts();
    facts.Ipv6.Addresses = {V6(u"2001:db8:5::5", 64, TIpv6Scope::Global),
                            V6(u"2001:db8:5::a1b2", 64, TIpv6Scope::Global, true, true),
                            V6(u"fe80::1%<v0>", 64, TIpv6Scope::LinkLocal)};
    facts.Ipv6.Gateways = {u"fe80::1%v0", u"fe80::2%v0"};
    facts.Ipv6.DnsServers = {u"2001:db8::53"};
    const auto device = MakeDevice(facts);
    const TLineList text = Build(BuildExpertReportText, device.get());
    const TLineList expected = {
        u"Gateway:   192.168.1.1",
        u"IPv6 Address1:   2001:db8:5::5/64",
        u"IPv6 Address2:   2001:db8:5::a1b2/64 (temporary, deprecated)",
        u"IPv6 Address3:   fe80::1%<v0>/64",
        u"IPv6 Gateway1:   fe80::1%v0",
        u"IPv6 Gateway2:   fe80::2%v0",
        u"IPv6 DNS:   2001:db8::53",
        u"Input Octets:   1 234 567 bytes",
    };
    ASSERT_GE(text.size(), 16u);
    EXPECT_EQ(TLineList(text.begin() + 8, text.begin() + 16), expected);

    const TLineList markup = Build(BuildExpertReportMarkup, device.get());
    const TLineList expectedMarkup = {
        u"",
        u"<b>IPv6 Address1</b>:   <font size=\"12\" color=\"#0000C4\" "
        u"face=\"Verdana\"><b>2001:db8:5::5/64</b></font>",
        u"<b>IPv6 Address2</b>:   <font size=\"12\" color=\"#0000C4\" "
        u"face=\"Verdana\"><b>2001:db8:5::a1b2/64 (temporary, deprecated)</b></font>",
        u"<b>IPv6 Address3</b>:   <font size=\"12\" color=\"#0000C4\" "
        u"face=\"Verdana\"><b>fe80::1%&lt;v0&gt;/64</b></font>",
        u"",
        u"<b>IPv6 Gateway1</b>:   fe80::1%v0",
        u"<b>IPv6 Gateway2</b>:   fe80::2%v0",
        u"",
        u"<b>IPv6 DNS</b>:   2001:db8::53",
        u"",
        u"<b>Input Octets</b>:   1 234 567 bytes",
    };
    ASSERT_GE(markup.size(), 25u);
    EXPECT_EQ(TLineList(markup.begin() + 14, markup.begin() + 25), expectedMarkup);
}

TWlanConnection Connection(std::u16string ssid, std::optional<int> signal, TWlanBand band) {
    TWlanConnection connection;
    connection.Ssid = std::move(ssid);
    connection.SignalDbm = signal;
    connection.Band = band;
    return connection;
}

// The Wi-Fi lines come right before the counters, in both expert forms, and nowhere else.
TEST_F(ReportLinesWlanTest, ExpertFormsAddNetworkNameSignalAndBandBeforeTheCounters) {
    auto device = MakeDevice(ExampleFacts());
    const TLineList plainBefore = Build(BuildExpertReportText, device.get());
    const TLineList normalBefore = Build(BuildReportText, device.get());
    device->m_Wlan = Connection(u"<Home>", -52, TWlanBand::Band5GHz);
    TLineList expected = plainBefore;
    const auto counters =
        std::find(expected.begin(), expected.end(), u"Input Octets:   1 234 567 bytes");
    ASSERT_NE(counters, expected.end());
    expected.insert(counters, {u"Network Name:   <Home>", u"Signal:   -52 dBm", u"Band:   5 GHz"});
    EXPECT_EQ(Build(BuildExpertReportText, device.get()), expected);
    EXPECT_EQ(Build(BuildReportText, device.get()), normalBefore);

    const TLineList markup = Build(BuildExpertReportMarkup, device.get());
    const auto name =
        std::find(markup.begin(), markup.end(), u"<b>Network Name</b>:   &lt;Home&gt;");
    ASSERT_NE(name, markup.end());
    EXPECT_EQ(*(name + 2), u"<b>Band</b>:   5 GHz");

    // Lines for what is told only.
    device->m_Wlan = Connection(u"Cafe", std::nullopt, TWlanBand::Unknown);
    const TLineList partial = Build(BuildExpertReportText, device.get());
    EXPECT_EQ(partial.size(), plainBefore.size() + 1);
    EXPECT_NE(std::find(partial.begin(), partial.end(), u"Network Name:   Cafe"), partial.end());
}

} // namespace
} // namespace qmr
