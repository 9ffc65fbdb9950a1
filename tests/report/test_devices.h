#pragma once
// Devices for the report tests: an adapter record assembled in memory, run through the
// device's own constructor, then given the interface values a real row would have supplied.

#include "network/model_network_device.h"
#include "report/report_lines.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace qmr::test {

struct TAddressPair {
    std::string Address;
    std::string Mask;
};

struct TDeviceFacts {
    std::string Description = "Local Area Connection";
    std::vector<std::uint8_t> Mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    bool Dhcp = true;
    std::vector<TAddressPair> Addresses = {{"192.168.1.10", "255.255.255.0"}};
    std::vector<std::string> Gateways = {"192.168.1.1"};
    bool HaveWins = false;
    std::string PrimaryWins;
    std::string SecondaryWins;
    std::vector<std::string> DnsServers;
    std::uint32_t Type = 6;
    std::uint32_t OperStatus = 5;
    std::uint64_t Speed = 100000000;
    std::uint64_t InOctets = 1234567;
    std::uint64_t OutOctets = 21;
    TIpv6Facts Ipv6;
};

// An IP_ADAPTER_INFO with its address chains; the extra chain nodes live here too.
class TAdapterRecord {
public:
    explicit TAdapterRecord(const TDeviceFacts& facts);
    // The chains point into the record and into m_Nodes.
    TAdapterRecord(const TAdapterRecord&) = delete;
    TAdapterRecord& operator=(const TAdapterRecord&) = delete;
    const IP_ADAPTER_INFO* Get() const { return &m_Info; }

private:
    void FillChain(IP_ADDR_STRING& first, const std::vector<TAddressPair>& entries);

    IP_ADAPTER_INFO m_Info{};
    std::deque<IP_ADDR_STRING> m_Nodes;
};

// A device built from a record of these facts; the interface values and the DNS list are then
// set from them, whatever the machine's IP helper answered for the record's index.
std::unique_ptr<TModelNetworkDevice> MakeDevice(const TDeviceFacts& facts);

// What one report builder appends to an empty list.
using Builder = void (*)(TLineList*, const TModelNetworkDevice*, const TReportExtras&);
inline TLineList Build(Builder builder, const TModelNetworkDevice* device,
                       const TReportExtras& extras = {}) {
    TLineList lines;
    builder(&lines, device, extras);
    return lines;
}

} // namespace qmr::test
