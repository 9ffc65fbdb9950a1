#include "winui/ini_choice_store.h"

#include "base/utf16_text.h"

#include <windows.h>

#include <string>

namespace qmr {

namespace {
const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

void Split(const std::string& key, std::u16string& section, std::u16string& name) {
    name = Utf8ToUtf16(key);
    const auto slash = name.rfind(u'/');
    if (slash == std::u16string::npos) {
        section = u"General";
    } else {
        section = name.substr(0, slash);
        name = name.substr(slash + 1);
    }
}

// No stored text holds it, so it tells a missing key from an empty value.
constexpr wchar_t kMissing[] = L"\x1\x2\x3";
} // namespace

TIniChoiceStore::TIniChoiceStore(std::u16string path) : m_Path(std::move(path)) {}

std::optional<std::u16string> TIniChoiceStore::Read(const std::string& key) const {
    std::u16string section, name;
    Split(key, section, name);
    std::u16string buffer(1024, u'\0');
    for (;;) {
        const DWORD length = GetPrivateProfileStringW(
            Wide(section), Wide(name), kMissing, reinterpret_cast<wchar_t*>(buffer.data()),
            static_cast<DWORD>(buffer.size()), Wide(m_Path));
        // A value that filled the buffer may have been cut: ask again with more room.
        if (length + 1 >= buffer.size() && buffer.size() < 65536) {
            buffer.assign(buffer.size() * 4, u'\0');
            continue;
        }
        buffer.resize(length);
        break;
    }
    if (buffer == reinterpret_cast<const char16_t*>(kMissing)) {
        return std::nullopt;
    }
    return buffer;
}

bool TIniChoiceStore::Write(const std::string& key, const std::u16string& value) {
    std::u16string section, name;
    Split(key, section, name);
    if (WritePrivateProfileStringW(Wide(section), Wide(name), Wide(value), Wide(m_Path)) == 0) {
        m_WriteProblem = m_Path + u" cannot be written (error " +
                         Utf8ToUtf16(std::to_string(GetLastError())) + u")";
        return false;
    }
    return true;
}

} // namespace qmr
