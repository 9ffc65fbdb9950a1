#include "adapter_poll.h"

#include "network/iphlpapi_binding.h"

namespace qmr {

std::uint32_t ReadNetworkDevices(TDeviceList& devices) {
    // One adapter record's worth to start with; 8-byte units keep the records aligned.
    ULONG size = 640;
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    ULONG status = qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
    if (status == ERROR_BUFFER_OVERFLOW) {
        buffer.assign((size + 7) / 8, 0);
        status = qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const auto* adapters = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data());
    const TFriendlyNameTable table = ReadFriendlyNameTable(adapters);
    const TFriendlyNameIndex names(table);
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        if (adapter->Type != MIB_IF_TYPE_LOOPBACK) {
            devices.push_back(std::make_unique<TModelNetworkDevice>(adapter, names));
        }
    }
    return status;
}

} // namespace qmr
