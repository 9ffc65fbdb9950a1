#pragma once
// The popup menu's language submenu, one item per language of the catalogue and shown only
// when there is a choice, and its about box.

#include "presenter/window_presenter.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>

namespace qmr {

class TLanguageMenu : public QObject {
public:
    using TShowMessage = std::function<void(const QString& text, const QString& caption)>;

    // Adds the language submenu and the about item to `popup`; `presenter` says what the
    // submenu lists and takes the choice. The about box shows what `aboutText` makes, through
    // `showMessage`, under `window`'s caption.
    TLanguageMenu(QWidget* window, QMenu* popup, TWindowPresenter& presenter,
                  std::function<std::u16string()> aboutText, TShowMessage showMessage);

    QMenu* SelectLanguageItem() const { return m_PopupMenuItem_SelectLanguage; }
    QAction* AboutItem() const { return m_PopupMenuItem_About; }

    // One item per language the presenter lists, made anew; a click on one chooses it.
    void BuildLanguageMenu();
    void OnLanguageItemClick(QObject* sender);
    // The about box, for the about item's click.
    void ShowAbout();

private:
    QWidget* m_Window;
    TWindowPresenter& m_Presenter;
    QMenu* m_PopupMenuItem_SelectLanguage;
    QAction* m_PopupMenuItem_About;
    std::function<std::u16string()> m_AboutText;
    TShowMessage m_ShowMessage;
};

} // namespace qmr
