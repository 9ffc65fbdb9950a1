#include "iphlpapi_binding.h"

#include "base/last_error.h"
#include "base/state_file.h"
#include "network/ip_helper_library.h"
#include "network/runtime_binding.h"

#include <array>
#include <cstring>

namespace qmr {

namespace {

// The slots in the order the library's users have always resolved them; only GetIfTable,
// GetIfEntry, GetAdaptersInfo and GetPerAdapterInfo (and the appended GetIfEntry2, GetIfTable2,
// FreeMibTable and GetAdaptersAddresses) are called.
constexpr std::array<const char*, 20> kSlotNames = {
    "GetIfTable",       "GetIfEntry",       "GetAdaptersInfo",      "GetPerAdapterInfo",
    "GetNetworkParams", "GetInterfaceInfo", "GetIpForwardTable",    "IcmpCreateFile",
    "Icmp6CreateFile",  "IcmpCloseHandle",  "IcmpSendEcho",         "IcmpSendEcho2",
    "Icmp6SendEcho2",   "IcmpParseReplies", "Icmp6ParseReplies",    "GetIfEntry2",
    "GetIfTable2",      "FreeMibTable",     "GetAdaptersAddresses", "QmrGetStateFileProblems",
};

enum Slot : std::size_t {
    kGetIfTable = 0,
    kGetIfEntry = 1,
    kGetAdaptersInfo = 2,
    kGetPerAdapterInfo = 3,
    kGetIfEntry2 = 15,
    kGetIfTable2 = 16,
    kFreeMibTable = 17,
    kGetAdaptersAddresses = 18,
    kQmrGetStateFileProblems = 19,
};

using GetAdaptersInfoFn = decltype(&::GetAdaptersInfo);
using GetIfEntryFn = decltype(&::GetIfEntry);
using GetIfTableFn = decltype(&::GetIfTable);
using GetPerAdapterInfoFn = decltype(&::GetPerAdapterInfo);
using GetIfEntry2Fn = decltype(&::GetIfEntry2);
using GetIfTable2Fn = decltype(&::GetIfTable2);
using FreeMibTableFn = decltype(&::FreeMibTable);
using GetAdaptersAddressesFn = decltype(&::GetAdaptersAddresses);
using QmrGetStateFileProblemsFn = decltype(&::QmrGetStateFileProblems);

using Binding = TRuntimeBinding<kSlotNames.size()>;

Binding& State() {
    static Binding binding(kSlotNames, OpenIpHelperLibrary);
    return binding;
}

// The slot's function, loading the library first when the slot is empty.
template <typename Fn> Fn Bound(Slot slot) {
    if (!State().Has(slot)) {
        LoadIpHelper();
    }
    return State().Get<Fn>(slot);
}

std::uint32_t Unavailable() {
    SetLastErrorCode(ERROR_INVALID_FUNCTION);
    return ERROR_NOT_SUPPORTED;
}

IPHLPAPI g_IpHelper;

} // namespace

IPHLPAPI::IPHLPAPI() {
    LoadIpHelper();
}

IPHLPAPI::~IPHLPAPI() {
    ReleaseIpHelper();
}

bool LoadIpHelper() {
    return State().Bind();
}

void ReleaseIpHelper() {
    State().Release();
}

ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer) {
    if (auto fn = Bound<GetAdaptersInfoFn>(kGetAdaptersInfo)) {
        return fn(AdapterInfo, SizePointer);
    }
    return Unavailable();
}

DWORD GetIfEntry(PMIB_IFROW pIfRow) {
    if (auto fn = Bound<GetIfEntryFn>(kGetIfEntry)) {
        return fn(pIfRow);
    }
    return Unavailable();
}

DWORD GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder) {
    if (auto fn = Bound<GetIfTableFn>(kGetIfTable)) {
        return fn(pIfTable, pdwSize, bOrder);
    }
    return Unavailable();
}

DWORD GetPerAdapterInfo(ULONG IfIndex, PIP_PER_ADAPTER_INFO pPerAdapterInfo, PULONG pOutBufLen) {
    if (auto fn = Bound<GetPerAdapterInfoFn>(kGetPerAdapterInfo)) {
        return fn(IfIndex, pPerAdapterInfo, pOutBufLen);
    }
    return Unavailable();
}

