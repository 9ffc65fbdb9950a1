#include "friendly_name_table.h"

#include "base/record_text.h"
#include "network/interface_row_tables.h"
#include "network/iphlpapi_binding.h"

#include <algorithm>
#include <unordered_map>

namespace qmr {

TFriendlyNameTable ReadFriendlyNameTable(const IP_ADAPTER_INFO* adapters) {
    PMIB_IF_TABLE2 answer = nullptr;
    // Without the rows no name is known, and every device keeps its description.
    if (adapters == nullptr || qmr::GetIfTable2(&answer) != ERROR_SUCCESS || answer == nullptr) {
        return {};
    }
    std::vector<TInterfaceRow2> rows(answer->Table, answer->Table + answer->NumEntries);
    qmr::FreeMibTable(answer);
    return ReadFriendlyNameTable(adapters, &rows);
}

TFriendlyNameTable ReadFriendlyNameTable(const IP_ADAPTER_INFO* adapters,
                                         const std::vector<TInterfaceRow2>* rows) {
    TFriendlyNameTable table;
    if (rows == nullptr) {
        return table;
    }
    // The rows carry no interface name: the adapter records of the same poll give it, matched
    // by index.
    std::unordered_multimap<DWORD, const IP_ADAPTER_INFO*> byIndex;
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        byIndex.emplace(adapter->Index, adapter);
    }
    for (const TInterfaceRow2& row : *rows) {
        const auto [first, last] = byIndex.equal_range(row.InterfaceIndex);
        for (auto match = first; match != last; ++match) {
            const IP_ADAPTER_INFO& adapter = *match->second;
            TFriendlyNameEntry entry;
            entry.ServiceName = RecordTextToUtf16(adapter.AdapterName, sizeof adapter.AdapterName);
            entry.Description = row.Alias;
            table.push_back(std::move(entry));
        }
    }
    return table;
}

} // namespace qmr
