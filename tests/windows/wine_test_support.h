#pragma once
// What the Windows suites share: the adapters as the system library itself reports them, read
// through its import library rather than through our run-time binding, and the rule for a
// machine that has nothing to show.

#include <winsock2.h>

#include <ws2ipdef.h>

#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace qmr::test {

inline bool RunningUnderCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

// Skips the test with the reason, except under CI=true, where a missing precondition is a fault.
#define QMR_SKIP_OR_FAIL(reason)                                                                   \
    do {                                                                                           \
        if (::qmr::test::RunningUnderCi()) {                                                       \
            FAIL() << "CI=true forbids skipping: " << (reason);                                    \
        }                                                                                          \
        GTEST_SKIP() << (reason);                                                                  \
    } while (false)

// The adapter chain of ::GetAdaptersInfo, asked until the buffer is large enough.
struct TSystemAdapters {
    ULONG Status = ERROR_NOT_SUPPORTED;
    std::vector<std::uint64_t> Buffer;

    std::vector<const IP_ADAPTER_INFO*> Records() const {
        std::vector<const IP_ADAPTER_INFO*> records;
        if (Status == NO_ERROR) {
            for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(Buffer.data()); a != nullptr;
                 a = a->Next) {
                records.push_back(a);
            }
        }
        return records;
    }
};

inline TSystemAdapters ReadSystemAdapters() {
    TSystemAdapters adapters;
    ULONG size = sizeof(IP_ADAPTER_INFO);
    for (int attempt = 0; attempt < 8; ++attempt) {
        adapters.Buffer.assign((size + 7) / 8, 0);
        adapters.Status =
            ::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(adapters.Buffer.data()), &size);
        if (adapters.Status != ERROR_BUFFER_OVERFLOW) {
            break;
        }
    }
    return adapters;
}

// The record's 8-bit texts are ASCII here (GUID-like names, Linux interface names).
inline std::u16string Ascii(const char* text) {
    return std::u16string(text, text + std::strlen(text));
}

} // namespace qmr::test
