#pragma once
// Points the IP helper binding at a library of the test's choosing for the length of a test.

#include <string>

namespace qmr::test {

// The folder of the test executable, where the build puts the test provider libraries.
std::string TestBinaryFolder();

// Releases every reference the binding holds, so that the next load opens `library`.
void RebindIpHelper(const std::string& library);
// Releases every reference and restores the library chosen at start.
void UnbindIpHelper();

// The control functions of the scripted provider, resolved from the loaded library.
template <typename Fn> Fn ScriptedProviderFunction(const char* name);
void* ScriptedProviderSymbol(const char* name);

template <typename Fn> Fn ScriptedProviderFunction(const char* name) {
    return reinterpret_cast<Fn>(ScriptedProviderSymbol(name));
}

} // namespace qmr::test
