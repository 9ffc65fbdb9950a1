#include "winui/registry_choice_store.h"

#include "base/utf16_text.h"

#include <string>

namespace qmr {

namespace {
const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// "Window/Geometry" is the value "Geometry" of the sub-key "Window".
void Split(const std::u16string& path, const std::string& key, std::u16string& keyPath,
           std::u16string& name) {
    keyPath = path;
    name = Utf8ToUtf16(key);
    const auto slash = name.rfind(u'/');
    if (slash != std::u16string::npos) {
        std::u16string groups = name.substr(0, slash);
        for (char16_t& c : groups) {
            if (c == u'/') {
                c = u'\\';
            }
        }
        keyPath += u"\\" + groups;
        name = name.substr(slash + 1);
    }
}
} // namespace

TRegistryChoiceStore::TRegistryChoiceStore(HKEY root, std::u16string path)
    : m_Root(root), m_Path(std::move(path)) {}

std::optional<std::u16string> TRegistryChoiceStore::Read(const std::string& key) const {
    std::u16string keyPath, name;
    Split(m_Path, key, keyPath, name);
    DWORD type = 0, bytes = 0;
    if (RegGetValueW(m_Root, Wide(keyPath), Wide(name), RRF_RT_REG_SZ, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        bytes < sizeof(wchar_t)) {
        return std::nullopt;
    }
    std::u16string value(bytes / sizeof(char16_t), u'\0');
    if (RegGetValueW(m_Root, Wide(keyPath), Wide(name), RRF_RT_REG_SZ, &type, value.data(),
                     &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // The value arrives with its terminating zero.
    value.resize(bytes / sizeof(char16_t));
    while (!value.empty() && value.back() == u'\0') {
        value.pop_back();
    }
    return value;
}

bool TRegistryChoiceStore::Write(const std::string& key, const std::u16string& value) {
    std::u16string keyPath, name;
    Split(m_Path, key, keyPath, name);
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExW(m_Root, Wide(keyPath), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                     &handle, nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(handle, Wide(name), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
        RegCloseKey(handle);
    }
    if (status != ERROR_SUCCESS) {
        m_WriteProblem = u"the registry key " + keyPath + u" cannot be written (error " +
                         Utf8ToUtf16(std::to_string(status)) + u")";
        return false;
    }
    return true;
}

} // namespace qmr
