#pragma once

#include <string>

namespace qmr {

// Full path of the running executable (folder, file name and extension); empty when the
// platform cannot tell.
std::u16string ExecutablePath();

// The folder part of a path, with its trailing separator; empty when the path has none.
std::u16string FolderOfPath(const std::u16string& path);

// The file-name part of a path (name and extension, without the folder).
std::u16string FileNameOfPath(const std::u16string& path);

} // namespace qmr
