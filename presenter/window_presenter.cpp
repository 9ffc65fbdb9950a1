#include "presenter/window_presenter.h"

#include "lang/lang_strings.h"
#include "lang/text_ids.h"
#include "network/adapter_filter.h"
#include "network/iphlpapi_binding.h"
#include "report/device_status.h"

#include "base/utf16_text.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <unordered_map>
#include <unordered_set>

namespace qmr {

namespace {
std::uint64_t MonotonicMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

bool HoldsIpv4DefaultRoute(const TModelNetworkDevice& device) {
    for (int i = 0; i < device.GetGatewayCount(); ++i) {
        const std::u16string gateway = device.GetGateway(i);
        if (!gateway.empty() && gateway != u"0.0.0.0") {
            return true;
        }
    }
    return false;
}
} // namespace

TWindowPresenter::TWindowPresenter(TWindowView& view, TUserChoices& choices,
                                   TReadDevices readDevices)
    : m_View(view), m_Choices(choices), m_ReadDevices(std::move(readDevices)),
      m_ExpertMode(choices.Get(kExpertMode)), m_ShowVirtual(choices.Get(kShowVirtualAdapters)) {
    m_Notices.SetEnabled(choices.Get(kNotifyOnLinkChanges));
}

void TWindowPresenter::ApplyRememberedLanguage() {
    const std::u16string code = m_Choices.Language();
    if (!code.empty() && LANGUAGE::LangStrings) {
        const int index = LANGUAGE::LangStrings->IndexOfLanguage(code);
        if (index >= 0) {
            LANGUAGE::LangStrings->SelectLanguage(index);
        }
    }
}

void TWindowPresenter::Start() {
    m_View.ShowSwitches(m_ExpertMode, m_ShowVirtual, m_Notices.Enabled());
    SetCopyEnabled(false);
    ShowReport();
    m_View.SetPollTimer(false);
    Poll(true);
    m_View.SetPollTimer(true);
}

void TWindowPresenter::PollTimer() {
    m_View.SetPollTimer(false);
    Poll(false);
    m_View.SetPollTimer(true);
}

void TWindowPresenter::PollNow() {
    // An error stops polling for the rest of the run: the timer is not started again.
    try {
        PollTimer();
    } catch (const std::exception& e) {
        m_View.ShowError(Utf8ToUtf16(e.what()));
    } catch (...) {
        m_View.ShowError(std::u16string());
    }
}

void TWindowPresenter::Poll(bool first) {
    TPollFailures failures;
    m_LastPollStatus = m_ReadDevices(m_Devices, failures);
    std::string problem = m_LastPollStatus != ERROR_SUCCESS
                              ? DescribeNoAdapters(m_LastPollStatus, failures)
                              : failures.Text();
    if (problem != m_PollProblem) {
        // An emptied list asks for no report of its own: the reason must still be shown.
        m_PollProblem = std::move(problem);
        m_ReportPending = true;
    }
    const std::uint64_t nowMs = MonotonicMs();
    m_TrafficHistory.Record(m_Devices, nowMs);
    NotifyLinkChanges(m_LinkEvents.Record(m_Devices, std::chrono::system_clock::now()), nowMs);
    if (first) {
        SyncItems();
        Select(FirstSelection());
    } else {
        SyncItems();
    }
    // The reselection asks for a new report; with no adapter left, the last one stays.
    if (m_Items.empty()) {
        SetCopyEnabled(false);
    }
}

void TWindowPresenter::SyncItems() {
    // Sets of interface indexes keep the reconcile linear in the number of adapters. What is
    // not shown is simply not in the list, so the selection rule sees only what is.
    std::unordered_map<std::uint32_t, const TModelNetworkDevice*> shown;
    for (const auto& device : m_Devices) {
        if (IsAdapterShown(*device, m_ShowVirtual)) {
            // Devices that share an index (a library may answer so) share the first's item.
            shown.try_emplace(device->GetIfIndex(), device.get());
        }
    }
    m_View.BeginListUpdate();
    for (int i = static_cast<int>(m_Items.size()) - 1; i >= 0; --i) {
        const auto found = shown.find(m_Items[static_cast<std::size_t>(i)].first);
        if (found == shown.end()) {
            m_Items.erase(m_Items.begin() + i);
            m_View.RemoveItem(i);
        } else if (found->second->m_FriendlyName != m_Items[static_cast<std::size_t>(i)].second) {
            // A renamed link, or a new alias: the list says what the report says.
            m_Items[static_cast<std::size_t>(i)].second = found->second->m_FriendlyName;
            m_View.SetItemCaption(i, found->second->m_FriendlyName);
        }
    }
    std::unordered_set<std::uint32_t> listed;
    for (const auto& item : m_Items) {
        listed.insert(item.first);
    }
    for (const auto& device : m_Devices) {
        if (IsAdapterShown(*device, m_ShowVirtual) && listed.insert(device->GetIfIndex()).second) {
            TAdapterItem item{device->GetIfIndex(), device->m_FriendlyName,
                              GetStatusImageIndex(device.get()), GetStatusText(*device)};
            m_Items.emplace_back(item.IfIndex, item.Caption);
            m_View.InsertItem(static_cast<int>(m_Items.size()) - 1, item);
        }
    }
    m_View.EndListUpdate();

    // The selection stays at its position; past the end it goes back to the top, except that
    // the last item's removal selects the one before it.
    const int count = static_cast<int>(m_Items.size());
    if (m_Position > count || m_Position < 0) {
        m_Position = 0;
    }
    if (count > 0) {
        Select(std::min(m_Position, count - 1));
    } else {
        m_SelectedPosition = -1;
    }
}

int TWindowPresenter::FirstSelection() const {
    // One map, so that start-up with hundreds of adapters stays linear.
    std::unordered_map<std::uint32_t, const TModelNetworkDevice*> byIndex;
    for (const auto& device : m_Devices) {
        byIndex.try_emplace(device->GetIfIndex(), device.get());
    }
    const auto firstWhere = [&](auto&& rule) {
        for (std::size_t i = 0; i < m_Items.size(); ++i) {
            const auto found = byIndex.find(m_Items[i].first);
            if (found != byIndex.end() && rule(*found->second)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    const std::u16string remembered = m_Choices.SelectedAdapter();
    for (int position :
         {remembered.empty() ? -1 : firstWhere([&](const auto& d) {
              return d.m_AdapterName == remembered;
          }),
          firstWhere(HoldsIpv4DefaultRoute), firstWhere([](const TModelNetworkDevice& d) {
              return d.m_HardwareInterface && d.m_OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL;
          })}) {
        if (position >= 0) {
            return position;
        }
    }
    return 0;
}

void TWindowPresenter::Select(int position, bool tellView) {
    if (position < 0 || position >= static_cast<int>(m_Items.size())) {
        return;
    }
    m_Position = m_SelectedPosition = position;
    m_SelectedIfIndex = m_Items[static_cast<std::size_t>(position)].first;
    m_ReportPending = true;
    if (tellView) {
        m_Selecting = true;
        m_View.SelectItem(position);
        m_Selecting = false;
    }
}

void TWindowPresenter::ItemSelected(int position) {
    if (m_Selecting || position < 0 || position >= static_cast<int>(m_Items.size())) {
        return;
    }
    Select(position, false);
    if (const TModelNetworkDevice* device = FindShownDevice(m_SelectedIfIndex)) {
        m_Choices.SetSelectedAdapter(device->m_AdapterName);
        ChoiceWritten();
    }
}

void TWindowPresenter::ChoiceWritten() {
    if (m_Choices.WriteProblem() != m_ShownChoiceProblem) {
        m_ReportPending = true;
    }
}

void TWindowPresenter::SetExpertMode(bool on) {
    m_ExpertMode = on;
    m_Choices.Set(kExpertMode, on);
    m_ReportPending = true;
}

void TWindowPresenter::SetShowVirtual(bool on) {
    m_ShowVirtual = on;
    m_Choices.Set(kShowVirtualAdapters, on);
    // A hidden selection's report goes with it (the lookup finds shown devices only), so an
    // emptied list shows the no-device report.
    SyncItems();
    if (m_Items.empty()) {
        SetCopyEnabled(false);
    }
    m_ReportPending = true;
}

void TWindowPresenter::SetNotifyOnLinkChanges(bool on) {
    if (on == m_Notices.Enabled()) {
        return;
    }
    m_Notices.SetEnabled(on);
    m_Choices.Set(kNotifyOnLinkChanges, on);
    ChoiceWritten();
    m_View.ShowSwitches(m_ExpertMode, m_ShowVirtual, on);
}

void TWindowPresenter::NotifyLinkChanges(const std::vector<TRecordedLinkEvent>& events,
                                         std::uint64_t nowMs) {
    for (const TRecordedLinkEvent& e : events) {
        // Where the user is looking at the adapter, the report already says it.
        const bool seen = e.IfIndex == m_SelectedIfIndex && m_View.IsInFront();
        if (m_Notices.Admit(e, seen, nowMs)) {
            m_View.ShowNotice(e.Caption, GetStatusText(e.Event.NewStatus, e.Event.Type));
        }
    }
}

const TModelNetworkDevice* TWindowPresenter::FindShownDevice(std::uint32_t ifIndex) const {
    for (const auto& device : m_Devices) {
        if (device->GetIfIndex() == ifIndex && IsAdapterShown(*device, m_ShowVirtual)) {
            return device.get();
        }
    }
    return nullptr;
}

TReportEvents TWindowPresenter::EventsOf(const TModelNetworkDevice* device) const {
    return {device != nullptr ? m_LinkEvents.Find(*device) : nullptr,
            std::chrono::system_clock::now()};
}

void TWindowPresenter::Idle() {
    if (!m_ReportPending) {
        return;
    }
    m_ReportPending = false;
    try {
        ShowReport();
    } catch (...) {
        // The next poll asks for a new rebuild; nothing is shown to the user.
    }
}

void TWindowPresenter::ShowReport() {
    const TModelNetworkDevice* device = FindShownDevice(m_SelectedIfIndex);
    const TTrafficTrack* track = device != nullptr ? m_TrafficHistory.Find(*device) : nullptr;
    const TTrafficRate latest = track != nullptr ? track->Latest() : TTrafficRate{};
    const TReportEvents events = EventsOf(device);
    const TReportExtras extras{track != nullptr ? &latest : nullptr, &events};
    TLineList lines;
    if (m_ExpertMode) {
        BuildExpertReportMarkup(&lines, device, extras);
    } else {
        BuildReportMarkup(&lines, device, extras);
    }
    // Without this, a broken or missing provider, or a poll whose calls failed, reads like a
    // machine without adapters.
    std::string problem = IpHelperProblem();
    // A library that lacks what a poll needs answers 50, and IpHelperProblem says which.
    if (!m_PollProblem.empty() && (m_LastPollStatus != ERROR_NOT_SUPPORTED || problem.empty())) {
        problem += (problem.empty() ? "" : "; ") + m_PollProblem;
    }
    std::u16string line = Utf8ToUtf16(problem);
    // Said once, however many choices were refused.
    m_ShownChoiceProblem = m_Choices.WriteProblem();
    if (!m_ShownChoiceProblem.empty()) {
        line += (line.empty() ? u"" : u"; ") + m_ShownChoiceProblem;
    }
    if (!line.empty()) {
        BuildProblemMarkup(&lines, line);
    }
    m_View.ShowReport(lines, track, device != nullptr);
    m_View.SetTrayPicture(GetStatusImageIndex(device));
    m_View.SetTrayHint(TrayHint(device, track));
    SetCopyEnabled(device != nullptr);
}

std::u16string TWindowPresenter::TrayHint(const TModelNetworkDevice* device,
                                          const TTrafficTrack* track) const {
    if (device == nullptr || track == nullptr) {
        return LANGUAGE::GetLangText(LANGUAGE::TextWindowCaption);
    }
    const TTrafficRate rate = track->Latest();
    return device->m_FriendlyName + u"\n" + LANGUAGE::GetLangText(LANGUAGE::TextReceiveRate) +
           u": " + GetRateText(rate.InBps) + u"\n" + LANGUAGE::GetLangText(LANGUAGE::TextSendRate) +
           u": " + GetRateText(rate.OutBps);
}

void TWindowPresenter::SetCopyEnabled(bool enabled) {
    m_CopyEnabled = enabled;
    m_View.EnableCopy(enabled);
}

std::u16string TWindowPresenter::CopyText() const {
    // With no adapter item selected there is nothing to look up: the no-device report.
    const TModelNetworkDevice* device =
        m_SelectedPosition >= 0 ? FindShownDevice(m_SelectedIfIndex) : nullptr;
    TLineList lines;
    if (m_ExpertMode) {
        const TTrafficTrack* track = device != nullptr ? m_TrafficHistory.Find(*device) : nullptr;
        const TTrafficRate latest = track != nullptr ? track->Latest() : TTrafficRate{};
        const TReportEvents events = EventsOf(device);
        BuildExpertReportText(&lines, device, {track != nullptr ? &latest : nullptr, &events});
    } else {
        BuildReportText(&lines, device);
    }
    return JoinClipboardText(lines);
}

void TWindowPresenter::Copy() {
    SetCopyEnabled(false);
    std::u16string error;
    if (!m_View.PutOnClipboard(CopyText(), error)) {
        // Copy stays off until the next report build, so a refusal is not met with a retry.
        m_View.ShowError(error);
        return;
    }
    SetCopyEnabled(true);
}

std::vector<TWindowPresenter::TLanguageMenuEntry> TWindowPresenter::LanguageMenuEntries() const {
    std::vector<TLanguageMenuEntry> entries;
    const LANGUAGE::TLangStrings* strings = LANGUAGE::LangStrings.get();
    const int count = strings != nullptr ? strings->GetLanguageCount() : 0;
    // A section without a name would be a blank item: its texts serve a matching user-interface
    // language, but it cannot be chosen.
    for (int i = 0; i < count && entries.size() < kLanguageMenuMaxItems; ++i) {
        if (!strings->GetLanguage(i)->m_Name.empty()) {
            entries.push_back({strings->GetLanguage(i)->m_Name, i});
        }
    }
    return entries;
}

void TWindowPresenter::ChooseLanguage(int index) {
    if (!LANGUAGE::LangStrings || index < 0 || index >= LANGUAGE::LangStrings->GetLanguageCount()) {
        return;
    }
    LANGUAGE::LangStrings->SelectLanguage(index);
    if (const LANGUAGE::TLang* chosen = LANGUAGE::LangStrings->GetLanguage(index)) {
        m_Choices.SetLanguage(chosen->m_Code);
    }
    m_ReportPending = true;
}

} // namespace qmr
