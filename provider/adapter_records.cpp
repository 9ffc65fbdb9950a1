#include "adapter_records.h"

#include "provider/state_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qmr {

namespace {

constexpr const char* kNoAddress = "0.0.0.0";
constexpr const char* kHostMask = "255.255.255.255";

std::size_t ExtraNodes(std::size_t count) {
    return count > 1 ? count - 1 : 0;
}

std::size_t ExtraNodes(const TAdapterRecord& record) {
    return ExtraNodes(record.Addresses.size()) + ExtraNodes(record.Gateways.size());
}

void SetNode(IP_ADDR_STRING& node, const std::string& address, const std::string& mask) {
    CopyRecordText(address, node.IpAddress.String, sizeof node.IpAddress.String);
    CopyRecordText(mask, node.IpMask.String, sizeof node.IpMask.String);
}

// Fills the chain whose first node is embedded in a record (the caller's copy) and writes
// the further nodes into the buffer at `tail`, which advances past them.
template <typename Item, typename Describe>
void WriteChain(IP_ADDR_STRING& first, const std::vector<Item>& items, char* base,
                std::size_t& tail, Describe describe) {
    if (items.empty()) {
        SetNode(first, kNoAddress, kNoAddress);
        return;
    }
    describe(first, items.front());
    first.Next = items.size() > 1 ? reinterpret_cast<IP_ADDR_STRING*>(base + tail) : nullptr;
    for (std::size_t i = 1; i < items.size(); ++i) {
        IP_ADDR_STRING node{};
        describe(node, items[i]);
        if (i + 1 < items.size()) {
            node.Next = reinterpret_cast<IP_ADDR_STRING*>(base + tail + sizeof node);
        }
        std::memcpy(base + tail, &node, sizeof node);
        tail += sizeof node;
    }
}

} // namespace

std::string MaskText(int prefixLength) {
    const int bits = std::clamp(prefixLength, 0, 32);
    const std::uint32_t mask = bits == 0 ? 0u : 0xFFFFFFFFu << (32 - bits);
    return Ipv4Text({static_cast<std::uint8_t>(mask >> 24), static_cast<std::uint8_t>(mask >> 16),
                     static_cast<std::uint8_t>(mask >> 8), static_cast<std::uint8_t>(mask)});
}

void CopyRecordText(const std::string& text, char* field, std::size_t capacity) {
    std::memset(field, 0, capacity);
    if (capacity == 0) {
        return;
    }
    std::size_t length = std::min(text.size(), capacity - 1);
    // Step back over continuation bytes so that the cut falls between two characters.
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(field, text.data(), length);
}

std::size_t AdaptersInfoSize(const std::vector<TAdapterRecord>& records) {
    std::size_t size = 0;
    for (const TAdapterRecord& record : records) {
        size += sizeof(IP_ADAPTER_INFO) + ExtraNodes(record) * sizeof(IP_ADDR_STRING);
    }
    return size;
}

void PackAdaptersInfo(const std::vector<TAdapterRecord>& records, void* buffer) {
    char* base = static_cast<char*>(buffer);
    std::size_t offset = 0;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const TAdapterRecord& record = records[r];
        IP_ADAPTER_INFO info{};
        const std::size_t recordOffset = offset;
        std::size_t tail = recordOffset + sizeof info;
        CopyRecordText(record.Name, info.AdapterName, sizeof info.AdapterName);
        CopyRecordText(record.Description, info.Description, sizeof info.Description);
        info.AddressLength =
            static_cast<UINT>(std::min(record.HardwareAddress.size(), sizeof info.Address));
        std::memcpy(info.Address, record.HardwareAddress.data(), info.AddressLength);
        info.ComboIndex = record.Index;
        info.Index = record.Index;
        info.Type = record.Type;
        info.DhcpEnabled = record.DhcpEnabled ? 1 : 0;
        WriteChain(info.IpAddressList, record.Addresses, base, tail,
                   [](IP_ADDR_STRING& node, const TPrefixedAddress& item) {
                       SetNode(node, Ipv4Text(item.Address), MaskText(item.PrefixLength));
                   });
        WriteChain(info.GatewayList, record.Gateways, base, tail,
                   [](IP_ADDR_STRING& node, const TIpv4Address& gateway) {
                       SetNode(node, Ipv4Text(gateway), kHostMask);
                   });
        if (record.DhcpEnabled && record.DhcpServer) {
            SetNode(info.DhcpServer, Ipv4Text(*record.DhcpServer), kHostMask);
        } else {
            SetNode(info.DhcpServer, kNoAddress, kNoAddress);
        }
        SetNode(info.PrimaryWinsServer, kNoAddress, kNoAddress);
        SetNode(info.SecondaryWinsServer, kNoAddress, kNoAddress);
        info.LeaseObtained = record.LeaseObtained;
        info.LeaseExpires = record.LeaseExpires;
        offset = tail;
        if (r + 1 < records.size()) {
            info.Next = reinterpret_cast<IP_ADAPTER_INFO*>(base + offset);
        }
        std::memcpy(base + recordOffset, &info, sizeof info);
    }
}

std::size_t PerAdapterInfoSize(const std::vector<TIpv4Address>& dnsServers) {
    return sizeof(IP_PER_ADAPTER_INFO) + ExtraNodes(dnsServers.size()) * sizeof(IP_ADDR_STRING);
}

void PackPerAdapterInfo(const std::vector<TIpv4Address>& dnsServers, void* buffer) {
    char* base = static_cast<char*>(buffer);
    IP_PER_ADAPTER_INFO info{};
    std::size_t tail = sizeof info;
    WriteChain(info.DnsServerList, dnsServers, base, tail,
               [](IP_ADDR_STRING& node, const TIpv4Address& server) {
                   SetNode(node, Ipv4Text(server), std::string());
               });
    std::memcpy(base, &info, sizeof info);
}

} // namespace qmr
