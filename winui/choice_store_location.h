#pragma once
// Where the Windows window keeps its choices: in quillmere.ini beside the executable when that
// file exists (a portable copy), else in the registry.

#include "presenter/choice_store.h"

#include <memory>
#include <string>

namespace qmr {

inline constexpr char16_t kPortableChoicesFile[] = u"quillmere.ini";

std::unique_ptr<TChoiceStore> MakeChoiceStore(const std::u16string& executablePath);

} // namespace qmr
