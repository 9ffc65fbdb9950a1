#pragma once
// Packing adapter and per-adapter records into the caller's buffer as the IP helper library
// does: records first-to-last with every further address node after its record, all Next
// links pointing inside the buffer. The sizes are exact, so a caller given 111 and a size can
// ask again with exactly that much.

#include "network/iphlpapi_records.h"
#include "provider/kernel_facts.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qmr {

struct TPrefixedAddress {
    TIpv4Address Address{};
    int PrefixLength = 0;
};

// What one IP_ADAPTER_INFO record says.
struct TAdapterRecord {
    std::string Name;
    std::string Description;
    std::vector<std::uint8_t> HardwareAddress;
    std::uint32_t Index = 0;
    UINT Type = MIB_IF_TYPE_OTHER;
    bool DhcpEnabled = false;
    std::vector<TPrefixedAddress> Addresses;
    // Lowest metric first.
    std::vector<TIpv4Address> Gateways;
    std::optional<TIpv4Address> DhcpServer;
    IPHLP_TIME_T LeaseObtained = 0;
    IPHLP_TIME_T LeaseExpires = 0;
};

// "255.255.255.0" for 24; lengths beyond 32 count as 32.
std::string MaskText(int prefixLength);

// Copies at most capacity - 1 bytes and a terminating zero, never cutting a UTF-8 sequence.
void CopyRecordText(const std::string& text, char* field, std::size_t capacity);

std::size_t AdaptersInfoSize(const std::vector<TAdapterRecord>& records);
// `buffer` holds at least AdaptersInfoSize(records) bytes; nothing outside them is written.
void PackAdaptersInfo(const std::vector<TAdapterRecord>& records, void* buffer);

std::size_t PerAdapterInfoSize(const std::vector<TIpv4Address>& dnsServers);
void PackPerAdapterInfo(const std::vector<TIpv4Address>& dnsServers, void* buffer);

} // namespace qmr
