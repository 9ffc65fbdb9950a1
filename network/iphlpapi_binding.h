#pragma once
// Run-time binding of the IP helper library. The program starts, and polls, even where the
// library or one of its entry points is missing: the wrappers then answer 50.

#include "network/iphlpapi_records.h"

#include <cstdint>
#include <string>

namespace qmr {

// Its one static instance loads the library at program start and releases it at the end.
class IPHLPAPI {
public:
    IPHLPAPI();
    virtual ~IPHLPAPI();
    IPHLPAPI(const IPHLPAPI&) = delete;
    IPHLPAPI& operator=(const IPHLPAPI&) = delete;
};

// Adds one reference; loads the library and resolves every slot only when there was none.
// Returns whether the library is loaded.
bool LoadIpHelper();
// Drops one reference; at zero empties the slots and frees the library.
void ReleaseIpHelper();

// The wrappers: call through when the slot is filled (loading on demand), otherwise set the
// last error to 1 and return 50.
ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer);
DWORD GetIfEntry(PMIB_IFROW pIfRow);
// Every 32-bit interface row at once, as the poll reads them (122 and the size when the
// buffer is too small).
DWORD GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder);
DWORD GetPerAdapterInfo(ULONG IfIndex, PIP_PER_ADAPTER_INFO pPerAdapterInfo, PULONG pOutBufLen);
// Not one of the original slots: the 64-bit interface row, for speeds above 4 Gbit/s and
// counters beyond 4 GiB.
DWORD GetIfEntry2(PMIB_IF_ROW2 Row);
// Not original slots either: every interface row at once, in a block of the library's that
// FreeMibTable gives back. GetIfTable2 answers 50 also where FreeMibTable is missing; an empty
// FreeMibTable slot only sets the last error.
DWORD GetIfTable2(PMIB_IF_TABLE2* Table);
void FreeMibTable(PVOID Memory);

// Appended after GetIfEntry2: every adapter with its addresses of both families, gateways and
// DNS servers, the one way to IPv6 facts that Windows has. Where the library lacks it, the
// poll goes on without IPv6.
ULONG GetAdaptersAddresses(ULONG Family, ULONG Flags, PVOID Reserved,
                           PIP_ADAPTER_ADDRESSES AdapterAddresses, PULONG SizePointer);

// State of the binding, for tests and diagnostics.
std::int32_t IpHelperReferenceCount();
bool IpHelperLoaded();
bool IpHelperEntryPointBound(const char* name);
// Why the library is not loaded (the loader's reason, UTF-8); empty while it is.
std::string IpHelperLoadFailureReason();
// What the window's problem line says, UTF-8: why a poll cannot read the adapters (the
// loader's reason, or the entry points a poll needs that the loaded library lacks), and the
// files refused by the provider and by this program (language, settings); empty when nothing
// stands in the way. Loads the library for the question and releases it again.
std::string IpHelperProblem();
// The state files the provider refused at its last reading of each ("/etc/resolv.conf is not a
// regular file; ..."), UTF-8; empty when there is none or the library does not say (Windows').
std::string StateFileProblems();

} // namespace qmr
