#include "report_lines.h"

#include "base/format.h"
#include "lang/lang_strings.h"
#include "lang/text_ids.h"
#include "report/device_status.h"
#include "report/line_writers.h"

#include <chrono>
#include <ctime>

namespace qmr {

namespace {

using LANGUAGE::GetLangText;

using namespace LANGUAGE;
using namespace report_detail;

// A lease time in local time with its date, as the report writes times; nothing for none.
void WriteLeaseTime(TLineWriter& w, int labelId, std::uint32_t seconds) {
    if (seconds != 0) {
        w.Value(GetLangText(labelId), FormatLocalDateTime(std::chrono::system_clock::from_time_t(
                                          static_cast<std::time_t>(seconds))));
    }
}

// MAC, speed and address type: the lines that follow the name and status in both reports. The
// expert forms add, where the adapter has them, the permanent MAC, the MTU and the interface
// type, and a DHCP adapter's server and lease times.
void WriteLinkLines(TLineWriter& w, const TModelNetworkDevice& device, bool expert) {
    w.Value(GetLangText(TextMac), w.DeviceText(device.m_Address));
    if (expert && !device.m_PermanentAddress.empty()) {
        w.Value(GetLangText(TextPermanentMac), w.DeviceText(device.m_PermanentAddress));
    }
    w.Value(GetLangText(TextSpeed), GetSpeedText(device));
    if (expert) {
        if (device.m_Mtu != 0) {
            w.Value(GetLangText(TextMtu), Format(u"%u", {device.m_Mtu}));
        }
        w.Value(GetLangText(TextInterfaceType), GetInterfaceTypeText(device));
    }
    w.Value(GetLangText(TextAddressType),
            GetLangText(device.m_DhcpEnabled ? TextDhcp : TextManual));
    if (expert && device.m_DhcpEnabled) {
        if (const std::u16string server = device.GetDhcpServer(); !server.empty()) {
            w.Value(GetLangText(TextDhcpServer), w.DeviceText(server));
        }
        WriteLeaseTime(w, TextLeaseObtained, device.m_LeaseObtained);
        WriteLeaseTime(w, TextLeaseExpires, device.m_LeaseExpires);
    }
}

void WriteMarkupHead(TMarkupWriter& w, const TModelNetworkDevice& device, bool expert) {
    w.Font(kNameSize, kNameColor, w.DeviceText(device.m_FriendlyName));
    w.EmptyLine();
    w.Image(GetStatusPicture(device));
    w.Font(kStatusSize, GetStatusColor(device), GetStatusText(device));
    w.EmptyLine();
    WriteLinkLines(w, device, expert);
    w.EmptyLine();
}

void WriteTextHead(TTextWriter& w, const TModelNetworkDevice& device, bool expert) {
    w.Value(GetLangText(TextNetworkInterface), device.m_FriendlyName);
    w.Value(GetLangText(TextStatus), GetStatusText(device));
    WriteLinkLines(w, device, expert);
}

void WriteOctets(TLineWriter& w, int labelId, std::uint64_t octets) {
    const std::u16string one = GetLangText(TextByteOne);
    const std::u16string few = GetLangText(TextByteFew);
    const std::u16string many = GetLangText(TextByteMany);
    w.Counter(GetLangText(labelId), FormatCount(octets), SelectCountWord(octets, one, few, many));
}

// The normal form's first address with its mask and first gateway, or "None".
void WriteFirstAddress(TLineWriter& w, const TModelNetworkDevice& device) {
    if (device.GetIpAddressCount() == 0) {
        w.Address(GetLangText(TextIpAddress), GetLangText(TextNone));
        return;
    }
    w.Address(GetLangText(TextIpAddress), w.DeviceText(device.GetIpAddress(0)));
    w.Value(GetLangText(TextIpMask), w.DeviceText(device.GetIpMask(0)));
    // A device read from a record always has a first gateway entry.
    w.Value(GetLangText(TextGateway), w.DeviceText(device.GetGateway(0)));
}

// An IPv6 address with its prefix length, and its state where it is not simply in use.
std::u16string Ipv6AddressText(const TLineWriter& w, const TIpv6Address& address) {
    std::u16string text = w.DeviceText(address.Text) + Format(u"/%i", {address.PrefixLength});
    const std::pair<bool, int> marks[] = {{address.Temporary, TextIpv6Temporary},
                                          {address.Deprecated, TextIpv6Deprecated},
                                          {address.Tentative, TextIpv6Tentative},
                                          {address.Duplicate, TextIpv6Duplicate}};
    const char16_t* separator = u" (";
    for (const auto& [marked, id] : marks) {
        if (marked) {
            text += separator + GetLangText(id);
            separator = u", ";
        }
    }
    if (separator[0] == u',') {
        text += u')';
    }
    return text;
}

// The normal form's one IPv6 line, for an adapter that has an address worth showing.
void WriteShownIpv6Address(TLineWriter& w, const TModelNetworkDevice& device) {
    if (const TIpv6Address* shown = ChooseShownIpv6Address(device.m_Ipv6.Addresses)) {
        w.Address(GetLangText(TextIpv6Address), Ipv6AddressText(w, *shown));
    }
}

// Receive and send rates, when there are any; the expert forms add the share of the link.
void WriteRates(TLineWriter& w, const TModelNetworkDevice& device, const TTrafficRate* rates,
                bool withShare) {
    if (rates == nullptr) {
        return;
    }
    const auto line = [&](int labelId, double bps) {
        w.Value(GetLangText(labelId),
                GetRateText(bps) + (withShare ? GetLinkShareText(device, bps) : std::u16string()));
    };
    line(TextReceiveRate, rates->InBps);
    line(TextSendRate, rates->OutBps);
}

void WriteNormalBody(TLineWriter& w, const TModelNetworkDevice& device, const TTrafficRate* rates,
                     const TReportEvents*) {
    WriteFirstAddress(w, device);
    WriteShownIpv6Address(w, device);
    w.BlockBreak();
    WriteOctets(w, TextInputOctets, device.m_InOctets);
    WriteOctets(w, TextOutputOctets, device.m_OutOctets);
    WriteRates(w, device, rates, false);
}

void WriteAddressBlock(TLineWriter& w, const TModelNetworkDevice& device) {
    const int n = device.GetIpAddressCount();
    if (n == 0) {
        w.Address(GetLangText(TextIpAddress), GetLangText(TextNone));
    } else if (n == 1) {
        w.Address(GetLangText(TextIpAddress), w.DeviceText(device.GetIpAddress(0)));
        w.Value(GetLangText(TextIpMask), w.DeviceText(device.GetIpMask(0)));
    } else {
        for (int i = 0; i < n; ++i) {
            w.NumberedAddress(GetLangText(TextIpAddress), i + 1,
                              w.DeviceText(device.GetIpAddress(i)));
            w.Numbered(GetLangText(TextIpMask), i + 1, w.DeviceText(device.GetIpMask(i)));
            w.BlockBreak();
        }
    }
}

void WriteGatewayBlock(TLineWriter& w, const TModelNetworkDevice& device) {
    const int g = device.GetGatewayCount();
    if (g == 1) {
        w.Value(GetLangText(TextGateway), w.DeviceText(device.GetGateway(0)));
    } else if (g >= 2) {
        for (int i = 0; i < g; ++i) {
            w.Numbered(GetLangText(TextGatewayNumbered), i + 1, w.DeviceText(device.GetGateway(i)));
        }
    }
    w.BlockBreak();
}

void WriteDnsBlock(TLineWriter& w, const TModelNetworkDevice& device) {
    const int d = device.GetDnsServerCount();
    if (d == 1) {
        w.Value(GetLangText(TextDns), w.DeviceText(device.GetDnsServer(0)));
    } else if (d >= 2) {
        for (int i = 0; i < d; ++i) {
            w.SpacedNumbered(GetLangText(TextDns), i + 1, w.DeviceText(device.GetDnsServer(i)));
        }
    }
    if (!device.m_DnsSuffix.empty()) {
        w.Value(GetLangText(TextDnsSuffix), w.DeviceText(device.m_DnsSuffix));
    }
    if (!device.m_SearchDomains.empty()) {
        std::u16string domains;
        for (const std::u16string& domain : device.m_SearchDomains) {
            domains += (domains.empty() ? u"" : u", ") + domain;
        }
        w.Value(GetLangText(TextSearchDomains), w.DeviceText(domains));
    }
    w.BlockBreak();
}

void WriteWinsBlock(TLineWriter& w, const TModelNetworkDevice& device) {
    if (!device.m_HaveWins) {
        return;
    }
    const std::u16string primary = device.GetWinsServer(0);
    const std::u16string secondary = device.GetWinsServer(1);
    if (primary.empty() && secondary.empty()) {
        return;
    }
    if (!primary.empty() && !secondary.empty()) {
        w.Numbered(GetLangText(TextWins), 1, w.DeviceText(primary));
        w.Numbered(GetLangText(TextWins), 2, w.DeviceText(secondary));
    } else {
        w.Value(GetLangText(TextWins), w.DeviceText(primary.empty() ? secondary : primary));
    }
    w.BlockBreak();
}

// Every IPv6 address, router and DNS server; nothing at all for an adapter without IPv6.
void WriteIpv6Block(TLineWriter& w, const TModelNetworkDevice& device) {
    const std::vector<TIpv6Address>& addresses = device.m_Ipv6.Addresses;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const std::u16string text = Ipv6AddressText(w, addresses[i]);
        if (addresses.size() == 1) {
            w.Address(GetLangText(TextIpv6Address), text);
        } else {
            w.NumberedAddress(GetLangText(TextIpv6Address), static_cast<int>(i) + 1, text);
        }
    }
    const std::vector<std::u16string>& gateways = device.m_Ipv6.Gateways;
    if (!addresses.empty()) {
        w.BlockBreak();
    }
    for (std::size_t i = 0; i < gateways.size(); ++i) {
        if (gateways.size() == 1) {
            w.Value(GetLangText(TextIpv6Gateway), w.DeviceText(gateways[i]));
        } else {
            w.Numbered(GetLangText(TextIpv6Gateway), static_cast<int>(i) + 1,
                       w.DeviceText(gateways[i]));
        }
    }
    const std::vector<std::u16string>& servers = device.m_Ipv6.DnsServers;
    if (!gateways.empty()) {
        w.BlockBreak();
    }
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (servers.size() == 1) {
            w.Value(GetLangText(TextIpv6Dns), w.DeviceText(servers[i]));
        } else {
            w.SpacedNumbered(GetLangText(TextIpv6Dns), static_cast<int>(i) + 1,
                             w.DeviceText(servers[i]));
        }
    }
    if (!servers.empty()) {
        w.BlockBreak();
    }
}

