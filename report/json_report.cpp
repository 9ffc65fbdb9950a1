#include "report/json_report.h"

#include "base/utf16_text.h"
#include "report/device_status.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <cstdio>

namespace qmr {

namespace {

// Keys in the order a person reads them; the order is part of what stays stable.
using json = nlohmann::ordered_json;

std::string Utf8(const std::u16string& text) {
    return Utf16ToUtf8(text);
}

// English words that do not change with the user's language, for scripts to compare.
const char* StatusWord(std::uint32_t status) {
    static constexpr std::array<const char*, 6> words = {
        "non-operational", "unreachable", "disconnected", "connecting", "connected", "operational",
    };
    return status < words.size() ? words[status] : "operational";
}

// ISO 8601 in UTC; null for the zero time a record gives where there is none. The civil date
// from the day count (Howard Hinnant's algorithm), the same on every platform's C library.
json IsoTime(std::uint32_t seconds) {
    if (seconds == 0) {
        return nullptr;
    }
    const std::int64_t z = seconds / 86400 + 719468;
    const std::int64_t era = z / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const std::uint32_t time = seconds % 86400;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%02uZ", static_cast<int>(year),
                  static_cast<int>(month), static_cast<int>(day), time / 3600, time / 60 % 60,
                  time % 60);
    return text;
}

// The record lists hold "0.0.0.0" where they are empty.
bool IsNoAddress(const std::u16string& address) {
    return address.empty() || address == u"0.0.0.0";
}

json Ipv4Addresses(const TModelNetworkDevice& d) {
    json list = json::array();
    for (int i = 0; i < d.GetIpAddressCount(); ++i) {
        if (!IsNoAddress(d.GetIpAddress(i))) {
            list.push_back({{"address", Utf8(d.GetIpAddress(i))},
                            {"prefix_length", PrefixLengthOfMask(d.GetIpMask(i))}});
        }
    }
    return list;
}

template <typename Get> json Addresses(int count, Get get) {
    json list = json::array();
    for (int i = 0; i < count; ++i) {
        if (!IsNoAddress(get(i))) {
            list.push_back(Utf8(get(i)));
        }
    }
    return list;
}

const char* ScopeWord(TIpv6Scope scope) {
    switch (scope) {
    case TIpv6Scope::Global:
        return "global";
    case TIpv6Scope::UniqueLocal:
        return "unique-local";
    case TIpv6Scope::LinkLocal:
        return "link-local";
    default:
        return "other";
    }
}

json Ipv6Addresses(const TModelNetworkDevice& d) {
    json list = json::array();
    for (const TIpv6Address& a : d.m_Ipv6.Addresses) {
        list.push_back({{"address", Utf8(a.Text)},
                        {"prefix_length", a.PrefixLength},
                        {"scope", ScopeWord(a.Scope)},
                        {"temporary", a.Temporary},
                        {"deprecated", a.Deprecated},
                        {"tentative", a.Tentative},
                        {"duplicate", a.Duplicate}});
    }
    return list;
}

json Texts(const std::vector<std::u16string>& texts) {
    json list = json::array();
    for (const std::u16string& text : texts) {
        list.push_back(Utf8(text));
    }
    return list;
}

// English words, like the status word.
const char* InterfaceTypeWord(const TModelNetworkDevice& d) {
    static constexpr std::array<const char*, 6> words = {"ethernet", "wi-fi",    "ppp",
                                                         "tunnel",   "loopback", "other"};
    return words[static_cast<std::size_t>(GetInterfaceKind(d))];
}

const char* BandWord(TWlanBand band) {
    switch (band) {
    case TWlanBand::Band2_4GHz:
        return "2.4GHz";
    case TWlanBand::Band5GHz:
        return "5GHz";
    case TWlanBand::Band6GHz:
        return "6GHz";
    default:
        return nullptr;
    }
}

// Null for any adapter but a connected wireless one; each fact null where the API did not tell.
json Wifi(const TModelNetworkDevice& d) {
    if (!d.m_Wlan) {
        return nullptr;
    }
    const TWlanConnection& w = *d.m_Wlan;
    const auto orNull = [](bool known, json value) { return known ? value : json(nullptr); };
    const char* band = BandWord(w.Band);
    return {
        {"ssid", Utf8(w.Ssid)},
        {"bssid", orNull(!w.Bssid.empty(), Utf8(w.Bssid))},
        {"signal_dbm", orNull(w.SignalDbm.has_value(), w.SignalDbm.value_or(0))},
        {"band", orNull(band != nullptr, band != nullptr ? band : "")},
        {"channel", orNull(w.Channel.has_value(), w.Channel.value_or(0))},
        {"security", !WlanSecurityTold(w) ? json(nullptr)
                     : w.SecurityEnabled  ? json(Utf8(WlanSecurityText(w)))
                                          : json("open")},
        {"rx_rate_bps", orNull(w.RxRate != 0, w.RxRate)},
        {"tx_rate_bps", orNull(w.TxRate != 0, w.TxRate)},
    };
}

json Counters(const TModelNetworkDevice& d) {
    return {{"octets", d.m_InOctets},
            {"unicast_packets", d.m_InUcastPkts},
            {"non_unicast_packets", d.m_InNUcastPkts},
            {"discarded_packets", d.m_InDiscards},
            {"error_packets", d.m_InErrors}};
}

json OutCounters(const TModelNetworkDevice& d) {
    return {{"octets", d.m_OutOctets},
            {"unicast_packets", d.m_OutUcastPkts},
            {"non_unicast_packets", d.m_OutNUcastPkts},
            {"discarded_packets", d.m_OutDiscards},
            {"error_packets", d.m_OutErrors}};
}

json Adapter(const TModelNetworkDevice& d) {
    json wins = json::array();
    if (d.m_HaveWins) {
        wins = Addresses(2, [&](int i) { return d.GetWinsServer(i); });
    }
    const bool dhcp = d.m_DhcpEnabled;
    return {
        {"name", Utf8(d.m_FriendlyName)},
        {"interface_name", Utf8(d.m_AdapterName)},
        {"description", Utf8(d.m_Description)},
        {"interface_index", d.GetIfIndex()},
        {"type", d.m_Type},
        {"interface_type", InterfaceTypeWord(d)},
        {"hardware", d.m_HardwareInterface},
        {"status", {{"code", d.m_OperStatus}, {"word", StatusWord(d.m_OperStatus)}}},
        {"admin_up", d.m_AdminStatus},
        {"mac", Utf8(d.m_Address)},
        {"permanent_mac",
         d.m_PermanentAddress.empty() ? json(nullptr) : json(Utf8(d.m_PermanentAddress))},
        {"mtu", d.m_Mtu},
        {"speed_bps", d.m_Speed},
        {"dhcp",
         {{"enabled", dhcp},
          {"server", dhcp && !d.GetDhcpServer().empty() ? json(Utf8(d.GetDhcpServer()))
                                                         : json(nullptr)},
          {"lease_obtained", dhcp ? IsoTime(d.m_LeaseObtained) : json(nullptr)},
          {"lease_expires", dhcp ? IsoTime(d.m_LeaseExpires) : json(nullptr)}}},
        {"ipv4", Ipv4Addresses(d)},
        {"gateways", Addresses(d.GetGatewayCount(), [&](int i) { return d.GetGateway(i); })},
        {"dns_servers", Addresses(d.GetDnsServerCount(), [&](int i) { return d.GetDnsServer(i); })},
        {"dns_suffix", d.m_DnsSuffix.empty() ? json(nullptr) : json(Utf8(d.m_DnsSuffix))},
        {"search_domains", Texts(d.m_SearchDomains)},
        {"wins_servers", wins},
        {"ipv6", Ipv6Addresses(d)},
        {"ipv6_gateways", Texts(d.m_Ipv6.Gateways)},
        {"ipv6_dns_servers", Texts(d.m_Ipv6.DnsServers)},
        {"wifi", Wifi(d)},
        {"received", Counters(d)},
        {"sent", OutCounters(d)},
    };
}

} // namespace

