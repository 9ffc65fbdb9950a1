// The entry points of libqmr-iphlpapi.so: the IP helper library's calls, answered from the
// kernel of the caller's network namespace. Links, addresses, routes and speeds come from the
// calling thread's mirror of the kernel's tables, brought up to date from the kernel's notices
// at every call (caller_route_socket.h, kernel_mirror.h); the counters, which change without
// notice, are read at every call that answers them; what never changes for a link while it
// exists is kept (link_identity_cache.h). No exception leaves the library.

#include "network/iphlpapi_records.h"
#include "provider/adapter_snapshot.h"
#include "provider/addresses_snapshot.h"
#include "provider/caller_route_socket.h"
#include "provider/dns_servers.h"
#include "provider/entry_point.h"
#include "provider/interface_rows.h"
#include "provider/state_files.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>

namespace {

using qmr::Guarded;

struct TCHeapRelease {
    void operator()(void* block) const { std::free(block); }
};

bool FitsSizeArgument(std::size_t size) {
    return size <= std::numeric_limits<ULONG>::max();
}

// resolved and the DHCP clients serve process 1's namespace; the caller's namespace was read for
// the call, and whether it is that one is asked of /proc only when it changes.
std::function<bool()> FirstProcessNamespaceTest(const qmr::TKernelView& kernel) {
    return [inode = kernel.Namespace] { return qmr::SharesFirstProcessNetworkNamespace(inode); };
}

qmr::TDnsSources DnsSourcesFor(const qmr::TKernelView& kernel) {
    qmr::TDnsSources sources;
    sources.ResolvedServesThisNamespace = FirstProcessNamespaceTest(kernel);
    return sources;
}

qmr::TLeaseSources LeaseSourcesFor(const qmr::TKernelView& kernel) {
    qmr::TLeaseSources sources;
    sources.ManagersServeThisNamespace = FirstProcessNamespaceTest(kernel);
    return sources;
}

} // namespace

