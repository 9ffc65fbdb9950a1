#include "shell/version_table.h"

namespace qmr {

namespace {

constexpr std::u16string_view kTranslationPath = u"\\VarFileInfo\\Translation";
constexpr std::u16string_view kStringPrefix = u"\\StringFileInfo\\";

std::u16string UpperAscii(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return out;
}

} // namespace

void TVersionTable::AddTranslation(std::uint16_t language, std::uint16_t codePage) {
    m_Translations.push_back({language, codePage});
}

void TVersionTable::SetString(std::u16string_view tableName, std::u16string_view key,
                              std::u16string_view value) {
    m_Strings[UpperAscii(tableName) + u'\\' + UpperAscii(key)] = std::u16string(value);
}

bool TVersionTable::QueryTranslations(std::u16string_view path,
                                      std::vector<TVersionTranslation>* table) const {
    if (m_Translations.empty() || UpperAscii(path) != UpperAscii(kTranslationPath)) {
        return false;
    }
    *table = m_Translations;
    return true;
}

bool TVersionTable::QueryString(std::u16string_view path, std::u16string* value) const {
    const std::u16string upper = UpperAscii(path);
    if (!upper.starts_with(UpperAscii(kStringPrefix))) {
        return false;
    }
    const auto found = m_Strings.find(upper.substr(kStringPrefix.size()));
    if (found == m_Strings.end()) {
        return false;
    }
    *value = found->second;
    return true;
}

} // namespace qmr
