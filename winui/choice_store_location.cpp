#include "winui/choice_store_location.h"

#include "base/executable_path.h"
#include "winui/ini_choice_store.h"
#include "winui/registry_choice_store.h"

#include <windows.h>

namespace qmr {

std::unique_ptr<TChoiceStore> MakeChoiceStore(const std::u16string& executablePath) {
    const std::u16string ini = FolderOfPath(executablePath) + kPortableChoicesFile;
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(ini.c_str()));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::make_unique<TIniChoiceStore>(ini);
    }
    return std::make_unique<TRegistryChoiceStore>();
}

} // namespace qmr
