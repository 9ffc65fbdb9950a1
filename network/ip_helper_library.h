#pragma once
// Opening the IP helper library and finding its entry points: iphlpapi.dll on Windows, our own
// provider library on Linux. The loader alone knows where it looked and why a load failed.

#include <string>

namespace qmr {

using LibraryHandle = void*;

// Null when the library cannot be loaded; IpHelperLoadFailure() then says why.
LibraryHandle OpenIpHelperLibrary();
// Why the last OpenIpHelperLibrary() failed, in UTF-8 for a person to read; empty after a
// successful one.
std::string IpHelperLoadFailure();
// The WLAN API: wlanapi.dll on Windows; on Linux the same provider library, which answers
// both interfaces. Null when it cannot be loaded (a machine without the WLAN service).
LibraryHandle OpenWlanLibrary();
// Null when the library lacks the entry point.
void* FindLibraryEntryPoint(LibraryHandle library, const char* name);
void CloseLibrary(LibraryHandle library);

} // namespace qmr
