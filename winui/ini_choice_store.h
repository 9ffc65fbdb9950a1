#pragma once
// The remembered choices in an ini file, for a portable copy that leaves the registry alone:
// keys without a group in [General], a grouped key ("Window/Geometry") in its group's section,
// as QSettings lays out its ini files.

#include "presenter/choice_store.h"

namespace qmr {

class TIniChoiceStore : public TChoiceStore {
public:
    explicit TIniChoiceStore(std::u16string path);
    std::optional<std::u16string> Read(const std::string& key) const override;
    bool Write(const std::string& key, const std::u16string& value) override;
    std::u16string WriteProblem() const override { return m_WriteProblem; }

    const std::u16string& Path() const { return m_Path; }

private:
    std::u16string m_Path;
    std::u16string m_WriteProblem;
};

} // namespace qmr
