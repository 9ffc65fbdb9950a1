#pragma once
// The program's one window: the adapter list on the left, the live report of the selected
// adapter on the right, polled once a second and rebuilt at idle moments. The window keeps the
// list and the poll; the report pane, the tray minimiser and the language menu do the rest, and
// the window's handlers pass their work on to them.

#include "lang/lang_strings.h"
#include "network/adapter_poll.h"
#include "network/link_events.h"
#include "network/link_notice.h"
#include "ui/clipboard_sink.h"
#include "ui/language_menu.h"
#include "ui/markup/markup_view.h"
#include "ui/picture_store.h"
#include "ui/poly_list.h"
#include "ui/report_pane.h"
#include "ui/stylers.h"
#include "ui/tray_minimizer.h"
#include "ui/user_choices.h"

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

class TFormMain : public QWidget, public LANGUAGE::TLangControl {
    Q_OBJECT
public:
    // `arguments` is the command line, position 0 the program itself; `aboutText` makes the
    // about box's text when it is asked for (start-up knows the version, the window does not).
    explicit TFormMain(QWidget* owner = nullptr, std::vector<std::u16string> arguments = {},
                       std::function<std::u16string()> aboutText = {});
    ~TFormMain() override;

    void HandleLangChanged(int newIndex, LANGUAGE::TLangStrings* strings) override;

    // "Notify on Link Changes": remembered, and shown in the menu.
    bool NotifyOnLinkChanges() const { return m_LinkNotices.Enabled(); }
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
    std::unique_ptr<TUserChoices> m_Choices;
    QTimer* m_Timer_SaveGeometry;

    // The window's state.
    std::unique_ptr<TDeviceList> m_Devices;
    bool m_ReportPending = false;
    std::uint32_t m_SelectedIfIndex = 0;
    // What the window has shown of every adapter's rates (history, not a cache: each poll
    // still reads the machine afresh).
    TTrafficHistory m_TrafficHistory;
    // What changed on every adapter while the window was open, and which of it became a
    // desktop notice; the gate holds the "Notify on Link Changes" choice.
    TLinkEventHistory m_LinkEvents;
    TLinkNoticeGate m_LinkNotices;

    // Where Copy puts the report; tests put in one that refuses.
    std::unique_ptr<TClipboardSink> m_Clipboard = std::make_unique<TQtClipboardSink>();
    // How a message box is shown; tests replace it to see what would be shown.
    std::function<void(const QString& text, const QString& caption)> ShowMessage;

    void ApplyTexts();
    void OnAppIdle();
    void m_Timer_PollTimer(QObject* sender);
    // A poll outside the timer's own rhythm (the timer and F5); an error is shown.
    void PollShowingErrors();
    void PollDevices();
    void SyncDeviceItems();
    // Whether the list shows this adapter: a hardware one always, a virtual one when asked.
    bool IsShown(const TModelNetworkDevice& device) const;
    // The shown device of the last poll with this interface index, or null.
    // Desktop notices for the status changes of one poll that the gate lets through.
    void NotifyLinkChanges(const std::vector<TRecordedLinkEvent>& events, std::uint64_t nowMs);
    // The selected device's events for a report made now.
    TReportEvents ReportEventsOf(const TModelNetworkDevice* device) const;
    TModelNetworkDevice* FindDeviceByIfIndex(std::uint32_t index) const;
    void m_PopupMenuItem_ShowVirtualClick(QObject* sender);
    // Puts the remembered switches, language and geometry in place; at construction.
    void ApplyRememberedChoices();
    void CreateChoiceControls();
    void GeometryChanged();
    void m_AdvPolyListItemSelect(QObject* sender, TPolyListItem* item, bool& allow);
    void m_AdvOfficeCheckBox_ExpertModeClick(QObject* sender);
    void m_AdvFormStylerChange(QObject* sender);
    void m_PopupMenuItem_ExitClick(QObject* sender);
    void m_PopupMenuItem_AboutClick(QObject* sender);
    // Shows an error as the framework's exception display would.
    void ShowException(const QString& message);

    // The report: the pane's display report, the tray picture and the Copy button's state.
    void ShowReport(const TModelNetworkDevice* device);
    void m_AeroButton_CopyReportClick(QObject* sender);
    bool CopyReport(const TModelNetworkDevice* device);

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
