#include "interface_row_tables.h"

#include "network/iphlpapi_binding.h"
#include "network/sized_call.h"

#include <algorithm>
#include <cstddef>

namespace qmr {

void TMibTableRelease::operator()(PMIB_IF_TABLE2 table) const {
    qmr::FreeMibTable(table);
}

TInterfaceRowTables::TInterfaceRowTables(std::size_t rowsExpected) {
    const auto room =
        static_cast<ULONG>(offsetof(MIB_IFTABLE, table) + (rowsExpected + 1) * sizeof(MIB_IFROW));
    const ULONG status = CallWithGrowingBuffer(
        m_Table, room, sizeof(MIB_IFTABLE),
        [](std::uint64_t* data, ULONG* size) {
            return qmr::GetIfTable(reinterpret_cast<PMIB_IFTABLE>(data), size, 1);
        },
        ERROR_INSUFFICIENT_BUFFER);
    if (status == ERROR_SUCCESS) {
        const auto* table = reinterpret_cast<const MIB_IFTABLE*>(m_Table.data());
        // Never more rows than the buffer holds, whatever the count claims.
        const std::size_t fits =
            (m_Table.size() * 8 - offsetof(MIB_IFTABLE, table)) / sizeof(MIB_IFROW);
        const std::size_t count = std::min<std::size_t>(table->dwNumEntries, fits);
        m_Rows.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            m_Rows.emplace(table->table[i].dwIndex, &table->table[i]);
        }
    }
    PMIB_IF_TABLE2 answer = nullptr;
    if (qmr::GetIfTable2(&answer) == ERROR_SUCCESS && answer != nullptr) {
        m_Table2.reset(answer);
        m_Rows2.reserve(answer->NumEntries);
        for (ULONG i = 0; i < answer->NumEntries; ++i) {
            m_Rows2.emplace(answer->Table[i].InterfaceIndex, &answer->Table[i]);
        }
    }
}

const MIB_IFROW* TInterfaceRowTables::Row(DWORD index) const {
    const auto found = m_Rows.find(index);
    return found != m_Rows.end() ? found->second : nullptr;
}

const MIB_IF_ROW2* TInterfaceRowTables::Row2(DWORD index) const {
    const auto found = m_Rows2.find(index);
    return found != m_Rows2.end() ? found->second : nullptr;
}

} // namespace qmr
