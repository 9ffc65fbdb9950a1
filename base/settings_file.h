#pragma once
// The program's settings file, in the INI form QSettings writes, so that the file of an earlier
// version keeps reading: the keys in [General], "true"/"false", strings (quoted and escaped where
// QSettings quotes and escapes them) and typed values such as "@Rect(0 0 640 480)".
//
// The file is read as every file from outside (base/state_file.h): at once, only a regular
// file, at most StateFileMaxBytes(SettingsFile). A choice is written the moment it is made,
// under the file's ".lock" (waited for a second at most), into a fresh file beside the real
// one that then replaces it: through a symbolic link the file it names is replaced, and a
// device, FIFO or folder is never written, nor a read-only file. Whatever cannot be written is
// kept for the run. What the file holds beyond our keys (other sections, other keys, comments)
// is written back as it was.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

class TSettingsFile {
public:
    explicit TSettingsFile(std::u16string path);

    // Reads the file; a missing, refused or unreadable one reads as empty (Problem() says why).
    void Load();

    // The value of `key` in [General], unescaped: "true", "ru_RU", "@Rect(1 2 3 4)" (a string
    // that starts with '@' reads "@@..."). Nothing when the key is absent or holds a list.
    std::optional<std::string> Get(std::string_view key) const;

    // Sets `key` in [General] (the value in the form Get gives) and writes the file at once.
    // False when it could not be written: the value then holds for this run only.
    bool Set(std::string_view key, std::string_view value);

    // Why the last load or write failed, for a person; empty when it did not.
    const std::string& Problem() const { return m_Problem; }

    const std::u16string& Path() const { return m_Path; }

private:
    std::u16string m_Path;
    std::vector<std::string> m_Lines;             // the file as last read
    std::map<std::string, std::string> m_Values;  // [General] as read, and this run's choices
    std::map<std::string, std::string> m_Changes; // this run's choices, encoded
    std::string m_Problem;

    void ReadLines(const std::string& bytes);
};

// The INI text of a value and back, as QSettings writes and reads it.
std::string EncodeSettingsValue(std::string_view value);
std::optional<std::string> DecodeSettingsValue(std::string_view text);

// The lines of `text` with `key` of [General] set to the encoded `value`: in place where the
// key is, else at the end of [General], which is made first in the file where there is none.
std::vector<std::string> SetSettingsLine(std::vector<std::string> lines, std::string_view key,
                                         std::string_view encoded);

} // namespace qmr
