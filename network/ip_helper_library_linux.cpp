#include "ip_helper_library.h"

#include "base/executable_path.h"
#include "base/utf16_text.h"

#include <cstdlib>
#include <dlfcn.h>

namespace qmr {

namespace {

constexpr const char* kProviderFileName = "libqmr-iphlpapi.so";

std::string& LoadFailure() {
    static std::string reason;
    return reason;
}

// dlerror's message of the failed dlopen, read at once: any later dl call may replace it.
std::string DlopenError() {
    const char* detail = ::dlerror();
    return detail != nullptr ? std::string(": ") + detail : std::string();
}

} // namespace

LibraryHandle OpenIpHelperLibrary() {
    LoadFailure().clear();
    // QMR_IPHELPER_LIBRARY names another provider, for tests and for trying a build of the
    // provider without installing it.
    if (const char* chosen = std::getenv("QMR_IPHELPER_LIBRARY"); chosen != nullptr && *chosen) {
        void* library = ::dlopen(chosen, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            LoadFailure() = std::string("the IP helper provider library could not be loaded "
                                        "(QMR_IPHELPER_LIBRARY names ") +
                            chosen + ")" + DlopenError();
        }
        return library;
    }
    const std::string folder = Utf16ToUtf8(FolderOfPath(ExecutablePath()));
    if (!folder.empty()) {
        if (void* next_to_us =
                ::dlopen((folder + kProviderFileName).c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return next_to_us;
        }
    }
    // Installed: the executable's run path leads to the library folder.
    void* library = ::dlopen(kProviderFileName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        LoadFailure() = std::string("the IP helper provider library could not be loaded (") +
                        kProviderFileName +
                        ", looked for next to the program and on its library path)" + DlopenError();
    }
    return library;
}

LibraryHandle OpenWlanLibrary() {
    // The same file as the IP helper library; why it failed to load is that binding's to tell.
    const std::string told = LoadFailure();
    LibraryHandle library = OpenIpHelperLibrary();
    LoadFailure() = told;
    return library;
}

std::string IpHelperLoadFailure() {
    return LoadFailure();
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
