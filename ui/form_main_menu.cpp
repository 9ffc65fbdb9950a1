// The popup menu's language items and about box.

#include "form_main.h"

#include <QAction>

namespace qmr {

void TFormMain::BuildLanguageMenu() {
    LANGUAGE::TLangStrings* strings = LANGUAGE::LangStrings.get();
    const int count = strings != nullptr ? strings->GetLanguageCount() : 0;
    m_PopupMenuItem_SelectLanguage->menuAction()->setVisible(count > 1);
    m_PopupMenuItem_SelectLanguage->clear();
    for (int i = 0; i < count; ++i) {
        QAction* item = m_PopupMenuItem_SelectLanguage->addAction(
            QString::fromStdU16String(strings->GetLanguage(i)->m_Name));
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, item] { OnLanguageItemClick(item); });
    }
}

void TFormMain::OnLanguageItemClick(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    if (item == nullptr || !LANGUAGE::LangStrings) {
        return;
    }
    LANGUAGE::LangStrings->SelectLanguage(item->data().toInt());
}

void TFormMain::m_PopupMenuItem_AboutClick(QObject*) {
    const std::u16string message = m_AboutText ? m_AboutText() : std::u16string();
    ShowMessage(QString::fromStdU16String(message), windowTitle());
}

} // namespace qmr
