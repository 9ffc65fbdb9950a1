#pragma once
// The Windows clipboard as Copy fills it: Unicode text.

#include <windows.h>

#include <string>

namespace qmr {

// Puts `text` on the clipboard as CF_UNICODETEXT, owned by `owner`; false, with the reason in
// `error`, when the clipboard refused it. A clipboard another window holds open is asked again
// for about half a second first.
bool PutUnicodeTextOnClipboard(HWND owner, const std::u16string& text, std::u16string& error);

} // namespace qmr
