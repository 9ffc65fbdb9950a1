#include "test_devices.h"

#include "base/utf16_text.h"

#include <algorithm>
#include <cstring>

namespace qmr::test {

namespace {

// An index no machine of ours has, so a real provider answers nothing for it.
constexpr DWORD kUnusedIndex = 0x7FFFFF01;

template <std::size_t N> void CopyText(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

void FillNode(IP_ADDR_STRING& node, const TAddressPair& pair) {
    CopyText(node.IpAddress.String, pair.Address);
    CopyText(node.IpMask.String, pair.Mask);
}

} // namespace

TAdapterRecord::TAdapterRecord(const TDeviceFacts& facts) {
    CopyText(m_Info.AdapterName, "{qmr-report-test}");
    CopyText(m_Info.Description, facts.Description);
    m_Info.AddressLength = static_cast<UINT>(facts.Mac.size());
    std::copy(facts.Mac.begin(), facts.Mac.end(), m_Info.Address);
    m_Info.Index = kUnusedIndex;
    m_Info.Type = facts.Type;
    m_Info.DhcpEnabled = facts.Dhcp ? 1 : 0;
    FillChain(m_Info.IpAddressList, facts.Addresses);
    std::vector<TAddressPair> gateways;
    for (const std::string& g : facts.Gateways) {
        gateways.push_back({g, "255.255.255.255"});
    }
    FillChain(m_Info.GatewayList, gateways);
    m_Info.HaveWins = facts.HaveWins ? 1 : 0;
    FillNode(m_Info.PrimaryWinsServer, {facts.PrimaryWins, ""});
    FillNode(m_Info.SecondaryWinsServer, {facts.SecondaryWins, ""});
}

void TAdapterRecord::FillChain(IP_ADDR_STRING& first, const std::vector<TAddressPair>& entries) {
    // The first node is part of the record and is copied even when it is empty.
    if (entries.empty()) {
        return;
    }
    FillNode(first, entries[0]);
    IP_ADDR_STRING* last = &first;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        IP_ADDR_STRING& node = m_Nodes.emplace_back();
        std::memset(&node, 0, sizeof node);
        FillNode(node, entries[i]);
        last->Next = &node;
        last = &node;
    }
}

std::unique_ptr<TModelNetworkDevice> MakeDevice(const TDeviceFacts& facts) {
    const TAdapterRecord record(facts);
    auto device = std::make_unique<TModelNetworkDevice>(record.Get());
    device->m_OperStatus = facts.OperStatus;
    device->m_Speed = facts.Speed;
    device->m_InOctets = facts.InOctets;
    device->m_OutOctets = facts.OutOctets;
    device->m_Ipv6 = facts.Ipv6;
    device->m_DnsServerList->clear();
    for (const std::string& dns : facts.DnsServers) {
        device->m_DnsServerList->push_back({Utf8ToUtf16(dns), u"", 0});
    }
    return device;
}

} // namespace qmr::test
