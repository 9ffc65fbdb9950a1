#include "link_notice.h"

namespace qmr {

bool TLinkNoticeGate::Admit(const TRecordedLinkEvent& event, bool shownInActiveWindow,
                            std::uint64_t nowMs) {
    const TLinkEvent& e = event.Event;
    if (!m_Enabled || !event.Hardware || e.Kind != TLinkEventKind::StatusChanged ||
        IsOnlineStatus(e.OldStatus) == IsOnlineStatus(e.NewStatus) || shownInActiveWindow) {
        return false;
    }
    // Notices older than the interval hold nothing back; dropping them keeps the map as small
    // as the adapters that flapped lately, whatever comes and goes.
    std::erase_if(m_LastNotice, [nowMs](const auto& entry) {
        return nowMs - entry.second >= kLinkNoticeIntervalMs;
    });
    return m_LastNotice.try_emplace({event.IfIndex, event.AdapterName}, nowMs).second;
}

} // namespace qmr
