#pragma once
// Whether a status change deserves a desktop notice: only a hardware adapter going from Online to
// anything else or back, not while the window is active and shows it, and at most one a
// kLinkNoticeIntervalMs per adapter, so that a flapping cable does not bury the desktop.

#include "network/link_events.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace qmr {

inline constexpr std::uint64_t kLinkNoticeIntervalMs = 10000;

class TLinkNoticeGate {
public:
    // Off: no notice at all.
    void SetEnabled(bool enabled) { m_Enabled = enabled; }
    bool Enabled() const { return m_Enabled; }

    // Whether `event` is to be shown now; `nowMs` is monotonic time, `shownInActiveWindow` says
    // the window is active and shows the event's adapter. A notice that is let through counts
    // towards the interval; one that is held back does not.
    bool Admit(const TRecordedLinkEvent& event, bool shownInActiveWindow, std::uint64_t nowMs);

private:
    bool m_Enabled = true;
    std::map<std::pair<std::uint32_t, std::u16string>, std::uint64_t> m_LastNotice;
};

} // namespace qmr
