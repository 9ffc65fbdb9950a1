#include "interface_row_tables.h"

#include "base/record_text.h"
#include "network/iphlpapi_binding.h"
#include "network/sized_call.h"

#include <algorithm>
#include <cstddef>

namespace qmr {

TInterfaceRow::TInterfaceRow(const MIB_IFROW& row)
    : Name(reinterpret_cast<const char16_t*>(row.wszName),
           std::find(row.wszName, row.wszName + MAX_INTERFACE_NAME_LEN, 0) - row.wszName),
      Description(RecordBytesToUtf16(reinterpret_cast<const char*>(row.bDescr),
                                     std::min<std::size_t>(row.dwDescrLen, MAXLEN_IFDESCR))),
      PhysAddrLength(std::min<std::size_t>(row.dwPhysAddrLen, MAXLEN_PHYSADDR)), Index(row.dwIndex),
      Type(row.dwType), Mtu(row.dwMtu), Speed(row.dwSpeed), AdminStatus(row.dwAdminStatus),
      OperStatus(row.dwOperStatus), LastChange(row.dwLastChange) {
    std::copy_n(row.bPhysAddr, PhysAddr.size(), PhysAddr.begin());
    Counters = {row.dwInOctets,      row.dwInUcastPkts,     row.dwInNUcastPkts, row.dwInDiscards,
                row.dwInErrors,      row.dwInUnknownProtos, row.dwOutOctets,    row.dwOutUcastPkts,
                row.dwOutNUcastPkts, row.dwOutDiscards,     row.dwOutErrors,    row.dwOutQLen};
}

TInterfaceRow2::TInterfaceRow2(const MIB_IF_ROW2& row)
    : InterfaceIndex(row.InterfaceIndex),
      Alias(reinterpret_cast<const char16_t*>(row.Alias),
            std::find(row.Alias, row.Alias + IF_MAX_STRING_SIZE + 1, 0) - row.Alias),
      InterfaceGuid(row.InterfaceGuid),
      HardwareInterface(row.InterfaceAndOperStatusFlags.HardwareInterface != 0),
      PhysicalAddressLength(
          std::min<std::size_t>(row.PhysicalAddressLength, IF_MAX_PHYS_ADDRESS_LENGTH)),
      ReceiveLinkSpeed(row.ReceiveLinkSpeed) {
    std::copy_n(row.PhysicalAddress, PhysicalAddress.size(), PhysicalAddress.begin());
    std::copy_n(row.PermanentPhysicalAddress, PermanentPhysicalAddress.size(),
                PermanentPhysicalAddress.begin());
    Counters = {row.InOctets,      row.InUcastPkts,     row.InNUcastPkts, row.InDiscards,
                row.InErrors,      row.InUnknownProtos, row.OutOctets,    row.OutUcastPkts,
                row.OutNUcastPkts, row.OutDiscards,     row.OutErrors,    row.OutQLen};
}

TInterfaceRowTables::TInterfaceRowTables(std::size_t rowsExpected) {
    {
        TCallBuffer buffer;
        const auto room = static_cast<ULONG>(offsetof(MIB_IFTABLE, table) +
                                             (rowsExpected + 1) * sizeof(MIB_IFROW));
        const ULONG status = CallWithGrowingBuffer(
            buffer, room, sizeof(MIB_IFTABLE),
            [](std::uint64_t* data, ULONG* size) {
                return qmr::GetIfTable(reinterpret_cast<PMIB_IFTABLE>(data), size, 1);
            },
            ERROR_INSUFFICIENT_BUFFER);
        if (status == ERROR_SUCCESS) {
            const auto* table = reinterpret_cast<const MIB_IFTABLE*>(buffer.data());
            // Never more rows than the buffer holds, whatever the count claims.
            const std::size_t fits =
                (buffer.size() * 8 - offsetof(MIB_IFTABLE, table)) / sizeof(MIB_IFROW);
            const std::size_t count = std::min<std::size_t>(table->dwNumEntries, fits);
            m_Rows.reserve(count);
            m_RowAt.reserve(count);
            for (std::size_t i = 0; i < count; ++i) {
                m_Rows.emplace_back(table->table[i]);
                m_RowAt.emplace(table->table[i].dwIndex, i);
            }
        }
        // The table's pages go back to the heap here, for the 64-bit table to use.
    }
    PMIB_IF_TABLE2 answer = nullptr;
    if (qmr::GetIfTable2(&answer) == ERROR_SUCCESS && answer != nullptr) {
        m_HaveTable2 = true;
        m_Rows2.reserve(answer->NumEntries);
        m_Row2At.reserve(answer->NumEntries);
        for (ULONG i = 0; i < answer->NumEntries; ++i) {
            m_Rows2.emplace_back(answer->Table[i]);
            m_Row2At.emplace(answer->Table[i].InterfaceIndex, i);
        }
        qmr::FreeMibTable(answer);
    }
}

const TInterfaceRow* TInterfaceRowTables::Row(DWORD index) const {
    const auto found = m_RowAt.find(index);
    return found != m_RowAt.end() ? &m_Rows[found->second] : nullptr;
}

const TInterfaceRow2* TInterfaceRowTables::Row2(DWORD index) const {
    const auto found = m_Row2At.find(index);
    return found != m_Row2At.end() ? &m_Rows2[found->second] : nullptr;
}

} // namespace qmr
