#include "record_text.h"

#include <windows.h>

namespace qmr {

std::u16string RecordBytesToUtf16(const char* bytes, std::size_t length) {
    if (length == 0) {
        return {};
    }
    const int n = static_cast<int>(length);
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, bytes, n, nullptr, 0);
    if (wide <= 0) {
        return {};
    }
    std::u16string out(static_cast<std::size_t>(wide), u'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes, n, reinterpret_cast<wchar_t*>(out.data()), wide);
    return out;
}

} // namespace qmr
