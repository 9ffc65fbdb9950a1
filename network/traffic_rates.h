#pragma once
// Receive and send rates from the counters that every poll reads anyway, and the last two
// minutes of them per adapter. The history is what the window has shown, not a cache: every
// poll still reads the machine afresh (design decision 6).

#include "network/adapter_poll.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace qmr {

// One reading of an adapter's octet counters at a moment of the monotonic clock.
struct TTrafficSample {
    std::uint64_t InOctets = 0;
    std::uint64_t OutOctets = 0;
    std::uint64_t TimeMs = 0;
    // Counters of the 32-bit row wrap at 2^32; those of the 64-bit row never do in practice.
    bool Counters32Bit = false;
};

// Bits per second.
struct TTrafficRate {
    double InBps = 0;
    double OutBps = 0;
};

// Polls further apart than this say nothing about the traffic in between.
inline constexpr std::uint64_t kTrafficGapMs = 5000;
// A point stands for about a second; a poll sooner than this after an adapter's last point
// (an extra poll between two ticks) adds none, so that 120 points stay two minutes.
inline constexpr std::uint64_t kTrafficMinIntervalMs = 500;

// The rate between two samples; false when the rate must start afresh instead: a counter went
// backwards (the link was re-created or its driver reset), the samples lie more than
// kTrafficGapMs apart, or the clock did not advance. A 32-bit counter that is lower than before
// has wrapped when the wrapped difference is below half its range, and was reset otherwise.
bool ComputeTrafficRate(const TTrafficSample& previous, const TTrafficSample& current,
                        TTrafficRate& rate);

// The rates of one adapter, one point a poll, oldest first; a fixed ring, so that recording a
// point allocates nothing.
class TTrafficTrack {
public:
    static constexpr int kCapacity = 120;

    int Count() const { return m_Count; }
    // Point `i`, 0 the oldest, Count() - 1 the latest.
    const TTrafficRate& Point(int i) const;
    // The latest rate; zero before the first point.
    TTrafficRate Latest() const;

private:
    friend class TTrafficHistory;
    void Add(const TTrafficSample& sample);

    std::array<TTrafficRate, kCapacity> m_Points{};
    int m_First = 0;
    int m_Count = 0;
    bool m_HaveSample = false;
    TTrafficSample m_Sample;
    std::u16string m_Name;
    std::uint64_t m_Generation = 0;
};

// The tracks of the adapters of the last poll, keyed by interface index and adapter name: a
// link that is renamed, or whose index is taken by another, starts afresh.
class TTrafficHistory {
public:
    // Adds one point to the track of every device (see kTrafficMinIntervalMs), starting tracks for
    // new ones, and drops the tracks of adapters that are no longer there. `nowMs` is the monotonic
    // time of the poll.
    void Record(const TDeviceList& devices, std::uint64_t nowMs);
    // The device's track, or null when the device was not in the last recorded poll.
    const TTrafficTrack* Find(const TModelNetworkDevice& device) const;
    std::size_t Size() const { return m_Tracks.size(); }

private:
    std::unordered_map<std::uint32_t, TTrafficTrack> m_Tracks;
    std::uint64_t m_Generation = 0;
};

} // namespace qmr
