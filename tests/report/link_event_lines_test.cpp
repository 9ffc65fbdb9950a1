#include "report/link_event_text.h"
#include "report/report_lines.h"

#include "lang/text_ids.h"
#include "language_fixture.h"
#include "test_devices.h"

#include <gtest/gtest.h>

#include <ctime>
#include <deque>
#include <string>

namespace qmr {
namespace {

using namespace std::chrono_literals;

class LinkEventLinesTest : public test::LanguageTest {};

// A local time, as the clock on the wall shows it.
TWallTime Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

TLinkEvent Event(TLinkEventKind kind, TWallTime time, std::vector<std::u16string> before = {},
                 std::vector<std::u16string> after = {}) {
    TLinkEvent event = MakeLinkEvent(kind, time);
    event.OldValues = std::move(before);
    event.NewValues = std::move(after);
    return event;
}

TLinkEvent Status(std::uint32_t from, std::uint32_t to, TWallTime time) {
    TLinkEvent event = MakeLinkEvent(TLinkEventKind::StatusChanged, time);
    event.OldStatus = from;
    event.NewStatus = to;
    event.Type = MIB_IF_TYPE_ETHERNET;
    return event;
}

TEST_F(LinkEventLinesTest, TimesCarryTheDateOnlyWhenNotFromToday) {
    const TWallTime now = Local(2026, 3, 5, 12, 0, 0);
    EXPECT_EQ(FormatEventTime(Local(2026, 3, 5, 0, 0, 0), now), u"00:00:00");
    EXPECT_EQ(FormatEventTime(Local(2026, 3, 5, 10, 42, 13), now), u"10:42:13");
    EXPECT_EQ(FormatEventTime(Local(2026, 3, 4, 23, 59, 59), now), u"2026-03-04 23:59:59");
    EXPECT_EQ(FormatEventTime(Local(2025, 3, 5, 10, 42, 13), now), u"2025-03-05 10:42:13");
}

TEST_F(LinkEventLinesTest, EachKindReadsInTheCurrentLanguage) {
    const TWallTime t = Local(2026, 3, 5, 10, 0, 0);
    TLinkEvent speed = MakeLinkEvent(TLinkEventKind::SpeedChanged, t);
    speed.OldSpeed = 1000000000;
    speed.NewSpeed = 100000000;
    const std::pair<TLinkEvent, std::u16string> cases[] = {
        {Status(5, 2, t), u"Online -> Disconnected"},
        {Event(TLinkEventKind::Ipv4Added, t, {}, {u"10.20.30.6/24"}), u"IP 10.20.30.6/24 added"},
        {Event(TLinkEventKind::Ipv6Removed, t, {}, {u"2001:db8::5/64"}),
         u"IPv6 2001:db8::5/64 removed"},
        {Event(TLinkEventKind::GatewaysChanged, t, {u"10.0.0.1"}, {}), u"Gateway 10.0.0.1 -> None"},
        {Event(TLinkEventKind::DnsChanged, t, {u"10.0.0.53"}, {u"10.0.0.53", u"2001:db8::53"}),
         u"DNS 10.0.0.53 -> 10.0.0.53, 2001:db8::53"},
        {speed, u"Speed 1000 Mbps -> 100 Mbps"},
        {MakeLinkEvent(TLinkEventKind::Appeared, t), u"Adapter appeared"},
        {MakeLinkEvent(TLinkEventKind::Vanished, t), u"Adapter vanished"},
    };
    for (const auto& [event, text] : cases) {
        EXPECT_EQ(LinkEventText(event), text);
    }

    UseLanguageFile("[ru_RU]\nName=Русский\n" + std::to_string(LANGUAGE::TextEventIpv4) +
                        "=IP-адрес\n" + std::to_string(LANGUAGE::TextEventAdded) + "=добавлен\n" +
                        std::to_string(LANGUAGE::TextStatusOnline) + "=Подключено\n",
                    u"ru_RU");
    EXPECT_EQ(LinkEventText(cases[1].first), u"IP-адрес 10.20.30.6/24 добавлен");
    EXPECT_EQ(LinkEventText(cases[0].first), u"Подключено -> Disconnected");
}

TEST_F(LinkEventLinesTest, ExpertReportsEndWithTheLatestEventsNewestFirst) {
    const auto device = test::MakeDevice({});
    const TTrafficRate rates{8000, 0};
    const TWallTime now = Local(2026, 3, 5, 10, 45, 0);
    const std::deque<TLinkEvent> history = {
        Status(5, 2, Local(2026, 3, 5, 10, 42, 13)), Status(2, 5, Local(2026, 3, 5, 10, 42, 20)),
        Event(TLinkEventKind::Ipv4Added, Local(2026, 3, 5, 10, 43, 1), {}, {u"<10.20.30.6/24>"})};

    TLineList plain;
    BuildExpertReportText(&plain, device.get(), {&rates, nullptr});
    const std::deque<TLinkEvent> none;
    const TReportEvents noEvents{&none, now};
    for (const TReportEvents* empty : {&noEvents, static_cast<const TReportEvents*>(nullptr)}) {
        TLineList lines;
        BuildExpertReportText(&lines, device.get(), {&rates, empty});
        EXPECT_EQ(lines, plain) << "without events the report reads as before";
    }

    const TReportEvents events{&history, now};
    TLineList text;
    BuildExpertReportText(&text, device.get(), {&rates, &events});
    ASSERT_EQ(text.size(), plain.size() + 4);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end() - 1, text.begin()));
    const TLineList tail(text.end() - 5, text.end());
    EXPECT_EQ(tail, (TLineList{u"Link Events:", u"10:43:01  IP <10.20.30.6/24> added",
                               u"10:42:20  Disconnected -> Online",
                               u"10:42:13  Online -> Disconnected", u""}));

    TLineList markup;
    BuildExpertReportMarkup(&markup, device.get(), {&rates, &events});
    EXPECT_EQ(TLineList(markup.end() - 5, markup.end()),
              (TLineList{u"<b>Link Events</b>:", u"10:43:01  IP &lt;10.20.30.6/24&gt; added",
                         u"10:42:20  Disconnected -&gt; Online",
                         u"10:42:13  Online -&gt; Disconnected", u""}));

    // A long story is cut to the latest ones.
    std::deque<TLinkEvent> many;
    for (std::size_t i = 0; i < kReportedLinkEvents + 5; ++i) {
        many.push_back(MakeLinkEvent(TLinkEventKind::Appeared, now));
    }
    const TReportEvents longStory{&many, now};
    TLineList cut;
    BuildExpertReportText(&cut, device.get(), {&rates, &longStory});
    EXPECT_EQ(cut.size(), plain.size() + 1 + kReportedLinkEvents);
}

} // namespace
} // namespace qmr
