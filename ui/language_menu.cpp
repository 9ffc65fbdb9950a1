#include "ui/language_menu.h"

namespace qmr {

TLanguageMenu::TLanguageMenu(QWidget* window, QMenu* popup, TWindowPresenter& presenter,
                             std::function<std::u16string()> aboutText, TShowMessage showMessage)
    : QObject(window), m_Window(window), m_Presenter(presenter), m_AboutText(std::move(aboutText)),
      m_ShowMessage(std::move(showMessage)) {
    m_PopupMenuItem_SelectLanguage = popup->addMenu(QString());
    m_PopupMenuItem_SelectLanguage->menuAction()->setVisible(false);
    m_PopupMenuItem_About = popup->addAction(QString());
}

void TLanguageMenu::BuildLanguageMenu() {
    const auto entries = m_Presenter.LanguageMenuEntries();
    m_PopupMenuItem_SelectLanguage->menuAction()->setVisible(entries.size() > 1);
    m_PopupMenuItem_SelectLanguage->clear();
    for (const auto& entry : entries) {
        QAction* item =
            m_PopupMenuItem_SelectLanguage->addAction(QString::fromStdU16String(entry.Name));
        item->setData(entry.Index);
        connect(item, &QAction::triggered, this, [this, item] { OnLanguageItemClick(item); });
    }
}

void TLanguageMenu::OnLanguageItemClick(QObject* sender) {
    if (auto* item = qobject_cast<QAction*>(sender)) {
        m_Presenter.ChooseLanguage(item->data().toInt());
    }
}

void TLanguageMenu::ShowAbout() {
    const std::u16string message = m_AboutText ? m_AboutText() : std::u16string();
    m_ShowMessage(QString::fromStdU16String(message), m_Window->windowTitle());
}

} // namespace qmr
