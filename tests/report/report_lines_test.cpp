#include "report/report_lines.h"

#include "language_fixture.h"
#include "test_devices.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qmr {
namespace {

using test::MakeDevice;
using test::TDeviceFacts;

class ReportLinesTest : public test::LanguageTest {};

using test::Build;
using test::Builder;

// The device of the plain-text example: one address, one gateway, 1234567 bytes in, 21 out.
TDeviceFacts ExampleFacts() {
    return TDeviceFacts{};
}

// Two of everything, WINS on, a 10 Gbit/s link that is still connecting.
std::unique_ptr<TModelNetworkDevice> RichDevice() {
    TDeviceFacts facts;
    facts.Description = "Wireless Link";
    facts.Dhcp = false;
    facts.Type = 71;
    facts.OperStatus = 3;
    facts.Speed = 10000000000ull;
    facts.Addresses = {{"10.0.0.5", "255.0.0.0"}, {"10.0.0.6", "255.255.0.0"}};
    facts.Gateways = {"10.0.0.1", "10.0.0.254"};
    facts.DnsServers = {"8.8.8.8", "8.8.4.4", "1.1.1.1"};
    facts.HaveWins = true;
    facts.PrimaryWins = "10.0.0.7";
    facts.SecondaryWins = "10.0.0.8";
    facts.InOctets = 5000000000ull;
    facts.OutOctets = 2;
    auto device = MakeDevice(facts);
    device->m_InUcastPkts = 1001;
    device->m_InNUcastPkts = 12;
    device->m_InDiscards = 3;
    device->m_InErrors = 4;
    device->m_OutUcastPkts = 4294967296ull;
    device->m_OutNUcastPkts = 0;
    device->m_OutDiscards = 7;
    device->m_OutErrors = 8;
    return device;
}

TEST_F(ReportLinesTest, PlainNormalFormIsTheElevenLineExample) {
    const auto device = MakeDevice(ExampleFacts());
    EXPECT_EQ(JoinClipboardText(Build(BuildReportText, device.get())),
              u"Network Interface:   Local Area Connection\r\n"
              u"Status:   Online\r\n"
              u"MAC:   00-1A-2B-3C-4D-5E\r\n"
              u"Speed:   100 Mbps\r\n"
              u"Address Type:   DHCP\r\n"
              u"IP Address:   192.168.1.10\r\n"
              u"IP Mask:   255.255.255.0\r\n"
              u"Gateway:   192.168.1.1\r\n"
              u"Input Octets:   1 234 567 bytes\r\n"
              u"Output Octets:   21 byte\r\n"
              u"\r\n");
}

TEST_F(ReportLinesTest, DisplayNormalForm) {
    const auto device = MakeDevice(ExampleFacts());
    const TLineList expected = {
        u"<font size=\"18\" color=\"#000000\">Local Area Connection</font>",
        u"",
        u"<img src=\"online\">",
        u"<font size=\"14\" color=\"#00A000\">Online</font>",
        u"",
        u"<b>MAC</b>:   00-1A-2B-3C-4D-5E",
        u"<b>Speed</b>:   100 Mbps",
        u"<b>Address Type</b>:   DHCP",
        u"",
        u"<b>IP Address</b>:   <font size=\"12\" color=\"#0000C4\" "
        u"face=\"Verdana\"><b>192.168.1.10</b></font>",
        u"<b>IP Mask</b>:   255.255.255.0",
        u"<b>Gateway</b>:   192.168.1.1",
        u"",
        u"<b>Input Octets</b>:   1 234 567 bytes",
        u"<b>Output Octets</b>:   21 byte",
    };
    EXPECT_EQ(Build(BuildReportMarkup, device.get()), expected);
}

TEST_F(ReportLinesTest, NoDeviceGivesTheNoDeviceLineInEveryForm) {
    const TLineList markup = {u"<font size=\"16\" color=\"#800000\">No Network Interfaces</font>"};
    EXPECT_EQ(Build(BuildReportMarkup, nullptr), markup);
    EXPECT_EQ(Build(BuildExpertReportMarkup, nullptr), markup);
    EXPECT_EQ(JoinClipboardText(Build(BuildReportText, nullptr)), u"No Network Interfaces\r\n\r\n");
    EXPECT_EQ(JoinClipboardText(Build(BuildExpertReportText, nullptr)),
              u"No Network Interfaces\r\n\r\n");
    // Without a list the builders have nowhere to write and must not try.
    const auto device = MakeDevice(ExampleFacts());
    for (Builder builder :
         {BuildReportMarkup, BuildExpertReportMarkup, BuildReportText, BuildExpertReportText}) {
        builder(nullptr, device.get(), {});
        builder(nullptr, nullptr, {});
    }
}

TEST_F(ReportLinesTest, BuildersAppendToWhatTheListHolds) {
    const auto device = MakeDevice(ExampleFacts());
    TLineList lines = {u"kept"};
    BuildReportText(&lines, device.get());
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines.front(), u"kept");
    EXPECT_EQ(lines[1], u"Network Interface:   Local Area Connection");
}

