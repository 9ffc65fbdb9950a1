#pragma once
// The window's choices in QSettings: ~/.config/Quillmere/Quillmere.conf on Linux. Values go in
// with the types QSettings gives them (a bool, a QRect), so the file reads as it always has.

#include "presenter/choice_store.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>

namespace qmr {

class TSettingsChoiceStore : public TChoiceStore {
public:
    // The user's store, organisation and application both "Quillmere".
    TSettingsChoiceStore();
    // Another store, for tests.
    explicit TSettingsChoiceStore(std::unique_ptr<QSettings> settings);
    ~TSettingsChoiceStore() override;

    std::optional<std::u16string> Read(const std::string& key) const override;
    bool Write(const std::string& key, const std::u16string& value) override;

private:
    std::unique_ptr<QSettings> m_Settings;
    // Read whole at construction: a store that could not be read whole is not trusted in part.
    std::map<QString, QVariant> m_Values;
};

} // namespace qmr