// Network name, signal and band of a connected wireless adapter, each where the WLAN API told
// it; nothing at all for any other adapter.
void WriteWlanBlock(TLineWriter& w, const TModelNetworkDevice& device) {
    if (!device.m_Wlan) {
        return;
    }
    const TWlanConnection& wlan = *device.m_Wlan;
    w.Value(GetLangText(TextWlanNetworkName), w.DeviceText(wlan.Ssid));
    if (wlan.SignalDbm) {
        w.Value(GetLangText(TextWlanSignal),
                Format(u"%i %s", {*wlan.SignalDbm, GetLangText(TextDbm)}));
    }
    const char16_t* band = wlan.Band == TWlanBand::Band2_4GHz ? u"2.4"
                           : wlan.Band == TWlanBand::Band5GHz ? u"5"
                           : wlan.Band == TWlanBand::Band6GHz ? u"6"
                                                              : nullptr;
    if (band != nullptr) {
        w.Value(GetLangText(TextWlanBand),
                Format(u"%s %s", {std::u16string(band), GetLangText(TextGhz)}));
    }
    if (wlan.Channel) {
        w.Value(GetLangText(TextWlanChannel), Format(u"%u", {*wlan.Channel}));
    }
    if (!wlan.Bssid.empty()) {
        w.Value(GetLangText(TextWlanAccessPoint), w.DeviceText(wlan.Bssid));
    }
    if (WlanSecurityTold(wlan)) {
        w.Value(GetLangText(TextWlanSecurity), wlan.SecurityEnabled
                                                   ? w.DeviceText(WlanSecurityText(wlan))
                                                   : GetLangText(TextWlanOpen));
    }
    if (wlan.RxRate != 0) {
        w.Value(GetLangText(TextWlanReceiveRate), GetRateText(static_cast<double>(wlan.RxRate)));
    }
    if (wlan.TxRate != 0) {
        w.Value(GetLangText(TextWlanSendRate), GetRateText(static_cast<double>(wlan.TxRate)));
    }
    w.BlockBreak();
}