TEST_F(ReportLinesTest, DisplayExpertFormNumbersEveryList) {
    const auto device = RichDevice();
    const TLineList expected = {
        u"<font size=\"18\" color=\"#000000\">Wireless Link</font>",
        u"",
        u"<img src=\"warning\">",
        u"<font size=\"14\" color=\"#F09040\">Connecting</font>",
        u"",
        u"<b>MAC</b>:   00-1A-2B-3C-4D-5E",
        u"<b>Speed</b>:   10000 Mbps",
        u"<b>Interface Type</b>:   Wi-Fi",
        u"<b>Address Type</b>:   Manual",
        u"",
        u"<b>IP Address1</b>:   <font size=\"12\" color=\"#0000C4\" "
        u"face=\"Verdana\"><b>10.0.0.5</b></font>",
        u"<b>IP Mask1</b>:   255.0.0.0",
        u"",
        u"<b>IP Address2</b>:   <font size=\"12\" color=\"#0000C4\" "
        u"face=\"Verdana\"><b>10.0.0.6</b></font>",
        u"<b>IP Mask2</b>:   255.255.0.0",
        u"",
        u"<b>Gateway1</b>:   10.0.0.1",
        u"<b>Gateway2</b>:   10.0.0.254",
        u"",
        u"<b>DNS 1</b>:   8.8.8.8",
        u"<b>DNS 2</b>:   8.8.4.4",
        u"<b>DNS 3</b>:   1.1.1.1",
        u"",
        u"<b>WINS1</b>:   10.0.0.7",
        u"<b>WINS2</b>:   10.0.0.8",
        u"",
        u"<b>Input Octets</b>:   5 000 000 000 bytes",
        u"<b>Input Unicast Packets</b>:   1 001",
        u"<b>Input Broadcast/Multicast Packets</b>:   12",
        u"<b>Input Discard Packets</b>:   3",
        u"<b>Input Error Packets</b>:   4",
        u"",
        u"<b>Output Octets</b>:   2 bytes",
        u"<b>Output Unicast Packets</b>:   4 294 967 296",
        u"<b>Output Broadcast/Multicast Packets</b>:   0",
        u"<b>Output Discard Packets</b>:   7",
        u"<b>Output Error Packets</b>:   8",
        u"",
    };
    EXPECT_EQ(Build(BuildExpertReportMarkup, device.get()), expected);
}

