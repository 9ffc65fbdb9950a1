#include "ip_helper_library.h"

#include <windows.h>

namespace qmr {

LibraryHandle OpenIpHelperLibrary() {
    return ::LoadLibraryW(L"iphlpapi.dll");
}

void* FindLibraryEntryPoint(LibraryHandle library, const char* name) {
    if (library == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(library));
    }
}

} // namespace qmr
