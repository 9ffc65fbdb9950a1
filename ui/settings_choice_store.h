#pragma once
// The window's choices in the settings file: ~/.config/Quillmere/Quillmere.conf, in the INI form
// QSettings wrote it in earlier versions, so the file reads as it always has
// (base/settings_file.h: bounded load, only a writable regular file written, a busy lock waited
// for a second at most).

#include "base/settings_file.h"
#include "presenter/choice_store.h"

namespace qmr {

class TSettingsChoiceStore : public TChoiceStore {
public:
    // The user's store: Quillmere/Quillmere.conf in the configuration folder.
    TSettingsChoiceStore();
    // Another file, for tests.
    explicit TSettingsChoiceStore(const std::u16string& path);
    ~TSettingsChoiceStore() override;

    std::optional<std::u16string> Read(const std::string& key) const override;
    bool Write(const std::string& key, const std::u16string& value) override;
    std::u16string WriteProblem() const override;

private:
    // Read whole at construction; keeps this run's choices where the file takes none.
    TSettingsFile m_File;
};

} // namespace qmr