TEST_F(ReportLinesTest, RateLinesFollowTheCountersWithTheLinkShareInTheExpertForms) {
    const auto device = RichDevice(); // a 10 Gbit/s link
    const TTrafficRate rates{1.25e9, 1500};
    const auto withRates = [&](Builder builder) {
        return Build(builder, device.get(), {&rates, nullptr});
    };

    TLineList normal = Build(BuildReportMarkup, device.get());
    normal.insert(normal.end(),
                  {u"<b>Receive Rate</b>:   1.3 Gbps", u"<b>Send Rate</b>:   1.5 Kbps"});
    EXPECT_EQ(withRates(BuildReportMarkup), normal);

    // The expert forms: after the counters block, before the closing empty line.
    TLineList expert = Build(BuildExpertReportMarkup, device.get());
    expert.insert(expert.end() - 1, {u"", u"<b>Receive Rate</b>:   1.3 Gbps (12.5 %)",
                                     u"<b>Send Rate</b>:   1.5 Kbps (0.0 %)"});
    EXPECT_EQ(withRates(BuildExpertReportMarkup), expert);
    TLineList text = Build(BuildExpertReportText, device.get());
    text.insert(text.end() - 1,
                {u"Receive Rate:   1.3 Gbps (12.5 %)", u"Send Rate:   1.5 Kbps (0.0 %)"});
    EXPECT_EQ(withRates(BuildExpertReportText), text);

    // A link of unknown speed has no share to show.
    device->m_Speed = 0;
    EXPECT_EQ(withRates(BuildExpertReportText).end()[-3], u"Receive Rate:   1.3 Gbps");
}

TEST_F(ReportLinesTest, PlainExpertFormNumbersEveryListWithoutEmptyLines) {
    const auto device = RichDevice();
    EXPECT_EQ(JoinClipboardText(Build(BuildExpertReportText, device.get())),
              u"Network Interface:   Wireless Link\r\n"
              u"Status:   Connecting\r\n"
              u"MAC:   00-1A-2B-3C-4D-5E\r\n"
              u"Speed:   10000 Mbps\r\n"
              u"Interface Type:   Wi-Fi\r\n"
              u"Address Type:   Manual\r\n"
              u"IP Address1:   10.0.0.5\r\n"
              u"IP Mask1:   255.0.0.0\r\n"
              u"IP Address2:   10.0.0.6\r\n"
              u"IP Mask2:   255.255.0.0\r\n"
              u"Gateway1:   10.0.0.1\r\n"
              u"Gateway2:   10.0.0.254\r\n"
              u"DNS 1:   8.8.8.8\r\n"
              u"DNS 2:   8.8.4.4\r\n"
              u"DNS 3:   1.1.1.1\r\n"
              u"WINS1:   10.0.0.7\r\n"
              u"WINS2:   10.0.0.8\r\n"
              u"Input Octets:   5 000 000 000 bytes\r\n"
              u"Input Unicast Packets:   1 001\r\n"
              u"Input Broadcast/Multicast Packets:   12\r\n"
              u"Input Discard Packets:   3\r\n"
              u"Input Error Packets:   4\r\n"
              u"Output Octets:   2 bytes\r\n"
              u"Output Unicast Packets:   4 294 967 296\r\n"
              u"Output Broadcast/Multicast Packets:   0\r\n"
              u"Output Discard Packets:   7\r\n"
              u"Output Error Packets:   8\r\n"
              u"\r\n");
}

