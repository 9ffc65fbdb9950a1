#pragma once
// The program's one window: the adapter list on the left, the live report of the selected
// adapter on the right, polled once a second and rebuilt at idle moments. What it shows and
// when is the presenter's decision; the window draws it, with the report pane, the tray
// minimiser and the language menu, and passes the user's doing on to the presenter.

#include "lang/lang_strings.h"
#include "presenter/user_choices.h"
#include "presenter/window_presenter.h"
#include "presenter/window_view.h"
#include "ui/clipboard_sink.h"
#include "ui/language_menu.h"
#include "ui/markup/markup_view.h"
#include "ui/picture_store.h"
#include "ui/poly_list.h"
#include "ui/report_pane.h"
#include "ui/settings_choice_store.h"
#include "ui/stylers.h"
#include "ui/tray_minimizer.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace qmr {

// The language-change notice, as a Qt event type.
inline constexpr QEvent::Type WM_LANGCHANGED_EVENT =
    static_cast<QEvent::Type>(LANGUAGE::WM_LANGCHANGED);

class TFormMain : public QWidget, public LANGUAGE::TLangControl, private TWindowView {
    Q_OBJECT
public:
    // `arguments` is the command line, position 0 the program itself; `aboutText` makes the
    // about box's text when it is asked for (start-up knows the version, the window does not).
    explicit TFormMain(QWidget* owner = nullptr, std::vector<std::u16string> arguments = {},
                       std::function<std::u16string()> aboutText = {});
    ~TFormMain() override;

    void HandleLangChanged(int newIndex, LANGUAGE::TLangStrings* strings) override;

    // "Notify on Link Changes": remembered, and shown in the menu.
    bool NotifyOnLinkChanges() const { return m_Presenter->NotifyOnLinkChanges(); }
    void SetNotifyOnLinkChanges(bool notify);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Ctrl+C copies, F5 polls at once, Esc minimises, wherever the focus is.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TFormMainTestAccess;

    // Controls, in their declared order; the report pane, the tray minimiser and the language
    // menu make theirs, and these point at them.
    QTimer* m_Timer_Poll;
    TAdvPolyList* m_AdvPolyList;
    TImageSectionItem* m_ImageSectionItem;
    QPushButton* m_AeroButton_CopyReport;
    TImageList m_ImageList;
    TAdvFormStyler* m_AdvFormStyler;
    QLabel* m_HTMLabel_Copyright;
    QSystemTrayIcon* m_TrayIcon;
    QScrollArea* m_ScrollBox_Report;
    THTMLStaticText* m_HTMLStaticText_Report;
    QCheckBox* m_AdvOfficeCheckBox_ExpertMode;
    QMenu* m_AdvPopupMenu;
    QAction* m_PopupMenuItem_Exit;
    TAdvMenuOfficeStyler m_AdvMenuOfficeStyler;
    QAction* m_PopupMenuItem_About;
    QMenu* m_PopupMenuItem_SelectLanguage;
    QAction* m_PopupMenuItem_ShowVirtual;
    QAction* m_PopupMenuItem_NotifyLinkChanges;

    // The parts, children of the window.
    TReportPane* m_ReportPane;
    TTrayMinimizer* m_TrayMinimizer;
    TLanguageMenu* m_LanguageMenu;

    // What the user chose in earlier runs, and the timer that writes the geometry once a move
    // or resize has settled.
    std::unique_ptr<TChoiceStore> m_ChoiceStore;
    std::unique_ptr<TUserChoices> m_Choices;
    QTimer* m_Timer_SaveGeometry;

    std::unique_ptr<TWindowPresenter> m_Presenter;

    // Where Copy puts the report; tests put in one that refuses.
    std::unique_ptr<TClipboardSink> m_Clipboard = std::make_unique<TQtClipboardSink>();
    // How a message box is shown; tests replace it to see what would be shown.
    std::function<void(const QString& text, const QString& caption)> ShowMessage;

    void ApplyTexts();
    void OnAppIdle();
    void m_Timer_PollTimer(QObject* sender);
    // A poll outside the timer's own rhythm (the timer and F5); an error is shown.
    void PollShowingErrors();
    void m_PopupMenuItem_ShowVirtualClick(QObject* sender);
    // Puts the remembered geometry in place; at construction.
    void ApplyRememberedChoices();
    void CreateChoiceControls();
    void GeometryChanged();
    void SaveGeometry();
    void m_AdvPolyListItemSelect(QObject* sender, TPolyListItem* item, bool& allow);
    void m_AdvOfficeCheckBox_ExpertModeClick(QObject* sender);
    void m_AdvFormStylerChange(QObject* sender);
    void m_PopupMenuItem_ExitClick(QObject* sender);
    void m_PopupMenuItem_AboutClick(QObject* sender);
    // Shows an error as the framework's exception display would.
    void ShowException(const QString& message);
    void m_AeroButton_CopyReportClick(QObject* sender);

    // The view's half of the window, as the presenter asks for it.
    void BeginListUpdate() override;
    void EndListUpdate() override;
    void InsertItem(int position, const TAdapterItem& item) override;
    void RemoveItem(int position) override;
    void SetItemCaption(int position, const std::u16string& caption) override;
    void SelectItem(int position) override;
    void ShowReport(const TLineList& markup, const TTrafficTrack* track, bool hasDevice) override;
    void EnableCopy(bool enabled) override;
    bool PutOnClipboard(const std::u16string& text, std::u16string& error) override;
    void SetTrayPicture(int index) override;
    void SetTrayHint(const std::u16string& hint) override;
    void ShowNotice(const std::u16string& title, const std::u16string& text) override;
    void ShowError(const std::u16string& text) override;
    void SetPollTimer(bool running) override;
    bool IsInFront() const override;
    void ShowSwitches(bool expert, bool showVirtual, bool notify) override;

    // Minimising to the notification area and back, done by the tray minimiser.
    void OnAppMinimize();
    void OnAppRestore();
    void m_TrayIconClick(QObject* sender);

    // Wheel scrolling of the report: the report area's own wheel, and the window's, which it
    // passes on when the pointer is over the report.
    void m_ScrollBox_ReportMouseWheel(QObject* sender, Qt::KeyboardModifiers shift, int wheelDelta,
                                      QPoint mousePos, bool& handled);
    void FormMouseWheel(QObject* sender, Qt::KeyboardModifiers shift, int wheelDelta,
                        QPoint mousePos, bool& handled);

    bool WndProc(QEvent* event);
    void CreateControls(std::function<std::u16string()> aboutText);
    void LayoutReportArea();
    void ApplyAnchors();
    // Design lengths at 120 pixels per inch, scaled to this screen.
    int Scaled(int designLength) const;

    struct Anchored {
        QWidget* Widget;
        bool Left, Top, Right, Bottom;
        QRect Design; // geometry at the client size below
    };
    std::vector<Anchored> m_Anchors;
    QSize m_AnchorClient;
    QRect m_CheckBoxDesign;
    QSize m_ListDesignSize;
    std::vector<std::u16string> m_Arguments;
    QMetaObject::Connection m_IdleConnection;
};

} // namespace qmr
