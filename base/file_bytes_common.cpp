#include "file_bytes.h"

namespace qmr {

bool ReadFileBytes(const std::u16string& path, std::string& bytes) {
    bytes.clear();
    std::FILE* file = OpenFileForReading(path);
    if (file == nullptr) {
        return false;
    }
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    // A folder opens on Linux; reading it fails.
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    if (!ok) {
        bytes.clear();
    }
    return ok;
}

const char* DescribeReadOutcome(TReadOutcome outcome) {
    switch (outcome) {
    case TReadOutcome::Read:
        return "was read";
    case TReadOutcome::Missing:
        return "does not exist";
    case TReadOutcome::NotRegularFile:
        return "is not a regular file";
    case TReadOutcome::TooLarge:
        return "is larger than such a file can be";
    case TReadOutcome::Unreadable:
        break;
    }
    return "cannot be read";
}

} // namespace qmr
