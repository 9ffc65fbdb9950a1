#include "ip_helper_library.h"

#include <windows.h>

namespace qmr {

namespace {
bool g_LoadFailed = false;
}

LibraryHandle OpenIpHelperLibrary() {
    HMODULE library = ::LoadLibraryW(L"iphlpapi.dll");
    g_LoadFailed = library == nullptr;
    return library;
}

LibraryHandle OpenWlanLibrary() {
    return ::LoadLibraryW(L"wlanapi.dll");
}

std::string IpHelperLoadFailure() {
    return g_LoadFailed ? "the IP helper library iphlpapi.dll could not be loaded" : std::string();
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
