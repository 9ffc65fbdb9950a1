#include "friendly_name_table.h"

#include "base/record_text.h"
#include "network/interface_row_tables.h"
#include "network/iphlpapi_binding.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace qmr {

TFriendlyNameTable ReadFriendlyNameTable(const IP_ADAPTER_INFO* adapters) {
    PMIB_IF_TABLE2 answer = nullptr;
    // Without the rows no name is known, and every device keeps its description.
    if (adapters == nullptr || qmr::GetIfTable2(&answer) != ERROR_SUCCESS || answer == nullptr) {
        return {};
    }
    const std::unique_ptr<MIB_IF_TABLE2, TMibTableRelease> rows(answer);
    return ReadFriendlyNameTable(adapters, rows.get());
}

TFriendlyNameTable ReadFriendlyNameTable(const IP_ADAPTER_INFO* adapters,
                                         const MIB_IF_TABLE2* rows) {
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
    const MIB_IF_ROW2* row = rows->Table;
    for (ULONG i = 0; i < rows->NumEntries; ++i, ++row) {
        const auto [first, last] = byIndex.equal_range(row->InterfaceIndex);
        for (auto match = first; match != last; ++match) {
            const IP_ADAPTER_INFO& adapter = *match->second;
            const WCHAR* alias = row->Alias;
            TFriendlyNameEntry entry;
            entry.ServiceName = RecordTextToUtf16(adapter.AdapterName, sizeof adapter.AdapterName);
            entry.Description.assign(alias, std::find(alias, alias + IF_MAX_STRING_SIZE + 1, 0));
            table.push_back(std::move(entry));
        }
    }
    return table;
}

} // namespace qmr
