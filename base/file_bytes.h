#pragma once
// Whole-file reading by a UTF-16 path, for the few input files the program has.

#include <cstddef>
#include <cstdio>
#include <limits>
#include <string>

namespace qmr {

// Reads the whole file into `bytes`. False (and `bytes` empty) when the file cannot be opened
// or read, a folder included.
bool ReadFileBytes(const std::u16string& path, std::string& bytes);

enum class TReadOutcome { Read, Missing, NotRegularFile, TooLarge, Unreadable };

// Reads the whole of a regular file of at most `maxBytes`, never blocking: a FIFO, a device or
// a folder is not read, and a file that turns out larger than the limit while it is read is
// given up. `bytes` is empty unless the outcome is Read.
TReadOutcome ReadRegularFile(const std::u16string& path, std::string& bytes,
                             std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// Why a file was not read, in words for a person ("is not a regular file", ...).
const char* DescribeReadOutcome(TReadOutcome outcome);

// True when `path` names an existing file that is not a folder.
bool FileExists(const std::u16string& path);

// Opens the file for binary reading; nullptr when it cannot be opened. Platform code.
std::FILE* OpenFileForReading(const std::u16string& path);

} // namespace qmr
