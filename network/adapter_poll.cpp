#include "adapter_poll.h"

#include "network/iphlpapi_binding.h"
#include "network/sized_call.h"

#include <optional>

namespace qmr {

std::uint32_t ReadNetworkDevices(TDeviceList& devices) {
    // One adapter record's worth to start with.
    TCallBuffer buffer;
    const ULONG status =
        CallWithGrowingBuffer(buffer, 640, 0, [](std::uint64_t* data, ULONG* size) {
            return qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(data), size);
        });
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const auto* adapters = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data());
    const std::size_t adapterCount = buffer.size() * 8 / sizeof(IP_ADAPTER_INFO);
    const TAddressesAnswer answer = ReadAddressesAnswer(adapterCount);
    // Every device's interface rows in two calls, rather than two calls per device.
    const TInterfaceRowTables rows(adapterCount);
    const TFriendlyNameTable table = ReadFriendlyNameTable(adapters, rows.Table2());
    const TFriendlyNameIndex names(table);
    // The WLAN API is opened, and its interfaces listed, once a poll and only for a poll that
    // found a wireless adapter.
    std::optional<TWlanSession> wlan;
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        if (adapter->Type == IF_TYPE_IEEE80211) {
            wlan.emplace();
            break;
        }
    }
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        if (adapter->Type != MIB_IF_TYPE_LOOPBACK) {
            const auto facts = answer.Ipv6.find(adapter->Index);
            const auto details = answer.Details.find(adapter->Index);
            devices.push_back(std::make_unique<TModelNetworkDevice>(
                adapter, names, facts != answer.Ipv6.end() ? &facts->second : nullptr,
                wlan ? &*wlan : nullptr, &rows, &answer.Ipv4DnsServers,
                details != answer.Details.end() ? &details->second : nullptr));
        }
    }
    return status;
}

} // namespace qmr
