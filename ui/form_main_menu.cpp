// The popup menu's language items and about box.

#include "form_main.h"

#include "base/format.h"
#include "shell/version_application.h"

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
    VERAPP::PVersionApplication version(new VERAPP::TVersionApplication);
    std::u16string text;
    if (version->GetVersionPart(2) == 0) {
        text = Format(u"%i.%i %s", {version->GetVersionPart(0), version->GetVersionPart(1),
                                    LANGUAGE::GetLangText(1004)});
    } else {
        text =
            Format(u"%i.%i %s %i %s %i", {version->GetVersionPart(0), version->GetVersionPart(1),
                                          LANGUAGE::GetLangText(1002), version->GetVersionPart(2),
                                          LANGUAGE::GetLangText(1003), version->GetVersionPart(3)});
    }
    const std::u16string message = Format(u"%s: %s", {LANGUAGE::GetLangText(1001), text});
    ShowMessage(QString::fromStdU16String(message), windowTitle());
}

} // namespace qmr
