#pragma once
// Whole-file reading by a UTF-16 path, for the few input files the program has.

#include <cstdio>
#include <string>

namespace qmr {

// Reads the whole file into `bytes`. False (and `bytes` empty) when the file cannot be opened
// or read, a folder included.
bool ReadFileBytes(const std::u16string& path, std::string& bytes);

// True when `path` names an existing file that is not a folder.
bool FileExists(const std::u16string& path);

// Opens the file for binary reading; nullptr when it cannot be opened. Platform code.
std::FILE* OpenFileForReading(const std::u16string& path);

} // namespace qmr
