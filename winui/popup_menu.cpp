#include "winui/popup_menu.h"

#include "lang/lang_strings.h"
#include "lang/text_ids.h"

namespace qmr {

namespace {
void Append(HMENU menu, UINT flags, UINT_PTR id, const std::u16string& text) {
    AppendMenuW(menu, flags, id, reinterpret_cast<const wchar_t*>(text.c_str()));
}
} // namespace

UINT RunPopupMenu(HWND owner, POINT screenPoint, const TPopupState& state) {
    HMENU menu = CreatePopupMenu();
    if (state.Languages.size() > 1) {
        HMENU languages = CreatePopupMenu();
        for (std::size_t i = 0; i < state.Languages.size(); ++i) {
            Append(languages,
                   MF_STRING | (static_cast<int>(i) == state.CurrentLanguage ? MF_CHECKED : 0),
                   kPopupLanguageFirst + i, state.Languages[i]);
        }
        // The submenu belongs to the menu from here on and goes with it.
        Append(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(languages),
               LANGUAGE::GetLangText(LANGUAGE::TextMenuLanguage));
    }
    Append(menu, MF_STRING | (state.ShowVirtual ? MF_CHECKED : 0), kPopupShowVirtual,
           LANGUAGE::GetLangText(LANGUAGE::TextShowVirtualAdapters));
    Append(menu, MF_STRING | (state.Notify ? MF_CHECKED : 0), kPopupNotifyLinkChanges,
           LANGUAGE::GetLangText(LANGUAGE::TextMenuNotifyLinkChanges));
    Append(menu, MF_STRING, kPopupAbout, LANGUAGE::GetLangText(LANGUAGE::TextMenuAbout));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    Append(menu, MF_STRING, kPopupExit, LANGUAGE::GetLangText(LANGUAGE::TextMenuExit));
    // The menu's owner must be in front, or the menu does not close when clicked away from.
    SetForegroundWindow(owner);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screenPoint.x, screenPoint.y, 0,
        owner, nullptr));
    DestroyMenu(menu);
    return chosen;
}

} // namespace qmr
