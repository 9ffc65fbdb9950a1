#pragma once
// The 32-bit and 64-bit interface rows of every interface, read once a poll (one GetIfTable and
// one GetIfTable2 call) and found by index, so that no device asks for its rows one by one.
//
// The tables keep what a device takes from each row, not the rows: a row's fixed-size text
// fields are most of its bytes (860 for the 32-bit row, 1,352 for the 64-bit one), and a poll
// of hundreds of links would hold a megabyte of them, every page of it touched afresh.

#include "network/iphlpapi_records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qmr {

// Both rows carry the same twelve counters, the 32-bit row in 32 bits.
struct TInterfaceCounters {
    std::uint64_t InOctets = 0;
    std::uint64_t InUcastPkts = 0;
    std::uint64_t InNUcastPkts = 0;
    std::uint64_t InDiscards = 0;
    std::uint64_t InErrors = 0;
    std::uint64_t InUnknownProtos = 0;
    std::uint64_t OutOctets = 0;
    std::uint64_t OutUcastPkts = 0;
    std::uint64_t OutNUcastPkts = 0;
    std::uint64_t OutDiscards = 0;
    std::uint64_t OutErrors = 0;
    std::uint64_t OutQLen = 0;
};

// A MIB_IFROW, its texts as far as they go: the name to its first zero, exactly dwDescrLen
// bytes of the description (no search for a zero) and as much of the hardware address as
// dwPhysAddrLen claims, each cut where its field ends.
struct TInterfaceRow {
    explicit TInterfaceRow(const MIB_IFROW& row);

    std::u16string Name;
    std::u16string Description;
    std::array<BYTE, MAXLEN_PHYSADDR> PhysAddr{};
    std::size_t PhysAddrLength = 0;
    DWORD Index = 0;
    DWORD Type = 0;
    DWORD Mtu = 0;
    DWORD Speed = 0;
    DWORD AdminStatus = 0;
    DWORD OperStatus = 0;
    DWORD LastChange = 0;
    TInterfaceCounters Counters;
};

// A MIB_IF_ROW2; both hardware addresses have the current one's length, cut where the fields
// end, and the alias goes to its first zero.
struct TInterfaceRow2 {
    explicit TInterfaceRow2(const MIB_IF_ROW2& row);

    ULONG InterfaceIndex = 0;
    std::u16string Alias;
    GUID InterfaceGuid{};
    bool HardwareInterface = false;
    std::size_t PhysicalAddressLength = 0;
    std::array<UCHAR, IF_MAX_PHYS_ADDRESS_LENGTH> PhysicalAddress{};
    std::array<UCHAR, IF_MAX_PHYS_ADDRESS_LENGTH> PermanentPhysicalAddress{};
    ULONG64 ReceiveLinkSpeed = 0;
    TInterfaceCounters Counters;
};

class TInterfaceRowTables {
public:
    // Reads both tables, the first GetIfTable call with room for `rowsExpected` rows and again
    // with each size asked for. A table the library lacks or fails is simply not there.
    explicit TInterfaceRowTables(std::size_t rowsExpected);

    // Null when the table was not read or holds no row of that index: the device then asks
    // for its row alone, as it would without the tables. Where two rows share an index, the
    // first is the one found.
    const TInterfaceRow* Row(DWORD index) const;
    const TInterfaceRow2* Row2(DWORD index) const;
    // Every 64-bit row in the order GetIfTable2 gave them, which the friendly names are read
    // from; null when that table was not read.
    const std::vector<TInterfaceRow2>* Rows2() const { return m_HaveTable2 ? &m_Rows2 : nullptr; }

private:
    std::vector<TInterfaceRow> m_Rows;
    std::vector<TInterfaceRow2> m_Rows2;
    bool m_HaveTable2 = false;
    std::unordered_map<DWORD, std::size_t> m_RowAt;
    std::unordered_map<DWORD, std::size_t> m_Row2At;
};

} // namespace qmr
