#include "model_network_device.h"

#include "base/display_text.h"
#include "base/record_text.h"
#include "base/tick_count.h"
#include "base/utf16_text.h"
#include "network/answer_chain.h"
#include "network/iphlpapi_binding.h"
#include "network/sized_call.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <stdexcept>

namespace qmr {

namespace {

constexpr const char* kCantCreateList = "Not enough of memory. Can't create TList object.";

std::unique_ptr<TModelNetworkDevice::TAddressList> CreateList() {
    auto* list = new (std::nothrow) TModelNetworkDevice::TAddressList;
    if (list == nullptr) {
        throw std::runtime_error(kCantCreateList);
    }
    return std::unique_ptr<TModelNetworkDevice::TAddressList>(list);
}

TModelNetworkDevice::tagIP_ADDRESS CopyNode(const IP_ADDR_STRING& node) {
    return {RecordTextToUtf16(node.IpAddress.String, sizeof node.IpAddress.String),
            RecordTextToUtf16(node.IpMask.String, sizeof node.IpMask.String), node.Context};
}

const TModelNetworkDevice::tagIP_ADDRESS&
Entry(const std::unique_ptr<TModelNetworkDevice::TAddressList>& list, int i) {
    if (!list || i < 0) {
        throw std::out_of_range("List index out of bounds");
    }
    return list->at(static_cast<std::size_t>(i));
}

int Count(const std::unique_ptr<TModelNetworkDevice::TAddressList>& list) {
    return list ? static_cast<int>(list->size()) : 0;
}

} // namespace

TModelNetworkDevice::TModelNetworkDevice(const IP_ADAPTER_INFO* adapter,
                                         const TFriendlyNameTable* names) {
    CreateLists();
    if (adapter == nullptr) {
        return;
    }
    if (names != nullptr) {
        FillFromAdapter(adapter, TFriendlyNameIndex(*names), nullptr, nullptr);
    } else {
        // Only this record: one handed over alone need not end its chain.
        IP_ADAPTER_INFO alone = *adapter;
        alone.Next = nullptr;
        const TFriendlyNameTable table = ReadFriendlyNameTable(&alone);
        FillFromAdapter(adapter, TFriendlyNameIndex(table), nullptr, nullptr);
    }
}

TModelNetworkDevice::TModelNetworkDevice(const IP_ADAPTER_INFO* adapter,
                                         const TFriendlyNameIndex& names, const TIpv6Facts* ipv6,
                                         const TWlanSession* wlan, const TInterfaceRowTables* rows,
                                         const TDnsServersByIndex* dns,
                                         const TAdapterDetails* details) {
    CreateLists();
    Fill(adapter, names, ipv6, wlan, rows, dns, details);
}

void TModelNetworkDevice::Refill(const IP_ADAPTER_INFO* adapter, const TFriendlyNameIndex& names,
                                 const TIpv6Facts* ipv6, const TWlanSession* wlan,
                                 const TInterfaceRowTables* rows, const TDnsServersByIndex* dns,
                                 const TAdapterDetails* details) {
    ForgetFacts();
    Fill(adapter, names, ipv6, wlan, rows, dns, details);
}

void TModelNetworkDevice::ForgetFacts() {
    // Every member, in the order the class declares them: texts and lists are emptied and keep
    // their room, everything else takes the value a new device starts with.
    m_AdapterName.clear();
    m_Description.clear();
    m_Address.clear();
    m_Index = 0;
    m_Type = 0;
    m_DhcpEnabled = false;
    // The address, gateway and DHCP server lists are written over by the fill, their texts in
    // the room they have.
    m_HaveWins = false;
    m_PrimaryWinsServer = {};
    m_SecondaryWinsServer = {};
    m_LeaseObtained = 0;
    m_LeaseExpires = 0;
    m_FriendlyName.clear();
    m_IfName.clear();
    m_IfIndex = 0;
    m_IfType = 0;
    m_Mtu = 0;
    m_Speed = 0;
    m_PhysAddress.clear();
    m_AdminStatus = false;
    m_HardwareInterface = false;
    m_OperStatus = 0;
    m_LastChange = 0;
    SetCounters({});
    m_Counters32Bit = false;
    m_IfDescription.clear();
    m_AutoconfigEnabled = false;
    m_AutoconfigActive = false;
    ClearAddressList(m_DnsServerList.get());
    m_Ipv6 = {};
    m_InterfaceGuid.reset();
    m_Wlan.reset();
    m_PermanentAddress.clear();
    m_DnsSuffix.clear();
    m_SearchDomains.clear();
}

void TModelNetworkDevice::Fill(const IP_ADAPTER_INFO* adapter, const TFriendlyNameIndex& names,
                               const TIpv6Facts* ipv6, const TWlanSession* wlan,
                               const TInterfaceRowTables* rows, const TDnsServersByIndex* dns,
                               const TAdapterDetails* details) {
    FillFromAdapter(adapter, names, rows, dns);
    if (ipv6 != nullptr) {
        m_Ipv6 = *ipv6;
    }
    if (details != nullptr) {
        FillFromDetails(*details);
    }
    if (wlan != nullptr && m_InterfaceGuid &&
        (m_Type == IF_TYPE_IEEE80211 || m_IfType == IF_TYPE_IEEE80211)) {
        m_Wlan = wlan->Connection(*m_InterfaceGuid);
    }
}

void TModelNetworkDevice::CreateLists() {
    m_IpAddressList = CreateList();
    m_GatewayList = CreateList();
    m_DhcpServerList = CreateList();
    m_DnsServerList = CreateList();
}

TModelNetworkDevice::~TModelNetworkDevice() {
    ClearAddressList(m_IpAddressList.get());
    m_IpAddressList.reset();
    ClearAddressList(m_GatewayList.get());
    m_GatewayList.reset();
    ClearAddressList(m_DhcpServerList.get());
    m_DhcpServerList.reset();
    ClearAddressList(m_DnsServerList.get());
    m_DnsServerList.reset();
}

void TModelNetworkDevice::FillFromAdapter(const IP_ADAPTER_INFO* adapter,
                                          const TFriendlyNameIndex& names,
                                          const TInterfaceRowTables* rows,
                                          const TDnsServersByIndex* dns) {
    if (adapter == nullptr) {
        ClearAddressList(m_IpAddressList.get());
        ClearAddressList(m_GatewayList.get());
        ClearAddressList(m_DhcpServerList.get());
        return;
    }
    m_AdapterName = RecordTextToUtf16(adapter->AdapterName, sizeof adapter->AdapterName);
    m_Description = RecordTextToUtf16(adapter->Description, sizeof adapter->Description);
    // The record's field holds 8 bytes; a longer claimed length is cut to what is there.
    m_Address = FormatHardwareAddress(
        adapter->Address, std::min<std::size_t>(adapter->AddressLength, sizeof adapter->Address));
    m_Index = adapter->Index;
    m_Type = adapter->Type;
    m_DhcpEnabled = adapter->DhcpEnabled != 0;

    CopyAddressChain(&adapter->IpAddressList, *m_IpAddressList);
    CopyAddressChain(&adapter->GatewayList, *m_GatewayList);
    if (m_DhcpEnabled) {
        CopyAddressChain(&adapter->DhcpServer, *m_DhcpServerList);
    } else {
        ClearAddressList(m_DhcpServerList.get());
    }

    m_HaveWins = adapter->HaveWins != 0;
    if (m_HaveWins) {
        m_PrimaryWinsServer = CopyNode(adapter->PrimaryWinsServer);
        m_SecondaryWinsServer = CopyNode(adapter->SecondaryWinsServer);
    }
    m_LeaseObtained = static_cast<std::uint32_t>(adapter->LeaseObtained);
    m_LeaseExpires = static_cast<std::uint32_t>(adapter->LeaseExpires);

    m_FriendlyName = LookupFriendlyName(m_AdapterName, m_Description, names);
    // Shown in the list, the reports and the clipboard among the program's own words.
    m_FriendlyName = ContainExternalText(m_FriendlyName);
    m_Description = ContainExternalText(m_Description);

    FillFromInterfaceRows(rows);
    FillDnsServers(dns);
}

void TModelNetworkDevice::FillFromDetails(const TAdapterDetails& details) {
    m_DnsSuffix = details.DnsSuffix;
    m_SearchDomains = details.SearchDomains;
    // The adapter record's server wins; the addresses record names it where that one cannot.
    if (m_DhcpEnabled && GetDhcpServer().empty() && !details.Dhcpv4Server.empty()) {
        ClearAddressList(m_DhcpServerList.get());
        m_DhcpServerList->push_back({details.Dhcpv4Server, std::u16string(), 0});
    }
}

std::u16string TModelNetworkDevice::GetDhcpServer() const {
    if (!m_DhcpServerList || m_DhcpServerList->empty()) {
        return {};
    }
    const std::u16string& server = m_DhcpServerList->front().IpAddress;
    return server == u"0.0.0.0" ? std::u16string() : server;
}

void TModelNetworkDevice::FillDnsServers(const TDnsServersByIndex* dns) {
    // Found by the index the interface row gave, by which the per-adapter record is asked.
    if (dns == nullptr || m_IfIndex == 0 || !dns->contains(m_IfIndex)) {
        FillFromPerAdapterInfo();
        return;
    }
    for (const std::u16string& server : dns->at(m_IfIndex)) {
        m_DnsServerList->push_back({server, std::u16string(), 0});
    }
}

void TModelNetworkDevice::FillFromInterfaceRows(const TInterfaceRowTables* rows) {
    if (const TInterfaceRow* polled = rows != nullptr ? rows->Row(m_Index) : nullptr) {
        FillFromRow(*polled);
    } else {
        MIB_IFROW row;
        std::memset(&row, 0, sizeof row);
        row.dwIndex = m_Index;
        if (qmr::GetIfEntry(&row) != ERROR_SUCCESS) {
            return;
        }
        FillFromRow(TInterfaceRow(row));
    }
    // The 64-bit row, where the library has it, carries what the 32-bit one cannot hold.
    if (const TInterfaceRow2* polled = rows != nullptr ? rows->Row2(m_Index) : nullptr) {
        FillFromRow2(*polled);
        return;
    }
    MIB_IF_ROW2 row2;
    std::memset(&row2, 0, sizeof row2);
    row2.InterfaceIndex = m_Index;
    if (qmr::GetIfEntry2(&row2) == ERROR_SUCCESS) {
        FillFromRow2(TInterfaceRow2(row2));
    }
}

void TModelNetworkDevice::FillFromRow(const TInterfaceRow& row) {
    m_IfName = row.Name;
    m_IfIndex = row.Index;
    m_IfType = row.Type;
    m_Mtu = row.Mtu;
    m_Speed = row.Speed;
    m_PhysAddress = FormatHardwareAddress(row.PhysAddr.data(), row.PhysAddrLength);
    m_AdminStatus = row.AdminStatus == MIB_IF_ADMIN_STATUS_UP; // down is 2, testing 3
    m_OperStatus = row.OperStatus;
    m_LastChange = row.LastChange != 0 ? row.LastChange : SystemTickCount();
    SetCounters(row.Counters);
    m_Counters32Bit = true;
    m_IfDescription = row.Description;
    if (IsBlankText(m_FriendlyName)) {
        m_FriendlyName = m_IfDescription;
    }
}

void TModelNetworkDevice::FillFromRow2(const TInterfaceRow2& row2) {
    m_HardwareInterface = row2.HardwareInterface;
    m_InterfaceGuid = row2.InterfaceGuid;
    // An all-zero permanent address is none.
    const auto permanent = row2.PermanentPhysicalAddress.begin();
    const std::size_t length = row2.PhysicalAddressLength;
    m_PermanentAddress.clear();
    if (std::any_of(permanent, permanent + length, [](UCHAR b) { return b != 0; }) &&
        !std::equal(permanent, permanent + length, row2.PhysicalAddress.begin())) {
        m_PermanentAddress = FormatHardwareAddress(&*permanent, length);
    }
    m_Speed = row2.ReceiveLinkSpeed;
    SetCounters(row2.Counters);
    m_Counters32Bit = false;
}

void TModelNetworkDevice::SetCounters(const TInterfaceCounters& counters) {
    m_InOctets = counters.InOctets;
    m_InUcastPkts = counters.InUcastPkts;
    m_InNUcastPkts = counters.InNUcastPkts;
    m_InDiscards = counters.InDiscards;
    m_InErrors = counters.InErrors;
    m_InUnknownProtos = counters.InUnknownProtos;
    m_OutOctets = counters.OutOctets;
    m_OutUcastPkts = counters.OutUcastPkts;
    m_OutNUcastPkts = counters.OutNUcastPkts;
    m_OutDiscards = counters.OutDiscards;
    m_OutErrors = counters.OutErrors;
    m_OutQLen = counters.OutQLen;
}

void TModelNetworkDevice::FillFromPerAdapterInfo() {
    // Room for one record with its embedded first DNS node, which holds a link's only server;
    // the retry with the size the library asks for brings more. The record takes 52 bytes in a
    // 32-bit build and 64 in a 64-bit one, so the room comes from the layout: a fixed 52 would
    // make every 64-bit call a retry.
    std::array<std::uint64_t, (sizeof(IP_PER_ADAPTER_INFO) + 7) / 8> first{};
    TCallBuffer larger;
    ULONG size = sizeof(IP_PER_ADAPTER_INFO);
    auto* info = reinterpret_cast<PIP_PER_ADAPTER_INFO>(first.data());
    DWORD status = qmr::GetPerAdapterInfo(m_IfIndex, info, &size);
    if (status == ERROR_BUFFER_OVERFLOW) {
        // Never less than one record, whatever size the library names.
        status = CallWithGrowingBuffer(
            larger, size, sizeof(IP_PER_ADAPTER_INFO), [this](std::uint64_t* data, ULONG* room) {
                return qmr::GetPerAdapterInfo(m_IfIndex,
                                              reinterpret_cast<PIP_PER_ADAPTER_INFO>(data), room);
            });
        info = reinterpret_cast<PIP_PER_ADAPTER_INFO>(larger.data());
    }
    const TAnswerSpan span = larger.empty() ? TAnswerSpan(first.data(), sizeof first)
                                            : TAnswerSpan(larger.data(), larger.size() * 8);
    // A server list that leads outside the answer is no list.
    if (status != ERROR_SUCCESS || !span.ChainSound(&info->DnsServerList, true)) {
        return;
    }
    m_AutoconfigEnabled = info->AutoconfigEnabled != 0;
    m_AutoconfigActive = info->AutoconfigActive != 0;
    CopyAddressChain(&info->DnsServerList, *m_DnsServerList);
}

void TModelNetworkDevice::CopyAddressChain(const IP_ADDR_STRING* first, TAddressList& list) {
    std::size_t count = 0;
    for (const IP_ADDR_STRING* node = first; node != nullptr; node = node->Next) {
        ++count;
    }
    list.resize(count);
    auto entry = list.begin();
    for (const IP_ADDR_STRING* node = first; node != nullptr; node = node->Next, ++entry) {
        AssignRecordText(entry->IpAddress, node->IpAddress.String, sizeof node->IpAddress.String);
        AssignRecordText(entry->IpMask, node->IpMask.String, sizeof node->IpMask.String);
        entry->Context = node->Context;
    }
}

void TModelNetworkDevice::ClearAddressList(TAddressList* list) {
    if (list != nullptr) {
        list->clear();
    }
}

std::u16string TModelNetworkDevice::FormatHardwareAddress(const BYTE* bytes, std::size_t length) {
    // Written directly: two addresses per device and poll, each byte through the general
    // formatter, showed in the poll's profile.
    constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
    std::u16string text(length > 0 ? length * 3 - 1 : 0, u'-');
    for (std::size_t i = 0; i < length; ++i) {
        text[i * 3] = kHexDigits[bytes[i] >> 4];
        text[i * 3 + 1] = kHexDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::u16string TModelNetworkDevice::LookupFriendlyName(const std::u16string& adapterName,
                                                       const std::u16string& adapterDescription,
                                                       const TFriendlyNameIndex& names) {
    // A blank description is no name either.
    const std::u16string* found = names.Find(adapterName);
    return found != nullptr && !IsBlankText(*found) ? *found : adapterDescription;
}

std::u16string TModelNetworkDevice::GetIpAddress(int i) const {
    return Entry(m_IpAddressList, i).IpAddress;
}
std::u16string TModelNetworkDevice::GetIpMask(int i) const {
    return Entry(m_IpAddressList, i).IpMask;
}
int TModelNetworkDevice::GetIpAddressCount() const {
    return Count(m_IpAddressList);
}
std::u16string TModelNetworkDevice::GetGateway(int i) const {
    return Entry(m_GatewayList, i).IpAddress;
}
int TModelNetworkDevice::GetGatewayCount() const {
    return Count(m_GatewayList);
}
std::u16string TModelNetworkDevice::GetDnsServer(int i) const {
    return Entry(m_DnsServerList, i).IpAddress;
}
int TModelNetworkDevice::GetDnsServerCount() const {
    return Count(m_DnsServerList);
}

std::u16string TModelNetworkDevice::GetWinsServer(int i) const {
    if (!m_HaveWins) {
        return {};
    }
    if (i == 0) {
        return m_PrimaryWinsServer.IpAddress;
    }
    if (i == 1) {
        return m_SecondaryWinsServer.IpAddress;
    }
    return {};
}

} // namespace qmr
