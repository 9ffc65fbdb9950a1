#pragma once
// Reading the small state files that resolvers and DHCP clients leave behind.

#include "base/state_file.h"
#include "provider/kernel_facts.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

// The whole file, read as every state file is read (base/state_file.h); nothing when it is
// missing or refused. StateFileRefusals() then holds the refusal until the file is next read.
// The calling thread keeps what it read, and reads the file again only when its identity (its
// inode, size or modification time) changed.
std::optional<std::string> ReadStateFile(const std::string& path, TStateFileKind kind);

// The names of the entries of a folder, "." and ".." left out; empty when it cannot be read.
// Kept likewise until the folder's identity changes.
std::vector<std::string> ListStateFolder(const std::string& path);

// A dotted IPv4 address, nothing else: no port, no prefix, no spaces.
std::optional<TIpv4Address> ParseIpv4(std::string_view text);

// "a.b.c.d".
std::string Ipv4Text(const TIpv4Address& address);

// The text split at spaces and tabs, empty pieces dropped.
std::vector<std::string_view> SplitWords(std::string_view text);

// The lines of the text, without their line ends.
std::vector<std::string_view> SplitLines(std::string_view text);

} // namespace qmr
