#include "link_events.h"

#include <algorithm>
#include <bit>
#include <iterator>

namespace qmr {

namespace {

bool IsUnset(const std::u16string& address) {
    return address.empty() || address == u"0.0.0.0";
}

// "255.255.255.0" as 24; -1 for text that is not a dotted mask of one run of ones.
int PrefixLengthOfMask(const std::u16string& mask) {
    std::uint32_t bits = 0;
    int parts = 0;
    std::uint32_t part = 0;
    int digits = 0;
    for (std::size_t i = 0; i <= mask.size(); ++i) {
        if (i == mask.size() || mask[i] == u'.') {
            if (digits == 0 || part > 255) {
                return -1;
            }
            bits = (bits << 8) | part;
            ++parts;
            part = 0;
            digits = 0;
        } else if (mask[i] >= u'0' && mask[i] <= u'9' && digits < 3) {
            part = part * 10 + static_cast<std::uint32_t>(mask[i] - u'0');
            ++digits;
        } else {
            return -1;
        }
    }
    const int ones = std::countl_one(bits);
    if (parts != 4 || std::countr_zero(bits) + ones < 32) {
        return -1;
    }
    return ones;
}

void AppendNumber(std::u16string& text, int n) {
    const std::size_t at = text.size();
    do {
        text.insert(text.begin() + static_cast<std::ptrdiff_t>(at),
                    static_cast<char16_t>(u'0' + n % 10));
        n /= 10;
    } while (n > 0);
}

const TModelNetworkDevice::TAddressList& EntriesOf(
    const std::unique_ptr<TModelNetworkDevice::TAddressList>& list) {
    static const TModelNetworkDevice::TAddressList kNone;
    return list ? *list : kNone;
}

// Sets a list to the texts taken from it in turn, writing into the strings it already holds:
// a link's facts are taken at every poll and mostly come out as they were, so a kept list's
// storage serves again instead of every text being allocated anew.
class TTextListWriter {
public:
    explicit TTextListWriter(std::vector<std::u16string>& list) : m_List(list) {}
    ~TTextListWriter() { m_List.resize(m_Used); }
    TTextListWriter(const TTextListWriter&) = delete;
    TTextListWriter& operator=(const TTextListWriter&) = delete;

