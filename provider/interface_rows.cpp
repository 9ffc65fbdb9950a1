#include "interface_rows.h"

#include "base/utf16_text.h"
#include "provider/interface_guid.h"
#include "provider/interface_ioctls.h"
#include "provider/link_speeds.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <linux/if.h>
#include <linux/if_arp.h>

namespace qmr {

namespace {

// NDIS_MEDIUM, NDIS_PHYSICAL_MEDIUM, NET_IF_ACCESS_TYPE, TUNNEL_TYPE and NET_IF_CONNECTION_TYPE
// values of the 64-bit row.
constexpr int kMedium8023 = 0;
constexpr int kMediumWan = 3;
constexpr int kMediumTunnel = 15;
constexpr int kMediumNative80211 = 16;
constexpr int kMediumLoopback = 17;
constexpr int kMediumIp = 19;
constexpr int kPhysicalUnspecified = 0;
constexpr int kPhysicalNative80211 = 9;
constexpr int kPhysical8023 = 14;
constexpr int kAccessLoopback = 1;
constexpr int kAccessBroadcast = 2;
constexpr int kAccessPointToPoint = 3;
constexpr int kAccessPointToMultiPoint = 4;
constexpr int kTunnelOther = 1;
constexpr int kConnectionDedicated = 1;

DWORD Saturated32(std::uint64_t value) {
    return static_cast<DWORD>(std::min<std::uint64_t>(value, 0xFFFFFFFFu));
}

std::uint64_t UnicastReceived(const TLinkStatistics& s) {
    return s.RxPackets >= s.RxMulticast ? s.RxPackets - s.RxMulticast : 0;
}

// Copies at most capacity - 1 code units and a terminating zero, never splitting a pair.
void CopyWideText(const std::string& utf8, WCHAR* field, std::size_t capacity) {
    const std::u16string text = Utf8ToUtf16(utf8);
    std::size_t length = std::min(text.size(), capacity - 1);
    if (length > 0 && length < text.size() && text[length - 1] >= 0xD800 &&
        text[length - 1] <= 0xDBFF) {
        --length;
    }
    std::fill(field, field + capacity, u'\0');
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), field);
}

int MediumOf(UINT type) {
    switch (type) {
    case MIB_IF_TYPE_ETHERNET:
        return kMedium8023;
    case IF_TYPE_IEEE80211:
        return kMediumNative80211;
    case MIB_IF_TYPE_LOOPBACK:
        return kMediumLoopback;
    case IF_TYPE_TUNNEL:
        return kMediumTunnel;
    case MIB_IF_TYPE_PPP:
        return kMediumWan;
    default:
        return kMediumIp;
    }
}

int AccessOf(unsigned flags) {
    if (flags & IFF_LOOPBACK) {
        return kAccessLoopback;
    }
    if (flags & IFF_POINTOPOINT) {
        return kAccessPointToPoint;
    }
    return (flags & IFF_BROADCAST) ? kAccessBroadcast : kAccessPointToMultiPoint;
}

// What the driver adds to the kernel's facts of a link.
TInterfaceFacts CompleteInterfaceFacts(int descriptor, TLinkFacts link, THardwareNames& names,
                                       TNl80211Socket& radios, TLinkSpeeds& speeds,
                                       bool withPermanentAddress, TLinkIdentityCache* cache) {
    TInterfaceFacts facts;
    facts.Link = std::move(link);
    facts.Identity = IdentifyLink(cache, descriptor, facts.Link, names);
    if (facts.Link.Flags & IFF_UP) {
        facts.Speed = speeds.Of(facts.Link);
        // Wireless drivers do not answer ethtool's question; only they are asked nl80211's.
        if (facts.Identity.Type == IF_TYPE_IEEE80211) {
            facts.Radio = radios.Ask(facts.Link.Index);
            if (facts.Speed == 0) {
                facts.Speed =
                    WirelessSpeed(facts.Radio, &ReadWirelessRate, descriptor, facts.Link.Name);
            }
        }
    }
    if (withPermanentAddress) {
        if (facts.Link.PermanentAddressTold) {
            facts.PermanentAddress = facts.Link.PermanentAddress;
        } else if (cache != nullptr) {
            facts.PermanentAddress = cache->PermanentAddress(
                facts.Link, [&] { return ReadPermanentAddress(descriptor, facts.Link.Name); });
        } else {
            facts.PermanentAddress = ReadPermanentAddress(descriptor, facts.Link.Name);
        }
    }
    return facts;
}

} // namespace

