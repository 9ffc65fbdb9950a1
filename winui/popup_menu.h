#pragma once
// The window's popup menu, made afresh each time it opens so that its texts and checks are
// always the current ones: the languages of language.ini (when it offers more than one), Show
// Virtual Adapters, Notify on Link Changes, About and Exit.

#include <windows.h>

#include <string>
#include <vector>

namespace qmr {

enum TPopupCommand : UINT {
    kPopupShowVirtual = 200,
    kPopupNotifyLinkChanges,
    kPopupAbout,
    kPopupExit,
    // Language i is kPopupLanguageFirst + i.
    kPopupLanguageFirst = 300,
};

struct TPopupState {
    std::vector<std::u16string> Languages;
    int CurrentLanguage = -1; // its position in Languages
    bool ShowVirtual = true;
    bool Notify = true;
};

// Shows the menu at `screenPoint` and returns the command chosen, 0 for none.
UINT RunPopupMenu(HWND owner, POINT screenPoint, const TPopupState& state);

} // namespace qmr