TEST_F(ReportLinesTest, ExpertFormsWithSingleEntriesUseUnnumberedLabels) {
    TDeviceFacts facts = ExampleFacts();
    facts.DnsServers = {"192.168.1.53"};
    // WINS texts in the record count for nothing while the flag is off.
    facts.PrimaryWins = "192.168.1.7";
    facts.SecondaryWins = "192.168.1.8";
    const auto device = MakeDevice(facts);

    const TLineList markup = Build(BuildExpertReportMarkup, device.get());
    const TLineList expectedMarkup = {
        u"<b>IP Address</b>:   <font size=\"12\" color=\"#0000C4\" "
        u"face=\"Verdana\"><b>192.168.1.10</b></font>",
        u"<b>IP Mask</b>:   255.255.255.0",
        u"<b>Gateway</b>:   192.168.1.1",
        u"",
        u"<b>DNS</b>:   192.168.1.53",
        u"",
        u"<b>Input Octets</b>:   1 234 567 bytes",
    };
    // The head holds one more line in the expert forms: the interface type.
    ASSERT_GE(markup.size(), 17u);
    EXPECT_EQ(TLineList(markup.begin() + 10, markup.begin() + 17), expectedMarkup);
    EXPECT_EQ(markup.size(), 10u + 7u + 4u + 1u + 5u + 1u);

    const TLineList text = Build(BuildExpertReportText, device.get());
    const TLineList expectedText = {
        u"IP Address:   192.168.1.10",      u"IP Mask:   255.255.255.0",
        u"Gateway:   192.168.1.1",          u"DNS:   192.168.1.53",
        u"Input Octets:   1 234 567 bytes",
    };
    ASSERT_GE(text.size(), 11u);
    EXPECT_EQ(TLineList(text.begin() + 6, text.begin() + 11), expectedText);
    EXPECT_EQ(text.size(), 6u + 4u + 5u + 5u + 1u);
}

TEST_F(ReportLinesTest, DeviceWithoutAddressesShowsNoneAndReadsNoGateway) {
    // A device from no record: no address, no gateway, no DNS server, status 0.
    const TModelNetworkDevice device(nullptr);
    const std::u16string none = u"<b>IP Address</b>:   <font size=\"12\" color=\"#0000C4\" "
                                u"face=\"Verdana\"><b>None</b></font>";

    const TLineList normal = Build(BuildReportMarkup, &device);
    ASSERT_EQ(normal.size(), 13u);
    EXPECT_EQ(normal[3], u"<font size=\"14\" color=\"#F00000\">Non Operational</font>");
    EXPECT_EQ(normal[5], u"<b>MAC</b>:   ");
    EXPECT_EQ(normal[6], u"<b>Speed</b>:   0 bps");
    EXPECT_EQ(normal[9], none);
    EXPECT_EQ(normal[10], u"");
    EXPECT_EQ(normal[11], u"<b>Input Octets</b>:   0 bytes");

    // Expert: "None", then the gateway and DNS blocks reduced to their empty lines.
    const TLineList expert = Build(BuildExpertReportMarkup, &device);
    ASSERT_EQ(expert.size(), 10u + 3u + 6u + 6u);
    EXPECT_EQ(expert[7], u"<b>Interface Type</b>:   Other");
    EXPECT_EQ(expert[10], none);
    EXPECT_EQ(expert[11], u"");
    EXPECT_EQ(expert[12], u"");
    EXPECT_EQ(expert[13], u"<b>Input Octets</b>:   0 bytes");

    EXPECT_EQ(JoinClipboardText(Build(BuildReportText, &device)), u"Network Interface:   \r\n"
                                                                  u"Status:   Non Operational\r\n"
                                                                  u"MAC:   \r\n"
                                                                  u"Speed:   0 bps\r\n"
                                                                  u"Address Type:   Manual\r\n"
                                                                  u"IP Address:   None\r\n"
                                                                  u"Input Octets:   0 bytes\r\n"
                                                                  u"Output Octets:   0 bytes\r\n"
                                                                  u"\r\n");
    const TLineList expertText = Build(BuildExpertReportText, &device);
    ASSERT_EQ(expertText.size(), 6u + 1u + 10u + 1u);
    EXPECT_EQ(expertText[6], u"IP Address:   None");
    EXPECT_EQ(expertText[7], u"Input Octets:   0 bytes");
}

