#pragma once
// Where the window's remembered choices live between runs: a QSettings file on Linux, the
// registry or a portable ini file on Windows. Values are texts in the forms QSettings writes
// into its ini files ("true", "@Rect(10 20 640 480)", a plain word), so that a file written by
// one store reads the same in another.

#include <optional>
#include <string>

namespace qmr {

class TChoiceStore {
public:
    virtual ~TChoiceStore() = default;
    // The stored text, or nothing when the key is not stored or the store cannot be read.
    virtual std::optional<std::u16string> Read(const std::string& key) const = 0;
    // False when the store could not keep it.
    virtual bool Write(const std::string& key, const std::u16string& value) = 0;
    // Why the last Write that returned false could not keep its value, naming the file or key
    // ("~/.config/Quillmere/Quillmere.conf is read-only"); empty when the store cannot tell.
    virtual std::u16string WriteProblem() const { return {}; }
};

} // namespace qmr