void WriteTrafficBlock(TLineWriter& w, int octetsLabel, std::uint64_t octets,
                       const int (&labels)[4], const std::uint64_t (&counters)[4]) {
    WriteOctets(w, octetsLabel, octets);
    for (int i = 0; i < 4; ++i) {
        w.Value(GetLangText(labels[i]), FormatCount(counters[i]));
    }
}

// The latest events, newest first, under their heading; nothing without events.
void WriteEventBlock(TLineWriter& w, const TReportEvents* events) {
    if (events == nullptr || events->Events == nullptr || events->Events->empty()) {
        return;
    }
    w.BlockBreak();
    w.Heading(GetLangText(TextLinkEvents));
    std::size_t written = 0;
    for (auto it = events->Events->rbegin();
         it != events->Events->rend() && written < kReportedLinkEvents; ++it, ++written) {
        w.DeviceLine(FormatEventTime(it->Time, events->Now) + u"  " + LinkEventText(*it));
    }
}

void WriteExpertBody(TLineWriter& w, const TModelNetworkDevice& device, const TTrafficRate* rates,
                     const TReportEvents* events) {
    WriteAddressBlock(w, device);
    WriteGatewayBlock(w, device);
    WriteDnsBlock(w, device);
    WriteWinsBlock(w, device);
    WriteIpv6Block(w, device);
    WriteWlanBlock(w, device);
    WriteTrafficBlock(
        w, TextInputOctets, device.m_InOctets,
        {TextInUnicast, TextInNonUnicast, TextInDiscards, TextInErrors},
        {device.m_InUcastPkts, device.m_InNUcastPkts, device.m_InDiscards, device.m_InErrors});
    w.BlockBreak();
    WriteTrafficBlock(
        w, TextOutputOctets, device.m_OutOctets,
        {TextOutUnicast, TextOutNonUnicast, TextOutDiscards, TextOutErrors},
        {device.m_OutUcastPkts, device.m_OutNUcastPkts, device.m_OutDiscards, device.m_OutErrors});
    if (rates != nullptr) {
        w.BlockBreak();
        WriteRates(w, device, rates, true);
    }
    WriteEventBlock(w, events);
    // Both forms end the expert report with an empty line.
    w.EmptyLine();
}

