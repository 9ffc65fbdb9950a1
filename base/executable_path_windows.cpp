#include "executable_path.h"

#include <windows.h>

#include <vector>

namespace qmr {

std::u16string ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return {};
        }
        if (n < buffer.size()) {
            return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), n);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace qmr
