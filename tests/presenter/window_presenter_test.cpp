#include "presenter/minimize_state.h"
#include "presenter/window_presenter.h"

#include "lang/ini_file.h"
#include "lang/lang_strings.h"
#include "base/utf16_text.h"
#include "report/json_report.h"
#include "report/report_lines.h"
#include "tests/support/binding_fixture.h"
#include "tests/support/scripted_provider.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace qmr {
namespace {

// Keeps what the presenter told it, as a window would show it.
class TRecordingView : public TWindowView {
public:
    std::vector<std::u16string> Items;
    int Selected = -1;
    TLineList Report;
    int Reports = 0;
    bool CopyOn = false;
    bool ClipboardRefuses = false;
    std::u16string Clipboard;
    std::vector<std::u16string> Errors, Notices;
    std::u16string TrayHint;
    int TrayPicture = -1;
    bool TimerRunning = false;
    bool InFront = false;
    bool Expert = false, Virtual = false, Notify = false;

    void BeginListUpdate() override {}
    void EndListUpdate() override {}
    void InsertItem(int position, const TAdapterItem& item) override {
        Items.insert(Items.begin() + position, item.Caption);
    }
    void RemoveItem(int position) override {
        Items.erase(Items.begin() + position);
        Selected = Selected == position ? -1 : Selected - (Selected > position);
    }
    void SetItemCaption(int position, const std::u16string& caption) override {
        Items.at(static_cast<std::size_t>(position)) = caption;
    }
    void SelectItem(int position) override { Selected = position; }
    void ShowReport(const TLineList& markup, const TTrafficTrack*, bool) override {
        Report = markup;
        ++Reports;
    }
    void EnableCopy(bool enabled) override { CopyOn = enabled; }
    bool PutOnClipboard(const std::u16string& text, std::u16string& error) override {
        if (ClipboardRefuses) {
            error = u"refused";
            return false;
        }
        Clipboard = text;
        return true;
    }
    void SetTrayPicture(int index) override { TrayPicture = index; }
    void SetTrayHint(const std::u16string& hint) override { TrayHint = hint; }
    void ShowNotice(const std::u16string& title, const std::u16string& text) override {
        Notices.push_back(title + u": " + text);
    }
    void ShowError(const std::u16string& text) override { Errors.push_back(text); }
    void SetPollTimer(bool running) override { TimerRunning = running; }
    bool IsInFront() const override { return InFront; }
    void ShowSwitches(bool expert, bool showVirtual, bool notify) override {
        Expert = expert;
        Virtual = showVirtual;
        Notify = notify;
    }
    std::u16string ReportName() const { return Report.empty() ? u"" : Report[0]; }
};

class TMapStore : public TChoiceStore {
public:
    std::map<std::string, std::u16string> Values;
    // Non-empty: every write is refused, for this reason.
    std::u16string Refusal;
    std::optional<std::u16string> Read(const std::string& key) const override {
        const auto found = Values.find(key);
        return found != Values.end() ? std::optional(found->second) : std::nullopt;
    }
    bool Write(const std::string& key, const std::u16string& value) override {
        if (!Refusal.empty()) {
            return false;
        }
        Values[key] = value;
        return true;
    }
    std::u16string WriteProblem() const override { return Refusal; }
};

// The report's grey problem line, or nothing.
std::u16string ProblemLine(const TLineList& report) {
    TLineList marker;
    BuildProblemMarkup(&marker, u"");
    const std::u16string head = marker[0].substr(0, marker[0].find(u'>') + 1);
    for (const std::u16string& line : report) {
        if (line.starts_with(head)) {
            return line;
        }
    }
    return {};
}

std::size_t Occurrences(std::u16string_view text, std::u16string_view part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::u16string_view::npos;
         at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

template <typename Fn> Fn Control(const char* name) {
    return test::ScriptedProviderFunction<Fn>(name);
}

void Serve(const std::vector<QmrTestAdapter>& adapters) {
    Control<decltype(&QmrTestProvider_SetAdapters)>("QmrTestProvider_SetAdapters")(
        adapters.data(), static_cast<int>(adapters.size()));
}

QmrTestAdapter Adapter(const char* name, DWORD index, DWORD status = 5, bool hardware = true) {
    QmrTestAdapter a = MakeTestAdapter(name, index, "10.0.0.9", status);
    a.Hardware = hardware ? 1 : 0;
    return a;
}

const QmrTestAdapter A = Adapter("alpha", 2), B = Adapter("bravo", 3), C = Adapter("charlie", 4);

class WindowPresenterTest : public ::testing::Test {
protected:
    TRecordingView view;
    TMapStore store;
    std::unique_ptr<TUserChoices> choices;
    std::unique_ptr<TWindowPresenter> presenter;

    void SetUp() override {
        test::RebindIpHelper(test::TestBinaryFolder() + "libqmr-test-provider.so");
        Control<decltype(&QmrTestProvider_Reset)>("QmrTestProvider_Reset")();
        LANGUAGE::LangStrings.reset(new LANGUAGE::TLangStrings);
    }
    void TearDown() override {
        presenter.reset();
        test::UnbindIpHelper();
    }
    void Open(TWindowPresenter::TReadDevices read = TAdapterPoll()) {
        presenter.reset();
        view = TRecordingView();
        choices = std::make_unique<TUserChoices>(store);
        presenter = std::make_unique<TWindowPresenter>(view, *choices, std::move(read));
        presenter->Start();
    }
    std::u16string SelectedCaption() const {
        return view.Selected >= 0 ? view.Items.at(static_cast<std::size_t>(view.Selected)) : u"";
    }
};

TEST_F(WindowPresenterTest, ListFollowsThePollsAndTheSelectionKeepsItsPosition) {
    QmrTestAdapter renamedB = B;
    std::strcpy(renamedB.Name, "bravo2");
    std::strcpy(renamedB.Description, "bravo2");
    struct Step {
        const char* what;
        std::vector<QmrTestAdapter> served;
        int select; // -1: none before the poll
        std::vector<std::u16string> items;
        std::u16string selected;
    };
    const std::vector<Step> steps = {
        {"an earlier item vanishes: the position stays",
         {B, C},
         1,
         {u"bravo", u"charlie"},
         u"charlie"},
        {"the selected last item vanishes: the one before it", {B}, 1, {u"bravo"}, u"bravo"},
        {"a newcomer goes to the end", {C, B, A}, -1, {u"bravo", u"charlie", u"alpha"}, u"bravo"},
        {"a renamed link keeps its place under its new name",
         {C, renamedB, A},
         0,
         {u"bravo2", u"charlie", u"alpha"},
         u"bravo2"},
        {"beyond the end the selection goes back to the top", {A}, 2, {u"alpha"}, u"alpha"},
        {"nothing left: the last report stays, Copy goes off", {}, -1, {}, u""},
        {"back again", {B}, -1, {u"bravo"}, u"bravo"},
    };
    Serve({A, B, C});
    Open();
    for (const Step& step : steps) {
        if (step.select >= 0) {
            presenter->ItemSelected(step.select);
        }
        Serve(step.served);
        presenter->PollTimer();
        EXPECT_EQ(view.Items, step.items) << step.what;
        EXPECT_EQ(SelectedCaption(), step.selected) << step.what;
        presenter->Idle();
        EXPECT_NE(view.ReportName().find(step.selected.empty() ? u"alpha" : step.selected),
                  std::u16string::npos)
            << step.what;
        EXPECT_EQ(view.CopyOn, !step.selected.empty()) << step.what;
    }
}

TEST_F(WindowPresenterTest, FirstSelectionPrefersTheRememberedThenTheDefaultRouteThenOnline) {
    QmrTestAdapter routed = Adapter("routed", 7, 5, false);
    routed.GatewayCount = 1;
    std::strcpy(routed.Gateway[0], "10.0.0.1");
    const QmrTestAdapter down = Adapter("down", 5, 2), online = Adapter("online", 6),
                         virtualUp = Adapter("veth", 8, 5, false);
    struct Case {
        std::vector<QmrTestAdapter> served;
        std::u16string remembered;
        std::u16string selected;
    } cases[] = {
        {{down, online, routed}, u"down", u"down"},
        {{down, online, routed}, u"gone", u"routed"},
        {{down, virtualUp, online}, u"", u"online"},
        {{down, virtualUp}, u"", u"down"},
    };
    for (const Case& c : cases) {
        store.Values.clear();
        if (!c.remembered.empty()) {
            store.Values["SelectedAdapter"] = c.remembered;
        }
        Serve(c.served);
        Open();
        EXPECT_EQ(SelectedCaption(), c.selected)
            << std::string(c.selected.begin(), c.selected.end());
    }
    // Only the user's own choice is remembered, not the rule's.
    EXPECT_EQ(store.Values.count("SelectedAdapter"), 0u);
    presenter->ItemSelected(1);
    EXPECT_EQ(store.Values["SelectedAdapter"], u"veth");
}

TEST_F(WindowPresenterTest, TheReportIsRebuiltOnceAtTheIdleMomentAfterAnyNumberOfChanges) {
    Serve({A, B});
    Open();
    presenter->Idle();
    const int before = view.Reports;
    presenter->ItemSelected(1);
    presenter->SetExpertMode(true);
    presenter->InvalidateReport();
    presenter->ItemSelected(0);
    EXPECT_EQ(view.Reports, before);
    presenter->Idle();
    presenter->Idle();
    EXPECT_EQ(view.Reports, before + 1);
    // The expert form, of the adapter selected last.
    EXPECT_NE(view.ReportName().find(u"alpha"), std::u16string::npos);
    EXPECT_GT(view.Report.size(), 20u);
    presenter->PollTimer();
    EXPECT_TRUE(presenter->ReportPending()) << "every poll brings new counters";
}

TEST_F(WindowPresenterTest, SwitchesAreRememberedAndTheVirtualOneChangesTheListAtOnce) {
    const QmrTestAdapter tap = Adapter("tap0", 9, 5, false);
    Serve({A, tap});
    Open();
    EXPECT_TRUE(view.Virtual);
    presenter->ItemSelected(1);
    presenter->SetShowVirtual(false);
    EXPECT_EQ(view.Items, std::vector<std::u16string>{u"alpha"});
    EXPECT_EQ(SelectedCaption(), u"alpha");
    presenter->SetExpertMode(true);
    presenter->SetNotifyOnLinkChanges(false);
    EXPECT_EQ(store.Values["ShowVirtualAdapters"], u"false");
    EXPECT_EQ(store.Values["ExpertMode"], u"true");
    EXPECT_EQ(store.Values["NotifyOnLinkChanges"], u"false");

    // The next window starts as the last one was left.
    Open();
    EXPECT_TRUE(view.Expert);
    EXPECT_FALSE(view.Virtual);
    EXPECT_FALSE(view.Notify);
    EXPECT_EQ(view.Items, std::vector<std::u16string>{u"alpha"});
}

TEST_F(WindowPresenterTest, RefusedChoicesAreKeptForTheRunAndSaidOnceUntilTheStoreTakesThem) {
    Serve({A});
    Open();
    presenter->Idle();
    store.Refusal = u"/home/u/.config/Quillmere/Quillmere.conf is read-only";
    presenter->SetExpertMode(true);
    presenter->SetNotifyOnLinkChanges(false);
    presenter->Idle();
    EXPECT_TRUE(presenter->ExpertMode());
    EXPECT_TRUE(store.Values.empty());
    EXPECT_EQ(Occurrences(ProblemLine(view.Report),
                          u"the choice is kept for this run only: /home/u/.config/Quillmere/"
                          u"Quillmere.conf is read-only"),
              1u);

    // The next choice the store takes brings the refused ones along, and the line goes.
    store.Refusal.clear();
    presenter->SetShowVirtual(false);
    presenter->Idle();
    EXPECT_EQ(store.Values["ExpertMode"], u"true");
    EXPECT_EQ(store.Values["NotifyOnLinkChanges"], u"false");
    EXPECT_EQ(ProblemLine(view.Report).find(u"kept for this run"), std::u16string::npos);
}

TEST_F(WindowPresenterTest, CopyPutsTheCrLfReportAndARefusalKeepsCopyOffUntilTheNextRebuild) {
    Serve({A});
    Open();
    presenter->Idle();
    presenter->Copy();
    TLineList lines;
    BuildReportText(&lines, presenter->FindShownDevice(A.Index));
    EXPECT_EQ(view.Clipboard, JoinClipboardText(lines));
    EXPECT_NE(view.Clipboard.find(u"alpha\r\n"), std::u16string::npos);

    view.ClipboardRefuses = true;
    presenter->Copy();
    EXPECT_EQ(view.Errors, std::vector<std::u16string>{u"refused"});
    EXPECT_FALSE(presenter->CopyEnabled());
    presenter->PollTimer();
    presenter->Idle();
    EXPECT_TRUE(view.CopyOn);
}

TEST_F(WindowPresenterTest, StatusChangesOfHardwareAdaptersBecomeNoticesUnlessSeen) {
    Serve({A, B});
    Open();
    view.InFront = true; // looking at alpha, the selected one
    Serve({Adapter("alpha", 2, 2), Adapter("bravo", 3, 2)});
    presenter->PollTimer();
    EXPECT_EQ(view.Notices, std::vector<std::u16string>{u"bravo: Disconnected"});
    presenter->SetNotifyOnLinkChanges(false);
    Serve({C});
    presenter->PollTimer();
    EXPECT_EQ(view.Notices.size(), 1u);
}

// A poll fills the last poll's devices again: each then reads exactly as a device made afresh
// for its record, nothing of the adapter it held before left over (addresses, servers, IPv6,
// WLAN, suffix, permanent address), in the expert report and the JSON document alike.
TEST_F(WindowPresenterTest, APollsDevicesFilledAgainKeepNothingOfTheAdapterTheyHeld) {
    QmrTestAdapter rich = MakeTestAdapter("wlan0", 2, "10.0.0.9");
    rich.Type = IF_TYPE_IEEE80211;
    rich.DhcpEnabled = 1;
    rich.GatewayCount = 1;
    std::strcpy(rich.Gateway[0], "10.0.0.1");
    rich.DnsCount = 1;
    std::strcpy(rich.Dns[0], "10.0.0.53");
    rich.Ipv6Count = 1;
    std::strcpy(rich.Ipv6[0], "fd00::9");
    rich.Ipv6Prefix[0] = 64;
    rich.Hardware = 1;
    rich.WlanConnected = 1;
    std::strcpy(rich.WlanSsid, "cafe");
    std::memcpy(rich.PermanentMac, rich.Mac, 6);
    rich.PermanentMac[5] ^= 0x01;
    std::strcpy(rich.DnsSuffix, "corp.example");
    rich.SearchCount = 1;
    std::strcpy(rich.Search[0], "lab.example");
    const QmrTestAdapter bare = MakeTestAdapter("eth1", 3, "");
    const auto facts = [](const TModelNetworkDevice& device) {
        TLineList lines;
        BuildExpertReportText(&lines, &device);
        return std::make_pair(lines, BuildJsonReport({&device}, "1"));
    };

    Serve({rich, bare});
    Open();
    std::vector<const TModelNetworkDevice*> before;
    for (const auto& device : presenter->Devices()) {
        before.push_back(device.get());
    }
    Serve({bare, rich});
    presenter->PollTimer();
    TDeviceList fresh;
    ASSERT_EQ(ReadNetworkDevices(fresh), 0u);
    const TDeviceList& polled = presenter->Devices();
    ASSERT_EQ(polled.size(), 2u);
    ASSERT_EQ(fresh.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(polled[i].get(), before[i]) << "filled again, not made anew";
        EXPECT_EQ(facts(*polled[i]), facts(*fresh[i])) << Utf16ToUtf8(fresh[i]->m_AdapterName);
    }
}

TEST_F(WindowPresenterTest, APollThatThrowsStopsTheTimerAndF5SaysWhy) {
    bool fail = false;
    Serve({A});
    Open([&](TDeviceList& devices, TPollFailures& failures) {
        if (fail) {
            throw std::runtime_error("no memory");
        }
        return ReadNetworkDevicesTellingFailures(devices, failures);
    });
    EXPECT_TRUE(view.TimerRunning);
    fail = true;
    EXPECT_THROW(presenter->PollTimer(), std::runtime_error);
    EXPECT_FALSE(view.TimerRunning);
    presenter->PollNow();
    EXPECT_EQ(view.Errors, std::vector<std::u16string>{u"no memory"});
    EXPECT_FALSE(view.TimerRunning);
}

TEST_F(WindowPresenterTest, AFailedPollSaysWhichCallFailedUntilAPollSucceeds) {
    const auto push = Control<decltype(&QmrTestProvider_PushAdaptersInfoAnswer)>(
        "QmrTestProvider_PushAdaptersInfoAnswer");
    const struct {
        std::vector<ULONG> statuses; // GetAdaptersInfo's answers, one per call
        std::u16string why;
    } cases[] = {
        {std::vector<ULONG>(8, ERROR_BUFFER_OVERFLOW),
         u"GetAdaptersInfo failed with status 111 (asked 8 times)"},
        {{ERROR_NOT_ENOUGH_MEMORY}, u"GetAdaptersInfo failed with status 8"},
    };
    for (const auto& c : cases) {
        Serve({A});
        Open();
        for (std::size_t i = 0; i < c.statuses.size(); ++i) {
            push(c.statuses[i], static_cast<ULONG>(2000 + 1000 * i));
        }
        presenter->PollTimer();
        presenter->Idle();
        EXPECT_TRUE(view.Items.empty());
        EXPECT_NE(ProblemLine(view.Report).find(u"the adapters could not be read: " + c.why),
                  std::u16string::npos);
        presenter->PollTimer();
        presenter->Idle();
        EXPECT_EQ(view.Items, std::vector<std::u16string>{u"alpha"});
        EXPECT_EQ(ProblemLine(view.Report).find(u"could not be read"), std::u16string::npos)
            << "a poll that succeeds clears the reason";
    }
}

TEST_F(WindowPresenterTest, TheLanguageMenuListsNamedLanguagesByTheirCatalogueIndex) {
    LANGUAGE::LangStrings->LoadFromIniFile(
        LANGUAGE::TIniFile("[de_DE]\n1006=Kopieren\n[ru_RU]\nName=Русский\n"));
    Serve({A});
    Open();
    using TEntry = TWindowPresenter::TLanguageMenuEntry;
    EXPECT_EQ(presenter->LanguageMenuEntries(),
              (std::vector<TEntry>{{u"English", 1}, {u"Русский", 2}}));
    presenter->ChooseLanguage(2);
    EXPECT_EQ(store.Values["Language"], u"ru_RU");
}

TEST_F(WindowPresenterTest, TrayHintAndPictureFollowTheSelectedAdapter) {
    Serve({A});
    Open();
    EXPECT_EQ(view.TrayHint, u"Quillmere") << "before the first poll there is no adapter";
    presenter->Idle();
    EXPECT_EQ(view.TrayHint, u"alpha\nReceive Rate: 0.0 bps\nSend Rate: 0.0 bps");
    const int online = view.TrayPicture;
    Serve({Adapter("alpha", 2, 2)});
    presenter->PollTimer();
    presenter->Idle();
    EXPECT_NE(view.TrayPicture, online);
}

TEST(MinimizeStateTest, RequestsClicksAndTheWindowsOwnChangesMoveItOnce) {
    using TStep = TMinimizeState::TStep;
    TMinimizeState state;
    struct Event {
        const char* what;
        TStep (*apply)(TMinimizeState&);
        TStep step;
        bool minimized;
    } const events[] = {
        {"a click while up", [](TMinimizeState& s) { return s.IconClicked(); }, TStep::Nothing,
         false},
        {"-u", [](TMinimizeState& s) { return s.Request(); }, TStep::Minimize, true},
        {"a second -u", [](TMinimizeState& s) { return s.Request(); }, TStep::Nothing, true},
        {"hidden in the tray", [](TMinimizeState& s) { return s.WindowStateChanged(false, false); },
         TStep::Nothing, true},
        {"the icon's click", [](TMinimizeState& s) { return s.IconClicked(); }, TStep::Restore,
         false},
        {"the minimise button", [](TMinimizeState& s) { return s.WindowStateChanged(true, true); },
         TStep::Minimize, true},
        {"restored from the taskbar",
         [](TMinimizeState& s) { return s.WindowStateChanged(false, true); }, TStep::Restore,
         false},
    };
    for (const Event& e : events) {
        EXPECT_EQ(e.apply(state), e.step) << e.what;
        EXPECT_EQ(state.Minimized(), e.minimized) << e.what;
    }
}

} // namespace
} // namespace qmr