std::uint64_t WirelessSpeed(const std::optional<TWirelessFacts>& radio,
                            std::uint64_t (*extensionsRate)(int, const std::string&),
                            int descriptor, const std::string& name) {
    if (radio && !radio->Associated) {
        return 0;
    }
    if (radio && radio->TxBitrate != 0) {
        return radio->TxBitrate;
    }
    return extensionsRate(descriptor, name);
}

std::optional<TInterfaceFacts> ReadInterfaceFacts(const TKernelView& kernel, std::uint32_t index,
                                                  bool withPermanentAddress) {
    const TMirroredLink* kept = kernel.Mirror.Find(index);
    std::optional<TLinkStatistics> counters;
    if (kept != nullptr) {
        counters = kernel.Socket.ReadLinkCounters(index);
    }
    if (!counters) {
        if (kernel.Identities != nullptr) {
            kernel.Identities->Forget(index);
        }
        return std::nullopt;
    }
    TLinkFacts link = kept->Facts;
    link.Statistics = *counters;
    link.StatisticsTold = true;
    THardwareNames names;
    TNl80211Socket radios;
    TLinkSpeeds speeds(kernel.Socket, false, &kernel.Mirror);
    return CompleteInterfaceFacts(kernel.Socket.Descriptor(), std::move(link), names, radios,
                                  speeds, withPermanentAddress, kernel.Identities);
}

std::vector<TInterfaceFacts> ReadEveryInterfaceFacts(const TKernelView& kernel,
                                                     bool withPermanentAddress) {
    const std::vector<TLinkCounters> counters = kernel.Socket.DumpLinkCounters();
    const auto& links = kernel.Mirror.Links();
    if (kernel.Identities != nullptr) {
        kernel.Identities->KeepOnlyWhere([&](std::uint32_t index) { return links.contains(index); });
    }
    std::vector<TInterfaceFacts> every;
    every.reserve(links.size());
    // One udev and hardware database for all the links.
    THardwareNames names;
    TNl80211Socket radios;
    TLinkSpeeds speeds(kernel.Socket, true, &kernel.Mirror);
    // Both in ifindex order.
    auto count = counters.begin();
    for (const auto& [index, kept] : links) {
        while (count != counters.end() && count->LinkIndex < index) {
            ++count;
        }
        if (count == counters.end() || count->LinkIndex != index) {
            continue;
        }
        TLinkFacts link = kept.Facts;
        link.Statistics = count->Statistics;
        link.StatisticsTold = true;
        every.push_back(CompleteInterfaceFacts(kernel.Socket.Descriptor(), std::move(link), names,
                                               radios, speeds, withPermanentAddress,
                                               kernel.Identities));
    }
    return every;
}

std::size_t IfTable2Size(std::size_t rows) {
    // The block holds one row even when there is none to fill, as the record declares it.
    return offsetof(MIB_IF_TABLE2, Table) + std::max<std::size_t>(rows, 1) * sizeof(MIB_IF_ROW2);
}

std::size_t IfTableSize(std::size_t rows) {
    return offsetof(MIB_IFTABLE, table) + std::max<std::size_t>(rows, 1) * sizeof(MIB_IFROW);
}

void FillIfRow(const TInterfaceFacts& facts, MIB_IFROW& row) {
    const TLinkFacts& link = facts.Link;
    const TLinkStatistics& s = link.Statistics;
    std::memset(&row, 0, sizeof row);
    CopyWideText(link.Name, row.wszName, MAX_INTERFACE_NAME_LEN);
    row.dwIndex = link.Index;
    row.dwType = facts.Identity.Type;
    row.dwMtu = link.Mtu;
    row.dwSpeed = Saturated32(facts.Speed);
    row.dwPhysAddrLen =
        static_cast<DWORD>(std::min<std::size_t>(link.HardwareAddress.size(), MAXLEN_PHYSADDR));
    std::memcpy(row.bPhysAddr, link.HardwareAddress.data(), row.dwPhysAddrLen);
    const bool up = (link.Flags & IFF_UP) != 0;
    row.dwAdminStatus = up ? MIB_IF_ADMIN_STATUS_UP : MIB_IF_ADMIN_STATUS_DOWN;
    row.dwOperStatus = RowOperStatus(link.OperState, link.Carrier, up);
    // The kernel keeps no time of the last change; 0 lets the reader take its own clock.
    row.dwLastChange = 0;
    row.dwInOctets = static_cast<DWORD>(s.RxBytes);
    row.dwInUcastPkts = static_cast<DWORD>(UnicastReceived(s));
    row.dwInNUcastPkts = static_cast<DWORD>(s.RxMulticast);
    row.dwInDiscards = static_cast<DWORD>(s.RxDropped);
    row.dwInErrors = static_cast<DWORD>(s.RxErrors);
    row.dwInUnknownProtos = static_cast<DWORD>(s.RxNoHandler);
    row.dwOutOctets = static_cast<DWORD>(s.TxBytes);
    row.dwOutUcastPkts = static_cast<DWORD>(s.TxPackets);
    row.dwOutNUcastPkts = 0;
    row.dwOutDiscards = static_cast<DWORD>(s.TxDropped);
    row.dwOutErrors = static_cast<DWORD>(s.TxErrors);
    // Queue lengths belong to the queueing disciplines, not to the link's counters.
    row.dwOutQLen = 0;
    const std::string& description = facts.Identity.Description;
    row.dwDescrLen = static_cast<DWORD>(std::min<std::size_t>(description.size(), MAXLEN_IFDESCR));
    std::memcpy(row.bDescr, description.data(), row.dwDescrLen);
}

