#pragma once
// What happened to each adapter while the window was open: the differences between two
// consecutive polls of one adapter, kept per adapter and bounded. The events are what the window
// has seen, never a stand-in for a fresh reading (design decision 6); a change that came and went
// between two polls is not seen at all.

#include "network/adapter_poll.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qmr {

using TWallTime = std::chrono::system_clock::time_point;

// The facts of one adapter that events are made of, from one poll.
struct TLinkFacts {
    std::uint32_t OperStatus = 0;
    // The adapter type, which the status text depends on.
    std::uint32_t Type = 0;
    // "10.20.30.6/24"; a mask that is not a prefix stays as "10.20.30.6/255.0.255.0".
    std::vector<std::u16string> Ipv4;
    // "2001:db8::5/64".
    std::vector<std::u16string> Ipv6;
    // IPv4 gateways, then IPv6 routers.
    std::vector<std::u16string> Gateways;
    // IPv4 servers, then IPv6 ones.
    std::vector<std::u16string> DnsServers;
    std::uint64_t Speed = 0;
};

// The facts of `device`; unset addresses ("0.0.0.0", empty) are left out.
TLinkFacts TakeLinkFacts(const TModelNetworkDevice& device);
// The same into `facts`, whose strings are written over rather than allocated anew.
void TakeLinkFacts(const TModelNetworkDevice& device, TLinkFacts& facts);

enum class TLinkEventKind {
    StatusChanged,
    Ipv4Added,
    Ipv4Removed,
    Ipv6Added,
    Ipv6Removed,
    GatewaysChanged,
    DnsChanged,
    SpeedChanged,
    Appeared,
    Vanished,
};

// Kinds and values only: the report makes the words in the language current when it is built.
struct TLinkEvent {
    TLinkEventKind Kind = TLinkEventKind::StatusChanged;
    TWallTime Time;
    // StatusChanged: operational states, with the adapter type that names them.
    std::uint32_t OldStatus = 0;
    std::uint32_t NewStatus = 0;
    std::uint32_t Type = 0;
    // SpeedChanged, in bits per second.
    std::uint64_t OldSpeed = 0;
    std::uint64_t NewSpeed = 0;
    // The address of an added or removed one; the lists before and after for gateways and DNS.
    std::vector<std::u16string> OldValues;
    std::vector<std::u16string> NewValues;
};

inline TLinkEvent MakeLinkEvent(TLinkEventKind kind, TWallTime time) {
    TLinkEvent event;
    event.Kind = kind;
    event.Time = time;
    return event;
}

// Appends to `events` what changed between two polls of one adapter, stamped `time`: in the
// order status, IPv4 removed and added, IPv6 removed and added, gateways, DNS, speed. Counters
// and facts not in TLinkFacts make no event.
void DeriveLinkEvents(const TLinkFacts& before, const TLinkFacts& after, TWallTime time,
                      std::vector<TLinkEvent>& events);

// The status is "Online" (operational, or beyond what a library is known to report).
bool IsOnlineStatus(std::uint32_t operStatus);

// One event of the latest poll, with what a notice needs to know of its adapter.
struct TRecordedLinkEvent {
    std::uint32_t IfIndex = 0;
    std::u16string AdapterName;
    std::u16string Caption;
    bool Hardware = false;
    TLinkEvent Event;
};

// The events of every adapter, keyed by interface index and adapter name, so that a link that is
// renamed or whose index is reused starts a history of its own.
class TLinkEventHistory {
public:
    static constexpr std::size_t kCapacity = 100;
    // A vanished adapter's events stay this long, so that its "vanished" can still be read.
    static constexpr std::chrono::minutes kVanishedKeep{10};

    // Compares every device with its previous poll and records what changed. The first call
    // records no "appeared": the adapters were there before the window. Returns the events of
    // this poll.
    const std::vector<TRecordedLinkEvent>& Record(const TDeviceList& devices, TWallTime now);
    // The device's events, oldest first; null when none were ever recorded for it.
    const std::deque<TLinkEvent>* Find(const TModelNetworkDevice& device) const;
    // Adapters with a history, vanished ones within kVanishedKeep included.
    std::size_t Size() const { return m_Tracks.size(); }

private:
    struct TTrack {
        TLinkFacts Facts;
        std::u16string Caption;
        bool Hardware = false;
        std::deque<TLinkEvent> Events;
        bool Present = false;
        TWallTime VanishedAt;
        std::uint64_t Generation = 0;
    };
    using TKey = std::pair<std::uint32_t, std::u16string>;

    void Add(const TKey& key, TTrack& track, TLinkEvent event);

    std::map<TKey, TTrack> m_Tracks;
    std::vector<TRecordedLinkEvent> m_Latest;
    // Where each poll's facts of a device are taken before they are compared with its track's.
    TLinkFacts m_Facts;
    std::uint64_t m_Generation = 0;
};

} // namespace qmr
