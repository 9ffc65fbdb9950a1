#include "shell/version_application.h"

#include "base/executable_path.h"
#include "base/format.h"

#include <limits>
#include <optional>

namespace VERAPP {

namespace {

// A whole decimal integer with an optional sign that fits 32 bits; anything else is none.
std::optional<std::int32_t> ParseDecimal(std::u16string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
        if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

struct TStringField {
    const char16_t* m_Key;
    std::u16string TVersionApplication::*m_Field;
};

// The order in which the keys are read.
constexpr TStringField kStringFields[] = {
    {u"FileVersion", &TVersionApplication::m_FileVersion},
    {u"CompanyName", &TVersionApplication::m_CompanyName},
    {u"FileDescription", &TVersionApplication::m_FileDescription},
    {u"InternalName", &TVersionApplication::m_InternalName},
    {u"LegalCopyright", &TVersionApplication::m_LegalCopyright},
    {u"OriginalFilename", &TVersionApplication::m_OriginalFilename},
    {u"ProductName", &TVersionApplication::m_ProductName},
    {u"ProductVersion", &TVersionApplication::m_ProductVersion},
};

} // namespace

std::array<std::int32_t, 4> SplitFileVersion(std::u16string_view text) {
    std::array<std::int32_t, 4> parts{};
    std::size_t n = 0;
    for (;;) {
        const std::size_t dot = text.find(u'.');
        const std::u16string_view part = text.substr(0, dot);
        if (n < parts.size()) {
            parts[n] = ParseDecimal(part).value_or(0);
        }
        if (dot == std::u16string_view::npos) {
            return parts;
        }
        ++n;
        text.remove_prefix(dot + 1);
    }
}

TVersionApplication::TVersionApplication() {
    ReadVersionInfo();
}

TVersionApplication::TVersionApplication(const qmr::TVersionBlock* block) {
    ReadVersionInfo(block);
}

void TVersionApplication::ReadVersionInfo() {
    const std::unique_ptr<qmr::TVersionBlock> block = qmr::LoadVersionBlock(qmr::ExecutablePath());
    ReadVersionInfo(block.get());
}

void TVersionApplication::ReadVersionInfo(const qmr::TVersionBlock* block) {
    std::vector<qmr::TVersionTranslation> translations;
    if (block == nullptr ||
        !block->QueryTranslations(u"\\VarFileInfo\\Translation", &translations) ||
        translations.empty()) {
        return;
    }
    // Only the first translation's strings are read, however many the block lists.
    const std::u16string table =
        qmr::Format(u"%04X%04X", {translations[0].m_Language, translations[0].m_CodePage});
    for (const TStringField& field : kStringFields) {
        std::u16string value;
        if (block->QueryString(u"\\StringFileInfo\\" + table + u"\\" + field.m_Key, &value)) {
            this->*field.m_Field = std::move(value);
        }
    }
    m_VersionParts = SplitFileVersion(m_FileVersion);
}

std::int32_t TVersionApplication::GetVersionPart(int index) const {
    if (index < 0 || index >= static_cast<int>(m_VersionParts.size())) {
        return 0;
    }
    return m_VersionParts[static_cast<std::size_t>(index)];
}

std::u16string GetApplicationTitle() {
    const PVersionApplication reader = std::make_unique<TVersionApplication>();
    return reader->m_ProductName;
}

} // namespace VERAPP
