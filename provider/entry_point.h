#pragma once
// What every entry point of the provider shares: it is exported by name, and it runs its work
// through Guarded, since no exception may leave the library and a failure still has to read as
// a status the caller knows.

#include "network/iphlpapi_records.h"

#include <new>

#define QMR_PROVIDER_EXPORT extern "C" __attribute__((visibility("default")))

namespace qmr {

template <typename Call> DWORD Guarded(Call call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        // The kernel could not be asked: as where the library cannot serve the request.
        return ERROR_NOT_SUPPORTED;
    }
}

} // namespace qmr
