#pragma once
// Opening the IP helper library and finding its entry points: iphlpapi.dll on Windows, our own
// provider library on Linux.

namespace qmr {

using LibraryHandle = void*;

// Null when the library cannot be loaded.
LibraryHandle OpenIpHelperLibrary();
// Null when the library lacks the entry point.
void* FindLibraryEntryPoint(LibraryHandle library, const char* name);
void CloseLibrary(LibraryHandle library);

} // namespace qmr
