#pragma once
// The 32-bit and 64-bit interface rows of every interface, read once a poll (one GetIfTable and
// one GetIfTable2 call) and found by index, so that no device asks for its rows one by one.

#include "network/iphlpapi_records.h"
#include "network/sized_call.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace qmr {

struct TMibTableRelease {
    void operator()(PMIB_IF_TABLE2 table) const;
};

class TInterfaceRowTables {
public:
    // Reads both tables, the first GetIfTable call with room for `rowsExpected` rows and again
    // with each size asked for. A table the library lacks or fails is simply not there.
    explicit TInterfaceRowTables(std::size_t rowsExpected);

    // Null when the table was not read or holds no row of that index: the device then asks
    // for its row alone, as it would without the tables.
    const MIB_IFROW* Row(DWORD index) const;
    const MIB_IF_ROW2* Row2(DWORD index) const;
    // The GetIfTable2 block, which the friendly names are read from; null when not read.
    const MIB_IF_TABLE2* Table2() const { return m_Table2.get(); }

private:
    TCallBuffer m_Table;
    std::unique_ptr<MIB_IF_TABLE2, TMibTableRelease> m_Table2;
    std::unordered_map<DWORD, const MIB_IFROW*> m_Rows;
    std::unordered_map<DWORD, const MIB_IF_ROW2*> m_Rows2;
};

} // namespace qmr
