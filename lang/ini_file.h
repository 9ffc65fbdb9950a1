#pragma once
// The initialization-file reader behind language.ini.
//
// Lines are ended by LF, CR LF or CR. "[name]" starts a section; "key=value" gives a value in
// the current section, the value being the rest of the line after the first '='. Blanks around
// section names, keys and values are trimmed; section and key names are compared without regard
// to case. Lines starting with ';' or '#' are comments; lines before the first section, lines
// without '=', empty keys and blank section names are ignored. A section or key that occurs
// again adds nothing that its first occurrence already gave: the first value of a key wins.
//
// A value ends at its first NUL, so that every output shows the same text.
//
// Encodings: UTF-8 with or without BOM, UTF-16 LE or BE with BOM. Bytes that are not valid UTF-8
// become U+FFFD.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace LANGUAGE {

// Whether a section, by its name as written, is kept.
using TSectionFilter = std::function<bool(std::u16string_view name)>;

class TIniFile {
public:
    // Decodes and parses the bytes of a whole file.
    explicit TIniFile(std::string_view bytes);
    // Parses decoded text, keeping only the sections `keep` accepts: the others cost nothing,
    // however many the text holds.
    TIniFile(std::u16string_view text, const TSectionFilter& keep);

    // Nothing when no file exists at `path`, it is no regular file (a FIFO, a device, a
    // folder), it is larger than `maxBytes` or it cannot be read; `whyNot` then says which.
    static std::optional<TIniFile> Read(const std::u16string& path,
                                        std::size_t maxBytes = static_cast<std::size_t>(-1),
                                        std::string* whyNot = nullptr);

    // Every section name once, as first written, in file order.
    const std::vector<std::u16string>& GetSectionNames() const { return m_SectionNames; }

    // The value of `key` in `section`, or `defaultValue` when either is missing.
    std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                              const std::u16string& defaultValue) const;

private:
    using TValues = std::unordered_map<std::u16string, std::u16string>; // folded key -> value

    void Parse(std::u16string_view text, const TSectionFilter& keep);

    std::vector<std::u16string> m_SectionNames;
    std::vector<TValues> m_Sections;                                // parallel to m_SectionNames
    std::unordered_map<std::u16string, std::size_t> m_SectionIndex; // folded name -> position
};

// The text of a file's bytes, after its byte order mark.
std::u16string DecodeFileText(std::string_view bytes);

// Walks decoded text by the rules above without keeping anything: `onSection` gets every
// section line's name as written, `onValue` every value line with its section's name (a
// repeated section or key is told again).
void ScanIniText(std::u16string_view text,
                 const std::function<void(std::u16string_view section)>& onSection,
                 const std::function<void(std::u16string_view section, std::u16string_view key,
                                          std::u16string_view value)>& onValue);

} // namespace LANGUAGE
