#include "adapter_poll.h"

#include "network/answer_chain.h"
#include "network/interface_name_match.h"
#include "network/iphlpapi_binding.h"
#include "network/sized_call.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace qmr {

namespace {

// Every adapter record, and the address and gateway lists each holds, inside the answer.
bool AdaptersInfoSound(const TCallBuffer& buffer) {
    const TAnswerSpan span(buffer.data(), buffer.size() * 8);
    const auto* first = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data());
    if (!span.ChainSound(first)) {
        return false;
    }
    for (const IP_ADAPTER_INFO* adapter = first; adapter != nullptr; adapter = adapter->Next) {
        if (!span.ChainSound(&adapter->IpAddressList, true) ||
            !span.ChainSound(&adapter->GatewayList, true)) {
            return false;
        }
    }
    return true;
}

// A link deleted or renamed after GetAdaptersInfo answered has no interface row (index 0, MTU 0,
// its description for a name), or no 64-bit row in a table that was read, or a row under
// another name: its facts cannot be joined. It is left out of this poll; the next one sees it
// whole or not at all.
bool SameLinkInEveryCall(const TModelNetworkDevice& device, const TInterfaceRowTables& rows) {
    return device.GetIfIndex() != 0 &&
           (rows.Rows2() == nullptr || rows.Row2(device.GetIfIndex()) != nullptr) &&
           InterfaceNamesMatch(device.m_AdapterName, device.m_IfName);
}

// Whether no two adapter records share an index, as a library may answer.
bool IndexesUnique(const IP_ADAPTER_INFO* adapters) {
    std::vector<DWORD> indexes;
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        indexes.push_back(adapter->Index);
    }
    std::sort(indexes.begin(), indexes.end());
    return std::adjacent_find(indexes.begin(), indexes.end()) == indexes.end();
}

std::string StatusText(const TCallFailure& failure) {
    std::string text = failure.Call +
                       (failure.BrokenAnswer ? " gave an answer that cannot be "
                                               "sound (status "
                                             : " failed with status ") +
                       std::to_string(failure.Status);
    if (failure.BrokenAnswer) {
        text += ")";
    }
    if (failure.Times > 1) {
        text += " (asked " + std::to_string(failure.Times) + " times)";
    }
    return text;
}

} // namespace

std::string TPollFailures::Text() const {
    std::string text;
    for (const TCallFailure& failure : Calls) {
        text += (text.empty() ? "" : "; ") + StatusText(failure);
    }
    return text;
}

std::string DescribeNoAdapters(std::uint32_t status, const TPollFailures& failures) {
    if (status == ERROR_SUCCESS || status == ERROR_NO_DATA) {
        return {};
    }
    const std::string text = failures.Text();
    return !text.empty() ? "the adapters could not be read: " + text
                         : "the adapters could not be read (status " + std::to_string(status) + ")";
}

std::uint32_t ReadNetworkDevices(TDeviceList& devices) {
    TPollFailures ignored;
    return ReadNetworkDevicesTellingFailures(devices, ignored);
}

std::uint32_t ReadNetworkDevicesTellingFailures(TDeviceList& devices, TPollFailures& failures) {
    ULONG room = kFirstAdaptersInfoRoom;
    return ReadNetworkDevicesWithRoom(devices, failures, room);
}

std::uint32_t TAdapterPoll::operator()(TDeviceList& devices, TPollFailures& failures) {
    return ReadNetworkDevicesWithRoom(devices, failures, m_Room);
}

std::uint32_t ReadNetworkDevicesWithRoom(TDeviceList& devices, TPollFailures& failures,
                                         ULONG& room) {
    // The devices the list held (the last poll's) are filled again for this poll's records, in
    // their order, rather than made anew: their texts and lists keep their room.
    TDeviceList spare;
    spare.swap(devices);
    std::reverse(spare.begin(), spare.end());
    TCallBuffer buffer;
    int calls = 0;
    ULONG status =
        CallWithGrowingBuffer(buffer, room, 0, [&calls](std::uint64_t* data, ULONG* size) {
            ++calls;
            return qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(data), size);
        });
    if (status == ERROR_SUCCESS && !AdaptersInfoSound(buffer)) {
        failures.Calls.push_back({"GetAdaptersInfo", ERROR_INVALID_DATA, 1, true});
        return ERROR_INVALID_DATA;
    }
    if (status != ERROR_SUCCESS) {
        // No adapters is no failure; a library without the call says so through IpHelperProblem.
        if (status != ERROR_NO_DATA) {
            failures.Calls.push_back({"GetAdaptersInfo", status, calls});
        }
        return status;
    }
    room = static_cast<ULONG>(buffer.size() * 8);
    const auto* adapters = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data());
    // Counted, not taken from the room, which may be a larger machine's of an earlier poll.
    std::size_t adapterCount = 0;
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        ++adapterCount;
    }
    TAddressesAnswer answer = ReadAddressesAnswer(adapterCount);
    if (answer.Status != ERROR_SUCCESS && answer.Status != ERROR_NOT_SUPPORTED &&
        answer.Status != ERROR_NO_DATA) {
        failures.Calls.push_back(
            {"GetAdaptersAddresses", answer.Status, 1, answer.Status == ERROR_INVALID_DATA});
    }
    // Every device's interface rows in two calls, rather than two calls per device.
    const TInterfaceRowTables rows(adapterCount);
    const TFriendlyNameTable table = ReadFriendlyNameTable(adapters, rows.Rows2());
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
    // Each device takes its IPv6 facts from the answer rather than a copy of them (their texts
    // were a quarter of a device's making), unless records share an index and so the facts.
    const bool moveIpv6 = IndexesUnique(adapters);
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        if (adapter->Type != MIB_IF_TYPE_LOOPBACK) {
            const auto found = answer.Ipv6.find(adapter->Index);
            TIpv6Facts* facts = found != answer.Ipv6.end() ? &found->second : nullptr;
            const auto details = answer.Details.find(adapter->Index);
            const TIpv6Facts* copied = moveIpv6 ? nullptr : facts;
            const TAdapterDetails* detailsOf =
                details != answer.Details.end() ? &details->second : nullptr;
            std::unique_ptr<TModelNetworkDevice> device;
            if (!spare.empty()) {
                device = std::move(spare.back());
                spare.pop_back();
                device->Refill(adapter, names, copied, wlan ? &*wlan : nullptr, &rows,
                               &answer.Ipv4DnsServers, detailsOf);
            } else {
                device = std::make_unique<TModelNetworkDevice>(adapter, names, copied,
                                                               wlan ? &*wlan : nullptr, &rows,
                                                               &answer.Ipv4DnsServers, detailsOf);
            }
            if (moveIpv6 && facts != nullptr) {
                device->m_Ipv6 = std::move(*facts);
            }
            if (SameLinkInEveryCall(*device, rows)) {
                devices.push_back(std::move(device));
            } else {
                spare.push_back(std::move(device)); // its room serves the next record
            }
        }
    }
    return status;
}

} // namespace qmr
