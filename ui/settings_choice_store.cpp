#include "ui/settings_choice_store.h"

#include "base/utf16_text.h"

#include <QStandardPaths>
#include <QString>

namespace qmr {

TSettingsChoiceStore::TSettingsChoiceStore()
    : TSettingsChoiceStore(
          (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillmere/Quillmere.conf"))
              .toStdU16String()) {}

TSettingsChoiceStore::TSettingsChoiceStore(const std::u16string& path) : m_File(path) {
    m_File.Load();
}

TSettingsChoiceStore::~TSettingsChoiceStore() = default;

std::optional<std::u16string> TSettingsChoiceStore::Read(const std::string& key) const {
    const std::optional<std::string> value = m_File.Get(key);
    return value ? std::optional<std::u16string>(Utf8ToUtf16(*value)) : std::nullopt;
}

bool TSettingsChoiceStore::Write(const std::string& key, const std::u16string& value) {
    // At once: the program may be ended by a signal, with no chance to write later.
    return m_File.Set(key, Utf16ToUtf8(value));
}

std::u16string TSettingsChoiceStore::WriteProblem() const {
    return Utf8ToUtf16(m_File.Problem());
}

} // namespace qmr