    // The next text, emptied.
    std::u16string& Next() {
        if (m_Used == m_List.size()) {
            m_List.emplace_back();
        }
        std::u16string& text = m_List[m_Used++];
        text.clear();
        return text;
    }
    void AddIfSet(const std::u16string& address) {
        if (!IsUnset(address)) {
            Next() = address;
        }
    }

private:
    std::vector<std::u16string>& m_List;
    std::size_t m_Used = 0;
};

// One event per entry of `from` that `to` lacks, in `from`'s order.
void AddMissing(const std::vector<std::u16string>& from, const std::vector<std::u16string>& to,
                TLinkEventKind kind, TWallTime time, std::vector<TLinkEvent>& events) {
    for (const std::u16string& value : from) {
        if (std::find(to.begin(), to.end(), value) == to.end()) {
            TLinkEvent event = MakeLinkEvent(kind, time);
            event.NewValues = {value};
            events.push_back(std::move(event));
        }
    }
}

void AddListChange(const std::vector<std::u16string>& before,
                   const std::vector<std::u16string>& after, TLinkEventKind kind, TWallTime time,
                   std::vector<TLinkEvent>& events) {
    if (before != after) {
        TLinkEvent event = MakeLinkEvent(kind, time);
        event.OldValues = before;
        event.NewValues = after;
        events.push_back(std::move(event));
    }
}

} // namespace

TLinkFacts TakeLinkFacts(const TModelNetworkDevice& device) {
    TLinkFacts facts;
    TakeLinkFacts(device, facts);
    return facts;
}

void TakeLinkFacts(const TModelNetworkDevice& device, TLinkFacts& facts) {
    facts.OperStatus = device.m_OperStatus;
    facts.Type = device.m_Type;
    facts.Speed = device.m_Speed;
    {
        TTextListWriter ipv4(facts.Ipv4);
        for (const auto& entry : EntriesOf(device.m_IpAddressList)) {
            if (IsUnset(entry.IpAddress)) {
                continue;
            }
            std::u16string& text = ipv4.Next();
            text = entry.IpAddress;
            text += u'/';
            if (const int prefix = PrefixLengthOfMask(entry.IpMask); prefix >= 0) {
                AppendNumber(text, prefix);
            } else {
                text += entry.IpMask;
            }
        }
    }
    {
        TTextListWriter ipv6(facts.Ipv6);
        for (const TIpv6Address& address : device.m_Ipv6.Addresses) {
            std::u16string& text = ipv6.Next();
            text = address.Text;
            text += u'/';
            AppendNumber(text, address.PrefixLength);
        }
    }
    {
        TTextListWriter gateways(facts.Gateways);
        for (const auto& entry : EntriesOf(device.m_GatewayList)) {
            gateways.AddIfSet(entry.IpAddress);
        }
        for (const std::u16string& gateway : device.m_Ipv6.Gateways) {
            gateways.AddIfSet(gateway);
        }
    }
    TTextListWriter servers(facts.DnsServers);
    for (const auto& entry : EntriesOf(device.m_DnsServerList)) {
        servers.AddIfSet(entry.IpAddress);
    }
    for (const std::u16string& server : device.m_Ipv6.DnsServers) {
        servers.AddIfSet(server);
    }
}

void DeriveLinkEvents(const TLinkFacts& before, const TLinkFacts& after, TWallTime time,
                      std::vector<TLinkEvent>& events) {
    if (before.OperStatus != after.OperStatus) {
        TLinkEvent event = MakeLinkEvent(TLinkEventKind::StatusChanged, time);
        event.OldStatus = before.OperStatus;
        event.NewStatus = after.OperStatus;
        event.Type = after.Type;
        events.push_back(std::move(event));
    }
    AddMissing(before.Ipv4, after.Ipv4, TLinkEventKind::Ipv4Removed, time, events);
    AddMissing(after.Ipv4, before.Ipv4, TLinkEventKind::Ipv4Added, time, events);
    AddMissing(before.Ipv6, after.Ipv6, TLinkEventKind::Ipv6Removed, time, events);
    AddMissing(after.Ipv6, before.Ipv6, TLinkEventKind::Ipv6Added, time, events);
    AddListChange(before.Gateways, after.Gateways, TLinkEventKind::GatewaysChanged, time, events);
    AddListChange(before.DnsServers, after.DnsServers, TLinkEventKind::DnsChanged, time, events);
    if (before.Speed != after.Speed) {
        TLinkEvent event = MakeLinkEvent(TLinkEventKind::SpeedChanged, time);
        event.OldSpeed = before.Speed;
        event.NewSpeed = after.Speed;
        events.push_back(std::move(event));
    }
}

bool IsOnlineStatus(std::uint32_t operStatus) {
    return operStatus >= MIB_IF_OPER_STATUS_OPERATIONAL;
}

void TLinkEventHistory::Add(const TKey& key, TTrack& track, TLinkEvent event) {
    m_Latest.push_back({key.first, key.second, track.Caption, track.Hardware, event});
    track.Events.push_back(std::move(event));
    if (track.Events.size() > kCapacity) {
        track.Events.pop_front();
    }
}

const std::vector<TRecordedLinkEvent>& TLinkEventHistory::Record(const TDeviceList& devices,
                                                                 TWallTime now) {
    const bool first = m_Generation == 0;
    ++m_Generation;
    m_Latest.clear();
    std::vector<TLinkEvent> events;
    for (const auto& device : devices) {
        const TKey key{device->GetIfIndex(), device->m_AdapterName};
        TTrack& track = m_Tracks[key];
        if (track.Generation == m_Generation) {
            continue; // devices that share index and name (failed rows) share the first's track
        }
        const bool known = track.Generation != 0;
        track.Generation = m_Generation;
        track.Caption = device->m_FriendlyName;
        track.Hardware = device->m_HardwareInterface;
        TakeLinkFacts(*device, m_Facts);
        if (known && track.Present) {
            events.clear();
            DeriveLinkEvents(track.Facts, m_Facts, now, events);
            for (TLinkEvent& event : events) {
                Add(key, track, std::move(event));
            }
        } else if (!first) {
            Add(key, track, MakeLinkEvent(TLinkEventKind::Appeared, now));
        }
        // The track's last facts are the next device's to write over.
        std::swap(track.Facts, m_Facts);
        track.Present = true;
    }
    for (auto it = m_Tracks.begin(); it != m_Tracks.end();) {
        TTrack& track = it->second;
        if (track.Generation != m_Generation && track.Present) {
            track.Present = false;
            track.VanishedAt = now;
            Add(it->first, track, MakeLinkEvent(TLinkEventKind::Vanished, now));
        }
        const bool expired = !track.Present && now - track.VanishedAt >= kVanishedKeep;
        it = expired ? m_Tracks.erase(it) : std::next(it);
    }
    return m_Latest;
}

const std::deque<TLinkEvent>* TLinkEventHistory::Find(const TModelNetworkDevice& device) const {
    const auto it = m_Tracks.find({device.GetIfIndex(), device.m_AdapterName});
    return it != m_Tracks.end() ? &it->second.Events : nullptr;
}

} // namespace qmr
