#pragma once
// The program's own version information: the eight texts of its version block and the four
// numbers of its file version. A reader is filled once, by its constructor.

#include "shell/version_block.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace VERAPP {

class TVersionApplication {
public:
    // Reads the running executable's version block; never fails, a missing or unreadable block
    // leaves every text empty and every number 0.
    TVersionApplication();
    // Reads the given block instead; nullptr reads nothing.
    explicit TVersionApplication(const qmr::TVersionBlock* block);
    virtual ~TVersionApplication() = default;

    void ReadVersionInfo();
    void ReadVersionInfo(const qmr::TVersionBlock* block);

    // 0 major, 1 minor, 2 release, 3 build; 0 for any other index.
    std::int32_t GetVersionPart(int index) const;

    std::u16string m_CompanyName;
    std::u16string m_FileDescription;
    std::u16string m_FileVersion;
    std::u16string m_InternalName;
    std::u16string m_LegalCopyright;
    std::u16string m_OriginalFilename;
    std::u16string m_ProductName;
    std::u16string m_ProductVersion;
    std::array<std::int32_t, 4> m_VersionParts{};
};

using PVersionApplication = std::unique_ptr<TVersionApplication>;

// The product name of the running executable; empty when its version block has none.
std::u16string GetApplicationTitle();

// The numbers of a "FileVersion" text: dot-separated decimal integers, each part that is no
// integer counting as 0, parts beyond the fourth dropped.
std::array<std::int32_t, 4> SplitFileVersion(std::u16string_view text);

} // namespace VERAPP