void FillIfRow2(const TInterfaceFacts& facts, MIB_IF_ROW2& row) {
    const TLinkFacts& link = facts.Link;
    const TLinkStatistics& s = link.Statistics;
    const UINT type = facts.Identity.Type;
    std::memset(&row, 0, sizeof row);
    row.InterfaceLuid.Info.NetLuidIndex = link.Index & 0xFFFFFFu;
    row.InterfaceLuid.Info.IfType = type;
    row.InterfaceIndex = link.Index;
    row.InterfaceGuid = InterfaceGuidOfIndex(link.Index);
    CopyWideText(link.Alias.empty() ? link.Name : link.Alias, row.Alias, IF_MAX_STRING_SIZE + 1);
    CopyWideText(facts.Identity.Description, row.Description, IF_MAX_STRING_SIZE + 1);
    row.PhysicalAddressLength = static_cast<ULONG>(
        std::min<std::size_t>(link.HardwareAddress.size(), IF_MAX_PHYS_ADDRESS_LENGTH));
    std::memcpy(row.PhysicalAddress, link.HardwareAddress.data(), row.PhysicalAddressLength);
    const std::vector<std::uint8_t>& permanent =
        facts.PermanentAddress.empty() ? link.HardwareAddress : facts.PermanentAddress;
    std::memcpy(row.PermanentPhysicalAddress, permanent.data(),
                std::min<std::size_t>(permanent.size(), IF_MAX_PHYS_ADDRESS_LENGTH));
    row.Mtu = link.Mtu;
    row.Type = type;
    row.TunnelType = type == IF_TYPE_TUNNEL ? kTunnelOther : 0;
    row.MediaType = MediumOf(type);
    row.PhysicalMediumType = !facts.Identity.Hardware       ? kPhysicalUnspecified
                             : type == IF_TYPE_IEEE80211    ? kPhysicalNative80211
                             : type == MIB_IF_TYPE_ETHERNET ? kPhysical8023
                                                            : kPhysicalUnspecified;
    row.AccessType = AccessOf(link.Flags);
    row.InterfaceAndOperStatusFlags.HardwareInterface = facts.Identity.Hardware;
    row.InterfaceAndOperStatusFlags.ConnectorPresent = facts.Identity.Hardware;
    row.InterfaceAndOperStatusFlags.NotMediaConnected = !link.Carrier;
    row.OperStatus = Row2OperStatus(link.OperState, link.Carrier);
    row.AdminStatus = (link.Flags & IFF_UP) ? NET_IF_ADMIN_STATUS_UP : NET_IF_ADMIN_STATUS_DOWN;
    row.MediaConnectState =
        link.Carrier ? MediaConnectStateConnected : MediaConnectStateDisconnected;
    row.ConnectionType = kConnectionDedicated;
    row.TransmitLinkSpeed = facts.Speed;
    row.ReceiveLinkSpeed = facts.Speed;
    row.InOctets = s.RxBytes;
    row.InUcastPkts = UnicastReceived(s);
    row.InNUcastPkts = s.RxMulticast;
    row.InDiscards = s.RxDropped;
    row.InErrors = s.RxErrors;
    row.InUnknownProtos = s.RxNoHandler;
    row.OutOctets = s.TxBytes;
    row.OutUcastPkts = s.TxPackets;
    row.OutDiscards = s.TxDropped;
    row.OutErrors = s.TxErrors;
}

} // namespace qmr
