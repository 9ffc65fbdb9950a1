#include "winui/clipboard.h"

#include <cstring>

namespace qmr {

namespace {
constexpr int kClipboardRetries = 10;
constexpr DWORD kClipboardRetryMs = 50;

std::u16string LastErrorText(const char16_t* what) {
    const DWORD code = GetLastError();
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text = what;
    if (length > 0 && buffer != nullptr) {
        text += u": ";
        text.append(reinterpret_cast<const char16_t*>(buffer), length);
        while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) {
            text.pop_back();
        }
    }
    LocalFree(buffer);
    return text;
}
} // namespace

bool PutUnicodeTextOnClipboard(HWND owner, const std::u16string& text, std::u16string& error) {
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        error = LastErrorText(u"The clipboard text could not be allocated");
        return false;
    }
    void* target = GlobalLock(memory);
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    // Another program may hold the clipboard for a moment (a clipboard manager taking its copy,
    // Wine taking over the X selection): it is asked again for half a second before Copy is
    // refused.
    bool opened = OpenClipboard(owner) != 0;
    for (int retry = 0; !opened && retry < kClipboardRetries; ++retry) {
        Sleep(kClipboardRetryMs);
        opened = OpenClipboard(owner) != 0;
    }
    if (!opened) {
        error = LastErrorText(u"The clipboard could not be opened");
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        error = LastErrorText(u"The clipboard refused the text");
        CloseClipboard();
        GlobalFree(memory);
        return false;
    }
    // The clipboard owns the memory now.
    CloseClipboard();
    return true;
}

} // namespace qmr