QMR_PROVIDER_EXPORT ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer) {
    if (SizePointer == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        const qmr::TKernelView kernel = qmr::CallerKernel();
        if (kernel.Mirror.Links().empty()) {
            return ERROR_NO_DATA;
        }
        const std::size_t needed = qmr::AdaptersInfoSize(kernel.Mirror);
        if (!FitsSizeArgument(needed)) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        if (AdapterInfo == nullptr || *SizePointer < needed) {
            *SizePointer = static_cast<ULONG>(needed);
            return ERROR_BUFFER_OVERFLOW;
        }
        qmr::TAdapterSnapshot snapshot = qmr::ReadAdapterSnapshot(kernel.Mirror);
        qmr::CompleteAdapterRecords(snapshot, kernel.Socket.Descriptor(),
                                    qmr::TLeaseBook(LeaseSourcesFor(kernel)), qmr::ReadClocks(),
                                    kernel.Identities);
        qmr::PackAdaptersInfo(snapshot.Records, AdapterInfo);
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT DWORD GetIfEntry(PMIB_IFROW pIfRow) {
    if (pIfRow == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        const auto facts = qmr::ReadInterfaceFacts(qmr::CallerKernel(), pIfRow->dwIndex, false);
        if (!facts) {
            // The IP helper library's answer to a row asked for an index that names no interface.
            return ERROR_INVALID_DATA;
        }
        qmr::FillIfRow(*facts, *pIfRow);
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT DWORD GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder) {
    // The mirror holds the links in index order, so every table is ordered whatever bOrder asks.
    (void)bOrder;
    if (pdwSize == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        const qmr::TKernelView kernel = qmr::CallerKernel();
        // A call without a buffer only learns the size: the links are counted, not described.
        if (pIfTable == nullptr) {
            const std::size_t needed = qmr::IfTableSize(kernel.Mirror.Links().size());
            if (!FitsSizeArgument(needed)) {
                return ERROR_NOT_ENOUGH_MEMORY;
            }
            *pdwSize = static_cast<ULONG>(needed);
            return ERROR_INSUFFICIENT_BUFFER;
        }
        const std::vector<qmr::TInterfaceFacts> every = qmr::ReadEveryInterfaceFacts(kernel, false);
        const std::size_t needed = qmr::IfTableSize(every.size());
        if (!FitsSizeArgument(needed)) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        if (needed > *pdwSize) {
            *pdwSize = static_cast<ULONG>(needed);
            return ERROR_INSUFFICIENT_BUFFER;
        }
        std::memset(pIfTable, 0, needed);
        pIfTable->dwNumEntries = static_cast<DWORD>(every.size());
        for (std::size_t i = 0; i < every.size(); ++i) {
            qmr::FillIfRow(every[i], pIfTable->table[i]);
        }
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT DWORD GetIfEntry2(PMIB_IF_ROW2 Row) {
    if (Row == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        // As the IP helper library does, the LUID names the interface when it is set.
        const std::uint32_t index =
            Row->InterfaceLuid.Value != 0
                ? static_cast<std::uint32_t>(Row->InterfaceLuid.Info.NetLuidIndex)
                : Row->InterfaceIndex;
        const auto facts = qmr::ReadInterfaceFacts(qmr::CallerKernel(), index, true);
        if (!facts) {
            return ERROR_FILE_NOT_FOUND;
        }
        qmr::FillIfRow2(*facts, *Row);
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT DWORD GetIfTable2(PMIB_IF_TABLE2* Table) {
    if (Table == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        const std::vector<qmr::TInterfaceFacts> every =
            qmr::ReadEveryInterfaceFacts(qmr::CallerKernel());
        if (!FitsSizeArgument(every.size())) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        // One block from the C heap, which FreeMibTable gives back whoever calls it.
        std::unique_ptr<MIB_IF_TABLE2, TCHeapRelease> table(
            static_cast<PMIB_IF_TABLE2>(std::calloc(1, qmr::IfTable2Size(every.size()))));
        if (table == nullptr) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        table->NumEntries = static_cast<ULONG>(every.size());
        MIB_IF_ROW2* rows = table->Table;
        for (std::size_t i = 0; i < every.size(); ++i) {
            qmr::FillIfRow2(every[i], rows[i]);
        }
        *Table = table.release();
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT void FreeMibTable(PVOID Memory) {
    std::free(Memory);
}

QMR_PROVIDER_EXPORT DWORD GetPerAdapterInfo(ULONG IfIndex, PIP_PER_ADAPTER_INFO pPerAdapterInfo,
                                            PULONG pOutBufLen) {
    if (pOutBufLen == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        const qmr::TKernelView kernel = qmr::CallerKernel();
        if (kernel.Mirror.Find(IfIndex) == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        const std::vector<qmr::TIpv4Address> servers =
            qmr::ReadDnsServers(IfIndex, DnsSourcesFor(kernel));
        const std::size_t needed = qmr::PerAdapterInfoSize(servers);
        if (pPerAdapterInfo == nullptr || *pOutBufLen < needed) {
            *pOutBufLen = static_cast<ULONG>(needed);
            return ERROR_BUFFER_OVERFLOW;
        }
        qmr::PackPerAdapterInfo(servers, pPerAdapterInfo);
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT ULONG GetAdaptersAddresses(ULONG Family, ULONG Flags, PVOID Reserved,
                                               PIP_ADAPTER_ADDRESSES AdapterAddresses,
                                               PULONG SizePointer) {
    (void)Reserved;
    if (SizePointer == nullptr ||
        (Family != WS_AF_UNSPEC && Family != WS_AF_INET && Family != WS_AF_INET6)) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        const qmr::TKernelView kernel = qmr::CallerKernel();
        qmr::TDnsBook dns(DnsSourcesFor(kernel));
        const qmr::TLeaseSources leases = LeaseSourcesFor(kernel);
        const std::vector<qmr::TAddressesRecord> records =
            qmr::ReadAddressesRecords(kernel, Family, Flags, dns, &leases);
        if (records.empty()) {
            return ERROR_NO_DATA;
        }
        const std::size_t needed = qmr::AdaptersAddressesSize(records);
        if (!FitsSizeArgument(needed)) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        if (AdapterAddresses == nullptr || *SizePointer < needed) {
            *SizePointer = static_cast<ULONG>(needed);
            return ERROR_BUFFER_OVERFLOW;
        }
        qmr::PackAdaptersAddresses(records, AdapterAddresses);
        return ERROR_SUCCESS;
    });
}

QMR_PROVIDER_EXPORT ULONG QmrGetStateFileProblems(char* Buffer, PULONG SizePointer) {
    if (SizePointer == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> DWORD {
        const std::string text = qmr::StateFileRefusals();
        if (!FitsSizeArgument(text.size() + 1)) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        const ULONG needed = static_cast<ULONG>(text.size() + 1);
        if (Buffer == nullptr || *SizePointer < needed) {
            *SizePointer = needed;
            return ERROR_BUFFER_OVERFLOW;
        }
        std::memcpy(Buffer, text.c_str(), needed);
        *SizePointer = needed;
        return ERROR_SUCCESS;
    });
}