TEST_F(ReportLinesTest, WinsBlockCases) {
    const struct {
        bool HaveWins;
        const char* Primary;
        const char* Secondary;
        TLineList Markup; // the lines between the DNS block and the received traffic
        TLineList Text;
    } cases[] = {
        {true,
         "10.1.1.1",
         "10.1.1.2",
         {u"<b>WINS1</b>:   10.1.1.1", u"<b>WINS2</b>:   10.1.1.2", u""},
         {u"WINS1:   10.1.1.1", u"WINS2:   10.1.1.2"}},
        {true, "", "10.1.1.2", {u"<b>WINS</b>:   10.1.1.2", u""}, {u"WINS:   10.1.1.2"}},
        {true, "10.1.1.1", "", {u"<b>WINS</b>:   10.1.1.1", u""}, {u"WINS:   10.1.1.1"}},
        {true, "", "", {}, {}},
        {false, "10.1.1.1", "10.1.1.2", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "flag " << c.HaveWins << " primary '" << c.Primary
                                        << "' secondary '" << c.Secondary << "'");
        TDeviceFacts facts = ExampleFacts();
        facts.HaveWins = c.HaveWins;
        facts.PrimaryWins = c.Primary;
        facts.SecondaryWins = c.Secondary;
        const auto device = MakeDevice(facts);

        // One address, one gateway and no DNS server: the WINS block starts at line 16 of the
        // display report and at line 10 of the plain one.
        const TLineList markup = Build(BuildExpertReportMarkup, device.get());
        const auto markupEnd =
            std::find(markup.begin(), markup.end(), u"<b>Input Octets</b>:   1 234 567 bytes");
        ASSERT_NE(markupEnd, markup.end());
        ASSERT_EQ(markup[14], u"");
        EXPECT_EQ(TLineList(markup.begin() + 15, markupEnd), c.Markup);

        const TLineList text = Build(BuildExpertReportText, device.get());
        const auto textEnd =
            std::find(text.begin(), text.end(), u"Input Octets:   1 234 567 bytes");
        ASSERT_NE(textEnd, text.end());
        ASSERT_EQ(text[8], u"Gateway:   192.168.1.1");
        EXPECT_EQ(TLineList(text.begin() + 9, textEnd), c.Text);
    }
}

TEST_F(ReportLinesTest, DeviceTextsAreEscapedInTheDisplayReportOnly) {
    TDeviceFacts facts = ExampleFacts();
    facts.Description = "<b>& Co";
    facts.DnsServers = {"<dns>"};
    facts.HaveWins = true;
    facts.PrimaryWins = "<w>";
    facts.Addresses = {{"<ip>", "&mask"}};
    facts.Gateways = {"gw>"};
    const auto device = MakeDevice(facts);
    device->m_Address = u"<mac>";

    // The expert head has one line more, the interface type.
    for (const auto& [builder, at] : {std::pair<Builder, std::size_t>{BuildReportMarkup, 9},
                                      std::pair<Builder, std::size_t>{BuildExpertReportMarkup, 10}}) {
        const TLineList markup = Build(builder, device.get());
        EXPECT_EQ(markup[0], u"<font size=\"18\" color=\"#000000\">&lt;b&gt;&amp; Co</font>");
        EXPECT_EQ(markup[5], u"<b>MAC</b>:   &lt;mac&gt;");
        EXPECT_EQ(markup[at], u"<b>IP Address</b>:   <font size=\"12\" color=\"#0000C4\" "
                              u"face=\"Verdana\"><b>&lt;ip&gt;</b></font>");
        EXPECT_EQ(markup[at + 1], u"<b>IP Mask</b>:   &amp;mask");
        EXPECT_EQ(markup[at + 2], u"<b>Gateway</b>:   gw&gt;");
    }
    const TLineList expert = Build(BuildExpertReportMarkup, device.get());
    EXPECT_NE(std::find(expert.begin(), expert.end(), u"<b>DNS</b>:   &lt;dns&gt;"), expert.end());
    EXPECT_NE(std::find(expert.begin(), expert.end(), u"<b>WINS</b>:   &lt;w&gt;"), expert.end());

    const TLineList text = Build(BuildExpertReportText, device.get());
    EXPECT_EQ(text[0], u"Network Interface:   <b>& Co");
    EXPECT_EQ(text[2], u"MAC:   <mac>");
    EXPECT_EQ(text[6], u"IP Address:   <ip>");
    EXPECT_EQ(text[7], u"IP Mask:   &mask");
    EXPECT_EQ(text[8], u"Gateway:   gw>");
    EXPECT_EQ(text[9], u"DNS:   <dns>");
    EXPECT_EQ(text[10], u"WINS:   <w>");
    EXPECT_EQ(Build(BuildReportText, device.get())[0], u"Network Interface:   <b>& Co");
}

