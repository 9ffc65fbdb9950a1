#pragma once
// A version block held in memory: the compiled-in block of the Linux build, and any block a
// caller assembles itself.

#include "shell/version_block.h"

#include <map>

namespace qmr {

class TVersionTable final : public TVersionBlock {
public:
    void AddTranslation(std::uint16_t language, std::uint16_t codePage);
    // tableName is the eight hexadecimal digits of a translation, e.g. "041904E3".
    void SetString(std::u16string_view tableName, std::u16string_view key,
                   std::u16string_view value);

    // Paths are matched as the Windows version API matches them: letter case ignored.
    bool QueryTranslations(std::u16string_view path,
                           std::vector<TVersionTranslation>* table) const override;
    bool QueryString(std::u16string_view path, std::u16string* value) const override;

private:
    std::vector<TVersionTranslation> m_Translations;
    std::map<std::u16string, std::u16string> m_Strings; // by upper-cased "TABLE\KEY"
};

// The block generated from the build's version data.
TVersionTable CompiledVersionTable();

} // namespace qmr
