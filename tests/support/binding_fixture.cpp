#include "binding_fixture.h"

#include "base/executable_path.h"
#include "base/utf16_text.h"
#include "network/iphlpapi_binding.h"
#include "network/wlan_binding.h"

#include <cstdlib>
#include <dlfcn.h>
#include <stdexcept>

namespace qmr::test {

namespace {
std::string g_Library;
}

std::string TestBinaryFolder() {
    return Utf16ToUtf8(FolderOfPath(ExecutablePath()));
}

void RebindIpHelper(const std::string& library) {
    while (IpHelperReferenceCount() > 0) {
        ReleaseIpHelper();
    }
    // The WLAN binding opens the same library: it follows at its next call.
    while (WlanReferenceCount() > 0) {
        ReleaseWlan();
    }
    g_Library = library;
    ::setenv("QMR_IPHELPER_LIBRARY", library.c_str(), 1);
    LoadIpHelper();
}

void UnbindIpHelper() {
    while (IpHelperReferenceCount() > 0) {
        ReleaseIpHelper();
    }
    while (WlanReferenceCount() > 0) {
        ReleaseWlan();
    }
    ::unsetenv("QMR_IPHELPER_LIBRARY");
    g_Library.clear();
}

void* ScriptedProviderSymbol(const char* name) {
    // The binding holds the library open; opening it again yields the same instance.
    void* handle = ::dlopen(g_Library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        throw std::runtime_error("scripted provider is not loaded: " + g_Library);
    }
    void* symbol = ::dlsym(handle, name);
    ::dlclose(handle);
    if (symbol == nullptr) {
        throw std::runtime_error(std::string("scripted provider lacks ") + name);
    }
    return symbol;
}

} // namespace qmr::test