void WriteNoDevice(TMarkupWriter& w) {
    w.Font(kNoDeviceSize, kNoDeviceColor, GetLangText(TextNoInterfaces));
}

void WriteNoDevice(TTextWriter& w) {
    w.Plain(GetLangText(TextNoInterfaces));
    w.EmptyLine();
}

// Head and body of one form; without a list nothing, without a device the no-device report.
template <typename TWriter>
void BuildLines(TLineList* list, const TModelNetworkDevice* device, const TTrafficRate* rates,
                const TReportEvents* events, bool expert,
                void (*writeHead)(TWriter&, const TModelNetworkDevice&, bool expert),
                void (*writeBody)(TLineWriter&, const TModelNetworkDevice&, const TTrafficRate*,
                                  const TReportEvents*)) {
    if (list == nullptr) {
        return;
    }
    TWriter w(*list);
    if (device == nullptr) {
        WriteNoDevice(w);
        return;
    }
    writeHead(w, *device, expert);
    writeBody(w, *device, rates, events);
}

} // namespace

void BuildReportMarkup(TLineList* list, const TModelNetworkDevice* device,
                       const TReportExtras& extras) {
    BuildLines<TMarkupWriter>(list, device, extras.Rates, nullptr, false, WriteMarkupHead,
                              WriteNormalBody);
}

void BuildExpertReportMarkup(TLineList* list, const TModelNetworkDevice* device,
                             const TReportExtras& extras) {
    BuildLines<TMarkupWriter>(list, device, extras.Rates, extras.Events, true, WriteMarkupHead,
                              WriteExpertBody);
}

void BuildReportText(TLineList* list, const TModelNetworkDevice* device, const TReportExtras&) {
    // The plain normal form has no rate lines, and ends with an empty line; the display one
    // does not.
    BuildLines<TTextWriter>(list, device, nullptr, nullptr, false, WriteTextHead,
                            [](TLineWriter& w, const TModelNetworkDevice& d, const TTrafficRate*,
                               const TReportEvents*) {
                                WriteNormalBody(w, d, nullptr, nullptr);
                                w.EmptyLine();
                            });
}

void BuildExpertReportText(TLineList* list, const TModelNetworkDevice* device,
                           const TReportExtras& extras) {
    BuildLines<TTextWriter>(list, device, extras.Rates, extras.Events, true, WriteTextHead,
                            WriteExpertBody);
}

void BuildProblemMarkup(TLineList* list, std::u16string_view problem) {
    if (list != nullptr) {
        list->push_back(Format(u"<font size=\"%i\" color=\"#%06X\">%s</font>",
                               {kProblemSize, kProblemColor, EscapeMarkupText(problem)}));
    }
}

std::u16string JoinClipboardText(const TLineList& lines) {
    std::u16string text;
    for (const std::u16string& line : lines) {
        text += line;
        text += u"\r\n";
    }
    return text;
}

std::u16string EscapeMarkupText(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        switch (c) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace qmr