DWORD GetIfEntry2(PMIB_IF_ROW2 Row) {
    if (auto fn = Bound<GetIfEntry2Fn>(kGetIfEntry2)) {
        return fn(Row);
    }
    return Unavailable();
}

DWORD GetIfTable2(PMIB_IF_TABLE2* Table) {
    // A table that could not be given back is not taken.
    if (auto fn = Bound<GetIfTable2Fn>(kGetIfTable2); fn && State().Has(kFreeMibTable)) {
        return fn(Table);
    }
    return Unavailable();
}

void FreeMibTable(PVOID Memory) {
    if (auto fn = Bound<FreeMibTableFn>(kFreeMibTable)) {
        fn(Memory);
        return;
    }
    Unavailable();
}

ULONG GetAdaptersAddresses(ULONG Family, ULONG Flags, PVOID Reserved,
                           PIP_ADAPTER_ADDRESSES AdapterAddresses, PULONG SizePointer) {
    if (auto fn = Bound<GetAdaptersAddressesFn>(kGetAdaptersAddresses)) {
        return fn(Family, Flags, Reserved, AdapterAddresses, SizePointer);
    }
    return Unavailable();
}

std::string IpHelperLoadFailureReason() {
    return IpHelperLoaded() ? std::string() : IpHelperLoadFailure();
}

namespace {

std::string AskStateFileProblems(QmrGetStateFileProblemsFn fn) {
    std::string text(256, '\0');
    bool answered = false;
    for (int attempt = 0; attempt < 4 && !answered; ++attempt) {
        ULONG size = static_cast<ULONG>(text.size());
        const ULONG status = fn(text.data(), &size);
        if (status == ERROR_SUCCESS) {
            answered = true;
        } else if (status != ERROR_BUFFER_OVERFLOW || size <= text.size() || size > (1u << 20)) {
            return {};
        } else {
            text.assign(size, '\0');
        }
    }
    if (!answered) {
        return {};
    }
    text.resize(std::strlen(text.c_str())); // whatever the size said, the text ends at its NUL
    return text;
}

// Lines side by side, for the window's one problem line.
std::string OneLine(std::string lines) {
    if (!lines.empty() && lines.back() == '\n') {
        lines.pop_back();
    }
    for (std::size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at)) {
        lines.replace(at, 1, "; ");
    }
    return lines;
}

} // namespace

std::string StateFileProblems() {
    LoadIpHelper();
    // Only our provider has the call; iphlpapi.dll reads no such files.
    const auto fn = State().Get<QmrGetStateFileProblemsFn>(kQmrGetStateFileProblems);
    std::string text = fn != nullptr ? AskStateFileProblems(fn) : std::string();
    ReleaseIpHelper();
    return OneLine(std::move(text));
}

std::string IpHelperProblem() {
    const bool loaded = LoadIpHelper();
    std::string problem;
    if (!loaded) {
        problem = IpHelperLoadFailure();
    } else {
        std::string missing;
        // What every poll calls; the others are optional and read as "no such facts".
        for (const Slot slot : {kGetAdaptersInfo, kGetIfEntry, kGetPerAdapterInfo}) {
            if (!State().Has(slot)) {
                missing += (missing.empty() ? "" : ", ") + std::string(kSlotNames[slot]);
            }
        }
        if (!missing.empty()) {
            problem = "the IP helper library lacks the entry point " + missing;
        }
    }
    // The provider's refusals, then this program's own (its language and settings files).
    for (const std::string& refused : {StateFileProblems(), OneLine(StateFileRefusals())}) {
        if (!refused.empty()) {
            problem += (problem.empty() ? "" : "; ") + refused;
        }
    }
    ReleaseIpHelper();
    return problem;
}

std::int32_t IpHelperReferenceCount() {
    return State().References();
}

bool IpHelperLoaded() {
    return State().Loaded();
}

bool IpHelperEntryPointBound(const char* name) {
    for (std::size_t i = 0; i < kSlotNames.size(); ++i) {
        if (std::strcmp(kSlotNames[i], name) == 0) {
            return State().Has(i);
        }
    }
    return false;
}

} // namespace qmr