TEST(EscapeMarkupText, WritesTheThreeMarkupCharactersAsEntities) {
    EXPECT_EQ(EscapeMarkupText(u""), u"");
    EXPECT_EQ(EscapeMarkupText(u"plain 10.0.0.1"), u"plain 10.0.0.1");
    EXPECT_EQ(EscapeMarkupText(u"<b>&amp;\"'"), u"&lt;b&gt;&amp;amp;\"'");
    EXPECT_EQ(EscapeMarkupText(u"Сеть <1>"), u"Сеть &lt;1&gt;");
}

// A language with three count forms, and a label holding markup that must stay markup.
constexpr const char* kRussian = "[ru_RU]\n"
                                 "Name=Русский\n"
                                 "1018=В сети\n"
                                 "1021=Мбит/с\n"
                                 "1023=<i>MAC</i>\n"
                                 "1024=Скорость\n"
                                 "1025=Тип адреса\n"
                                 "1027=Вручную\n"
                                 "1028=IP-адрес\n"
                                 "1029=Маска\n"
                                 "1030=Шлюз\n"
                                 "1032=Получено\n"
                                 "1033=байт\n"
                                 "1034=байта\n"
                                 "1035=байтов\n"
                                 "1036=Отправлено\n"
                                 "1049=Сетевой интерфейс\n"
                                 "1050=Состояние\n";

TEST_F(ReportLinesTest, RussianReportShowsItsThreeCountForms) {
    UseLanguageFile(kRussian, u"ru_RU");
    TDeviceFacts facts = ExampleFacts();
    facts.Dhcp = false;
    facts.InOctets = 21;
    facts.OutOctets = 1234;
    const auto device = MakeDevice(facts);
    // Set here: record texts are in the system's code page, which need not hold Cyrillic.
    device->m_FriendlyName = u"Подключение по локальной сети";
    EXPECT_EQ(JoinClipboardText(Build(BuildReportText, device.get())),
              u"Сетевой интерфейс:   Подключение по локальной сети\r\n"
              u"Состояние:   В сети\r\n"
              u"<i>MAC</i>:   00-1A-2B-3C-4D-5E\r\n"
              u"Скорость:   100 Мбит/с\r\n"
              u"Тип адреса:   Вручную\r\n"
              u"IP-адрес:   192.168.1.10\r\n"
              u"Маска:   255.255.255.0\r\n"
              u"Шлюз:   192.168.1.1\r\n"
              u"Получено:   21 байт\r\n"
              u"Отправлено:   1 234 байта\r\n"
              u"\r\n");

    // The third form, counts beyond 32 bits, and a language text left unescaped in markup.
    device->m_InOctets = 2147483648ull;
    device->m_OutOctets = 8589934591ull;
    const TLineList markup = Build(BuildReportMarkup, device.get());
    EXPECT_EQ(markup[5], u"<b><i>MAC</i></b>:   00-1A-2B-3C-4D-5E");
    EXPECT_EQ(markup[13], u"<b>Получено</b>:   2 147 483 648 байтов");
    EXPECT_EQ(markup[14], u"<b>Отправлено</b>:   8 589 934 591 байт");
    // Identifiers the language leaves out keep their built-in words.
    const TLineList expert = Build(BuildExpertReportText, device.get());
    EXPECT_EQ(expert[4], u"Interface Type:   Ethernet");
    EXPECT_EQ(expert[10], u"Input Unicast Packets:   0");
}

} // namespace
} // namespace qmr
