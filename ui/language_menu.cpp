#include "ui/language_menu.h"

#include "lang/lang_strings.h"

#include <algorithm>

namespace qmr {

TLanguageMenu::TLanguageMenu(QWidget* window, QMenu* popup,
                             std::function<std::u16string()> aboutText, TShowMessage showMessage)
    : QObject(window), m_Window(window), m_AboutText(std::move(aboutText)),
      m_ShowMessage(std::move(showMessage)) {
    m_PopupMenuItem_SelectLanguage = popup->addMenu(QString());
    m_PopupMenuItem_SelectLanguage->menuAction()->setVisible(false);
    m_PopupMenuItem_About = popup->addAction(QString());
}

void TLanguageMenu::BuildLanguageMenu() {
    LANGUAGE::TLangStrings* strings = LANGUAGE::LangStrings.get();
    // A file of thousands of sections must not bury the screen: its first ones by code.
    const int count =
        std::min(strings != nullptr ? strings->GetLanguageCount() : 0, kLanguageMenuMaxItems);
    m_PopupMenuItem_SelectLanguage->menuAction()->setVisible(count > 1);
    m_PopupMenuItem_SelectLanguage->clear();
    for (int i = 0; i < count; ++i) {
        QAction* item = m_PopupMenuItem_SelectLanguage->addAction(
            QString::fromStdU16String(strings->GetLanguage(i)->m_Name));
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, item] { OnLanguageItemClick(item); });
    }
}

void TLanguageMenu::OnLanguageItemClick(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    if (item == nullptr || !LANGUAGE::LangStrings) {
        return;
    }
    LANGUAGE::LangStrings->SelectLanguage(item->data().toInt());
    const LANGUAGE::TLang* chosen = LANGUAGE::LangStrings->GetLanguage(item->data().toInt());
    if (chosen != nullptr && m_OnLanguageChosen) {
        m_OnLanguageChosen(chosen->m_Code);
    }
}

void TLanguageMenu::ShowAbout() {
    const std::u16string message = m_AboutText ? m_AboutText() : std::u16string();
    m_ShowMessage(QString::fromStdU16String(message), m_Window->windowTitle());
}

} // namespace qmr
