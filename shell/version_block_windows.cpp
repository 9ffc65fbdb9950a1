#include "shell/version_block.h"

#include <windows.h>

#include <cwchar>
#include <new>

namespace qmr {

namespace {

// The version resource of one file, as GetFileVersionInfoW copies it out.
class TResourceVersionBlock final : public TVersionBlock {
public:
    explicit TResourceVersionBlock(std::vector<BYTE> data) : m_Data(std::move(data)) {}

    bool QueryTranslations(std::u16string_view path,
                           std::vector<TVersionTranslation>* table) const override {
        const void* found = nullptr;
        UINT bytes = 0;
        if (!Query(path, &found, &bytes)) {
            return false;
        }
        // Pairs of 16-bit numbers: language identifier first, code page second.
        const auto* words = static_cast<const WORD*>(found);
        table->clear();
        for (UINT i = 0; i + 1 < bytes / sizeof(WORD); i += 2) {
            table->push_back({words[i], words[i + 1]});
        }
        return true;
    }

    bool QueryString(std::u16string_view path, std::u16string* value) const override {
        const void* found = nullptr;
        UINT chars = 0;
        if (!Query(path, &found, &chars)) {
            return false;
        }
        // The length may or may not count the terminating zero; stop at the first one.
        const auto* text = static_cast<const wchar_t*>(found);
        value->assign(reinterpret_cast<const char16_t*>(text), ::wcsnlen(text, chars));
        return true;
    }

private:
    bool Query(std::u16string_view path, const void** found, UINT* length) const {
        const std::wstring subBlock(path.begin(), path.end());
        LPVOID pointer = nullptr;
        if (!::VerQueryValueW(m_Data.data(), subBlock.c_str(), &pointer, length) ||
            pointer == nullptr) {
            return false;
        }
        *found = pointer;
        return true;
    }

    std::vector<BYTE> m_Data;
};

} // namespace

std::unique_ptr<TVersionBlock> LoadVersionBlock(const std::u16string& executablePath) {
    const std::wstring file(executablePath.begin(), executablePath.end());
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) {
        return nullptr;
    }
    std::vector<BYTE> data;
    try {
        data.resize(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, data.data())) {
        return nullptr;
    }
    return std::make_unique<TResourceVersionBlock>(std::move(data));
}

} // namespace qmr
