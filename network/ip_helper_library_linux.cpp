#include "ip_helper_library.h"

#include "base/executable_path.h"
#include "base/utf16_text.h"

#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace qmr {

namespace {
constexpr const char* kProviderFileName = "libqmr-iphlpapi.so";
}

LibraryHandle OpenIpHelperLibrary() {
    // QMR_IPHELPER_LIBRARY names another provider, for tests and for trying a build of the
    // provider without installing it.
    if (const char* chosen = std::getenv("QMR_IPHELPER_LIBRARY"); chosen != nullptr && *chosen) {
        return ::dlopen(chosen, RTLD_NOW | RTLD_LOCAL);
    }
    const std::string folder = Utf16ToUtf8(FolderOfPath(ExecutablePath()));
    if (!folder.empty()) {
        if (void* next_to_us =
                ::dlopen((folder + kProviderFileName).c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return next_to_us;
        }
    }
    // Installed: the executable's run path leads to the library folder.
    return ::dlopen(kProviderFileName, RTLD_NOW | RTLD_LOCAL);
}

void* FindLibraryEntryPoint(LibraryHandle library, const char* name) {
    return library != nullptr ? ::dlsym(library, name) : nullptr;
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) {
        ::dlclose(library);
    }
}

} // namespace qmr
