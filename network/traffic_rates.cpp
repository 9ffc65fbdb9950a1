#include "traffic_rates.h"

#include <iterator>

namespace qmr {

namespace {

constexpr std::uint64_t kRange32 = std::uint64_t{1} << 32;

// The octets counted between two readings of one counter; false when it was reset.
bool CountedOctets(std::uint64_t before, std::uint64_t after, bool counters32Bit,
                   std::uint64_t& octets) {
    if (after >= before) {
        octets = after - before;
        return true;
    }
    if (!counters32Bit || before >= kRange32 || after >= kRange32) {
        return false;
    }
    octets = after + kRange32 - before;
    return octets < kRange32 / 2;
}

} // namespace

bool ComputeTrafficRate(const TTrafficSample& previous, const TTrafficSample& current,
                        TTrafficRate& rate) {
    if (current.TimeMs <= previous.TimeMs || current.TimeMs - previous.TimeMs > kTrafficGapMs ||
        current.Counters32Bit != previous.Counters32Bit) {
        return false;
    }
    std::uint64_t in = 0;
    std::uint64_t out = 0;
    if (!CountedOctets(previous.InOctets, current.InOctets, current.Counters32Bit, in) ||
        !CountedOctets(previous.OutOctets, current.OutOctets, current.Counters32Bit, out)) {
        return false;
    }
    const double seconds = static_cast<double>(current.TimeMs - previous.TimeMs) / 1000.0;
    rate.InBps = static_cast<double>(in) * 8.0 / seconds;
    rate.OutBps = static_cast<double>(out) * 8.0 / seconds;
    return true;
}

const TTrafficRate& TTrafficTrack::Point(int i) const {
    return m_Points[static_cast<std::size_t>((m_First + i) % kCapacity)];
}

TTrafficRate TTrafficTrack::Latest() const {
    return m_Count > 0 ? Point(m_Count - 1) : TTrafficRate{};
}

void TTrafficTrack::Add(const TTrafficSample& sample) {
    // A rate that starts afresh shows as zero for this poll.
    TTrafficRate rate;
    if (!m_HaveSample || !ComputeTrafficRate(m_Sample, sample, rate)) {
        rate = {};
    }
    m_Sample = sample;
    m_HaveSample = true;
    if (m_Count < kCapacity) {
        m_Points[static_cast<std::size_t>((m_First + m_Count) % kCapacity)] = rate;
        ++m_Count;
    } else {
        m_Points[static_cast<std::size_t>(m_First)] = rate;
        m_First = (m_First + 1) % kCapacity;
    }
}

void TTrafficHistory::Record(const TDeviceList& devices, std::uint64_t nowMs) {
    ++m_Generation;
    for (const auto& device : devices) {
        TTrafficTrack& track = m_Tracks[device->GetIfIndex()];
        if (track.m_Generation == m_Generation) {
            continue; // devices that share an index (failed rows) share the first's track
        }
        if (track.m_HaveSample && track.m_Name != device->m_AdapterName) {
            track = TTrafficTrack{};
        }
        if (!track.m_HaveSample) {
            track.m_Name = device->m_AdapterName;
        }
        track.m_Generation = m_Generation;
        if (track.m_HaveSample && nowMs >= track.m_Sample.TimeMs &&
            nowMs - track.m_Sample.TimeMs < kTrafficMinIntervalMs) {
            continue;
        }
        track.Add({device->m_InOctets, device->m_OutOctets, nowMs, device->m_Counters32Bit});
    }
    for (auto it = m_Tracks.begin(); it != m_Tracks.end();) {
        it = it->second.m_Generation == m_Generation ? std::next(it) : m_Tracks.erase(it);
    }
}

const TTrafficTrack* TTrafficHistory::Find(const TModelNetworkDevice& device) const {
    const auto it = m_Tracks.find(device.GetIfIndex());
    if (it == m_Tracks.end() || it->second.m_Name != device.m_AdapterName) {
        return nullptr;
    }
    return &it->second;
}

} // namespace qmr
