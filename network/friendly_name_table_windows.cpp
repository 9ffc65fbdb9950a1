#include "friendly_name_table.h"

#include <windows.h>

#include <vector>

namespace qmr {

namespace {

// The lookup's path begins with a backslash, meaning "from the root of HKEY_LOCAL_MACHINE";
// the registry calls want it without that backslash.
constexpr const wchar_t* kNetworkCards =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";

enum class ValueRead { Text, Missing, NotText };

ValueRead ReadStringValue(HKEY key, const wchar_t* name, std::u16string& out) {
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = ::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) {
        out.clear();
        return ValueRead::Missing;
    }
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return ValueRead::NotText;
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    rc = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                            &bytes);
    if (rc != ERROR_SUCCESS) {
        return ValueRead::NotText;
    }
    std::size_t length = bytes / sizeof(wchar_t);
    while (length > 0 && buffer[length - 1] == L'\0') {
        --length;
    }
    out.assign(reinterpret_cast<const char16_t*>(buffer.data()), length);
    return ValueRead::Text;
}

} // namespace

TFriendlyNameTable ReadFriendlyNameTable(const IP_ADAPTER_INFO* adapters,
                                         const std::vector<TInterfaceRow2>*) {
    return ReadFriendlyNameTable(adapters);
}

TFriendlyNameTable ReadFriendlyNameTable(const IP_ADAPTER_INFO*) {
    TFriendlyNameTable table;
    HKEY cards = nullptr;
    // Read access only: the lookup never writes, and asking for more fails for ordinary users.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kNetworkCards, 0, KEY_READ, &cards) != ERROR_SUCCESS) {
        return table;
    }
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(cards, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    ::RegCloseKey(cards);

    for (const std::wstring& name : names) {
        TFriendlyNameEntry entry;
        const std::wstring path = std::wstring(kNetworkCards) + L"\\" + name;
        HKEY card = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &card) !=
            ERROR_SUCCESS) {
            entry.Opened = false;
            table.push_back(std::move(entry));
            continue;
        }
        entry.ServiceNameReadable =
            ReadStringValue(card, L"ServiceName", entry.ServiceName) != ValueRead::NotText;
        entry.DescriptionReadable =
            ReadStringValue(card, L"Description", entry.Description) != ValueRead::NotText;
        ::RegCloseKey(card);
        table.push_back(std::move(entry));
    }
    return table;
}

} // namespace qmr
