#pragma once
// The popup menu's language submenu, one item per language of the catalogue and shown only
// when there is a choice, and its about box.

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>

namespace qmr {

// The most languages the menu lists.
inline constexpr int kLanguageMenuMaxItems = 64;

class TLanguageMenu : public QObject {
public:
    using TShowMessage = std::function<void(const QString& text, const QString& caption)>;

    // Adds the language submenu and the about item to `popup`. The about box shows what
    // `aboutText` makes, through `showMessage`, under `window`'s caption.
    TLanguageMenu(QWidget* window, QMenu* popup, std::function<std::u16string()> aboutText,
                  TShowMessage showMessage);

    QMenu* SelectLanguageItem() const { return m_PopupMenuItem_SelectLanguage; }
    QAction* AboutItem() const { return m_PopupMenuItem_About; }

    // One item per language of the catalogue, made anew; a click on one selects it.
    void BuildLanguageMenu();
    void OnLanguageItemClick(QObject* sender);
    // The about box, for the about item's click.
    void ShowAbout();
    // Called with the language's code when the user picks one from the menu.
    void SetOnLanguageChosen(std::function<void(const std::u16string& code)> chosen) {
        m_OnLanguageChosen = std::move(chosen);
    }

private:
    QWidget* m_Window;
    QMenu* m_PopupMenuItem_SelectLanguage;
    QAction* m_PopupMenuItem_About;
    std::function<std::u16string()> m_AboutText;
    TShowMessage m_ShowMessage;
    std::function<void(const std::u16string& code)> m_OnLanguageChosen;
};

} // namespace qmr
