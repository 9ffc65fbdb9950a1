#pragma once
// What the window does, without a toolkit: it polls the adapters once a second (the view owns
// the timer), keeps the list in step with them by interface index, chooses the selection,
// rebuilds the report at the next idle moment after anything it shows changed, holds the expert,
// virtual and notify switches, makes the copy text, the tray picture and hint, and lets link
// notices through the gate. A view (Qt on Linux, Win32 on Windows) draws what it decides.

#include "network/adapter_poll.h"
#include "network/link_events.h"
#include "network/link_notice.h"
#include "network/traffic_rates.h"
#include "presenter/user_choices.h"
#include "presenter/window_view.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qmr {

class TWindowPresenter {
public:
    // Puts the machine's adapters in place of the list's devices (the last poll's, which it may
    // fill again), notes every call that failed, and returns the IP helper status.
    using TReadDevices = std::function<std::uint32_t(TDeviceList&, TPollFailures&)>;

    // `view` and `choices` outlive the presenter. Nothing is asked of the view yet.
    TWindowPresenter(TWindowView& view, TUserChoices& choices,
                     TReadDevices readDevices = TAdapterPoll());

    // The language chosen from the menu in an earlier run, where the catalogue still offers it;
    // it wins over the one start-up chose by the user-interface language.
    void ApplyRememberedLanguage();
    // The first poll and the first selection: the adapter selected in the last run, else the
    // one that holds the IPv4 default route, else the first Online hardware adapter, else the
    // first. An exception from the poll leaves, with the timer stopped.
    void Start();
    // The poll timer's tick: the timer is stopped while the poll runs and stays stopped when the
    // poll throws.
    void PollTimer();
    // A poll out of the timer's rhythm (F5); an error is shown, and polling stops with it.
    void PollNow();
    // The idle moment: rebuilds the report when a rebuild is pending. A failed rebuild waits for
    // the next poll.
    void Idle();
    // Something the report's look depends on changed (the style, the texts, the window's size).
    void InvalidateReport() { m_ReportPending = true; }
    bool ReportPending() const { return m_ReportPending; }

    // The user selected the item at `position`.
    void ItemSelected(int position);
    int SelectedPosition() const { return m_SelectedPosition; }
    std::uint32_t SelectedIfIndex() const { return m_SelectedIfIndex; }

    bool ExpertMode() const { return m_ExpertMode; }
    void SetExpertMode(bool on);
    bool ShowVirtual() const { return m_ShowVirtual; }
    // The list changes at once, not at the next poll.
    void SetShowVirtual(bool on);
    bool NotifyOnLinkChanges() const { return m_Notices.Enabled(); }
    void SetNotifyOnLinkChanges(bool on);

    // The selected adapter's plain-text report (the no-device report without one) on the
    // clipboard; a refusal is shown and leaves Copy off until the report is next rebuilt. Keys
    // that copy ask CopyEnabled first, as a button that is off cannot be clicked.
    void Copy();
    bool CopyEnabled() const { return m_CopyEnabled; }
    // The report that Copy puts on the clipboard: CR LF after every line.
    std::u16string CopyText() const;

    // The language menu: the catalogue's languages that have a name, at most
    // kLanguageMenuMaxItems, each with its index in the catalogue; choosing one (by that index)
    // selects it and remembers its code.
    struct TLanguageMenuEntry {
        std::u16string Name;
        int Index = 0;
        bool operator==(const TLanguageMenuEntry&) const = default;
    };
    std::vector<TLanguageMenuEntry> LanguageMenuEntries() const;
    void ChooseLanguage(int index);

    // The shown adapter of the last poll with this interface index, or null.
    const TModelNetworkDevice* FindShownDevice(std::uint32_t ifIndex) const;
    const TDeviceList& Devices() const { return m_Devices; }
    // The status of the last poll's reading, 0 when it succeeded.
    std::uint32_t LastPollStatus() const { return m_LastPollStatus; }

    static constexpr int kLanguageMenuMaxItems = 64;
    static constexpr int kPollIntervalMs = 1000;

private:
    TWindowView& m_View;
    TUserChoices& m_Choices;
    TReadDevices m_ReadDevices;

    TDeviceList m_Devices;
    std::uint32_t m_LastPollStatus = 0;
    // Why the last poll found no adapters, or which of its calls failed; empty when all answered.
    std::string m_PollProblem;
    // The refused choices' line as the report last showed it.
    std::u16string m_ShownChoiceProblem;
    // The list as the view shows it: interface index and caption of each item.
    std::vector<std::pair<std::uint32_t, std::u16string>> m_Items;
    int m_SelectedPosition = -1;
    // Where the selection goes back to at the next poll; kept when the list empties.
    int m_Position = 0;
    std::uint32_t m_SelectedIfIndex = 0;
    bool m_Selecting = false;
    bool m_ReportPending = false;
    bool m_CopyEnabled = false;
    bool m_ExpertMode;
    bool m_ShowVirtual;

    // What the window has shown of every adapter's rates (history, not a cache: each poll
    // still reads the machine afresh), and what changed on each while the window was open.
    TTrafficHistory m_TrafficHistory;
    TLinkEventHistory m_LinkEvents;
    TLinkNoticeGate m_Notices;

    void Poll(bool first);
    // Removes, renames and inserts items so that the list shows the shown devices in the
    // poll's order, then selects the item at the kept position.
    void SyncItems();
    // `tellView`: the selection is the presenter's own, not one the view reported.
    void Select(int position, bool tellView = true);
    int FirstSelection() const;
    void NotifyLinkChanges(const std::vector<TRecordedLinkEvent>& events, std::uint64_t nowMs);
    void ShowReport();
    // After a choice was stored: a refusal, or the end of one, changes the problem line.
    void ChoiceWritten();
    void SetCopyEnabled(bool enabled);
    TReportEvents EventsOf(const TModelNetworkDevice* device) const;
    std::u16string TrayHint(const TModelNetworkDevice* device, const TTrafficTrack* track) const;
};

} // namespace qmr
