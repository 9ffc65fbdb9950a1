#pragma once
// Writing a file others may read at any moment: under a lock file, through a fresh file that
// replaces the old one whole. One implementation per platform.

#include <string>

namespace qmr {

// Makes the folders above `path` that are missing; false when one cannot be made.
bool MakeParentFolders(const std::u16string& path);

// Holds `path` + ".lock" (the lock QSettings' own writers take) from construction to
// destruction. Waits at most `waitMs` for a holder to let go; a lock older than 30 s is left
// over from a writer that died and is broken.
class TFileLock {
public:
    TFileLock(const std::u16string& path, int waitMs);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    bool Held() const { return m_Held; }
    // Why it is not held, for a person ("is locked by another writer"); empty while held.
    const std::string& WhyNot() const { return m_WhyNot; }

private:
    std::u16string m_LockPath;
    bool m_Held = false;
    std::string m_WhyNot;
};

// Replaces the regular file at `path` (or the regular file a symbolic link there names, the
// link kept) with `bytes`, or creates it in its existing folder. The old file's permissions stay.
// False, and `whyNot` set, when what is there is no regular file or is read-only, or the
// writing fails; the old file is then untouched.
bool ReplaceRegularFile(const std::u16string& path, const std::string& bytes, std::string& whyNot);

} // namespace qmr
