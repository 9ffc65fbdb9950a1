#pragma once
// The one way the program reads a file that something else writes: the resolver's and the DHCP
// clients' state, the language file, the settings file. Such a file may be anything by the time
// it is opened (a FIFO nobody writes, a device, a folder, a file grown without end), so it is
// opened without waiting, taken only when it is a regular file, and only up to what a file of
// its kind can sensibly hold. A refusal names the file and says why, for the user to see.

#include "base/file_bytes.h"

#include <cstddef>
#include <string>

namespace qmr {

enum class TStateFileKind {
    ResolverConfiguration, // resolv.conf and resolved's copy of it
    ResolverLinkState,     // resolved's netif/N
    NetworkState,          // networkd's links/N and leases/N, and the .network files they name
    DhcpLeases,            // dhclient's and NetworkManager's lease files
    LanguageFile,
    SettingsFile,
};

// The most a file of the kind is read up to; a larger one is refused whole.
constexpr std::size_t StateFileMaxBytes(TStateFileKind kind) {
    switch (kind) {
    case TStateFileKind::ResolverConfiguration:
    case TStateFileKind::ResolverLinkState:
    case TStateFileKind::NetworkState:
        // A few lines each; resolved's list of every link's servers stays far below this.
        return 256 * 1024;
    case TStateFileKind::DhcpLeases:
        // dhclient appends a block per renewal until it next rewrites the file.
        return 4 * 1024 * 1024;
    case TStateFileKind::LanguageFile:
        return 4 * 1024 * 1024;
    case TStateFileKind::SettingsFile:
        // A handful of our keys, and room for whatever else a user keeps there.
        return 1024 * 1024;
    }
    return 0;
}

struct TStateFile {
    std::u16string Path;
    TStateFileKind Kind = TStateFileKind::ResolverConfiguration;
    TReadOutcome Outcome = TReadOutcome::Missing;
    std::string Bytes; // the whole file when Outcome is Read, else empty

    bool WasRead() const { return Outcome == TReadOutcome::Read; }
    // There is something at the path, and it was not taken. A missing file is no refusal:
    // most machines lack most of these files.
    bool Refused() const { return !WasRead() && Outcome != TReadOutcome::Missing; }
    // Why it was not taken ("is not a regular file"); empty unless refused.
    std::string Why() const;
    // The path and why: "/etc/resolv.conf is not a regular file"; empty unless refused.
    std::string Refusal() const;
};

// Reads the file and keeps its refusal, if any, until the same path is next read and taken or
// found missing.
TStateFile ReadStateFile(const std::u16string& path, TStateFileKind kind);

// What reading a file found missing does to its refusal, for a caller that found it missing
// without opening it.
void ForgetStateFileRefusal(const std::u16string& path);

// Every refusal standing in this process (a library loaded at run time keeps its own), one
// line each ("/etc/resolv.conf is not a regular file"), in the order of their paths.
std::string StateFileRefusals();

} // namespace qmr
