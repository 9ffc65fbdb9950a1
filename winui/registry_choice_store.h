#pragma once
// The remembered choices in the registry, under HKEY_CURRENT_USER\Software\Quillmere\Quillmere
// as the Qt window's settings keep them on Windows: one REG_SZ value per key, a key's groups
// ("Window/Geometry") as sub-keys.

#include "presenter/choice_store.h"

#include <windows.h>

namespace qmr {

class TRegistryChoiceStore : public TChoiceStore {
public:
    // `root` and `path` name the key; tests give one of their own.
    explicit TRegistryChoiceStore(HKEY root = HKEY_CURRENT_USER,
                                  std::u16string path = u"Software\\Quillmere\\Quillmere");
    std::optional<std::u16string> Read(const std::string& key) const override;
    bool Write(const std::string& key, const std::u16string& value) override;
    std::u16string WriteProblem() const override { return m_WriteProblem; }

private:
    HKEY m_Root;
    std::u16string m_Path;
    std::u16string m_WriteProblem;
};

} // namespace qmr
