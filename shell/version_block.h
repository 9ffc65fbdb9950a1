#pragma once
// A program's version block as the version reader sees it: a translation table and one string
// table per translation, both reached by query paths of the form the Windows version API uses.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

struct TVersionTranslation {
    std::uint16_t m_Language = 0; // language identifier, e.g. 0x0419
    std::uint16_t m_CodePage = 0; // e.g. 0x04E3 (1251)
};

class TVersionBlock {
public:
    virtual ~TVersionBlock() = default;

    // Answers "\VarFileInfo\Translation": false when the block has no such table.
    virtual bool QueryTranslations(std::u16string_view path,
                                   std::vector<TVersionTranslation>* table) const = 0;

    // Answers "\StringFileInfo\XXXXXXXX\Key": false when the block lacks that value.
    virtual bool QueryString(std::u16string_view path, std::u16string* value) const = 0;
};

// The version block of the executable at this path; nullptr when it has none or it cannot be
// read. On Windows it is the file's version resource; elsewhere the running program carries
// its block compiled in, so the path is not consulted.
std::unique_ptr<TVersionBlock> LoadVersionBlock(const std::u16string& executablePath);

} // namespace qmr