int PrefixLengthOfMask(const std::u16string& mask) {
    std::uint32_t value = 0;
    int parts = 0;
    std::uint32_t part = 0;
    bool digits = false;
    for (const char16_t c : mask + u".") {
        if (c >= u'0' && c <= u'9' && part < 256) {
            part = part * 10 + static_cast<std::uint32_t>(c - u'0');
            digits = true;
        } else if (c == u'.' && digits && part < 256 && parts < 4) {
            value = (value << 8) | part;
            ++parts;
            part = 0;
            digits = false;
        } else {
            return -1;
        }
    }
    if (parts != 4) {
        return -1;
    }
    int length = 0;
    while (length < 32 && (value & (0x80000000u >> length)) != 0) {
        ++length;
    }
    // Every bit after the ones must be zero.
    return length == 32 || (value << length) == 0 ? length : -1;
}

std::string BuildJsonReport(const std::vector<const TModelNetworkDevice*>& devices,
                            const std::string& version) {
    json adapters = json::array();
    for (const TModelNetworkDevice* device : devices) {
        adapters.push_back(Adapter(*device));
    }
    const json document = {{"program", "Quillmere"}, {"version", version}, {"adapters", adapters}};
    // Text that is no valid UTF-8 cannot reach here (every text passed through UTF-16), but a
    // replacement character is still better than an exception in the middle of a report.
    return document.dump(2, ' ', false, json::error_handler_t::replace);
}

} // namespace qmr
