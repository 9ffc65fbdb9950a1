#pragma once
// The one way tests reach into the window: its controls, the state they check, and the
// handlers they call in place of a real click, tick or idle moment. Production code never
// includes this header; TFormMain, the report pane and the tray minimiser befriend the class
// so that their members can stay private.

#include "ui/form_main.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace qmr {

class TFormMainTestAccess {
public:
    // Controls.
    static TAdvPolyList& List(const TFormMain& form) { return *form.m_AdvPolyList; }
    static QScrollArea& ReportScrollBox(const TFormMain& form) { return *form.m_ScrollBox_Report; }
    static THTMLStaticText& ReportView(const TFormMain& form) {
        return *form.m_HTMLStaticText_Report;
    }
    static QPushButton& CopyButton(const TFormMain& form) { return *form.m_AeroButton_CopyReport; }
    static QCheckBox& ExpertBox(const TFormMain& form) {
        return *form.m_AdvOfficeCheckBox_ExpertMode;
    }
    static QSystemTrayIcon& TrayIcon(const TFormMain& form) { return *form.m_TrayIcon; }
    static QMenu& LanguageMenu(const TFormMain& form) {
        return *form.m_PopupMenuItem_SelectLanguage;
    }
    static QTimer& PollTimer(const TFormMain& form) { return *form.m_Timer_Poll; }
    static QAction& ShowVirtualItem(const TFormMain& form) {
        return *form.m_PopupMenuItem_ShowVirtual;
    }
    static QMenu& PopupMenu(const TFormMain& form) { return *form.m_AdvPopupMenu; }
    static TRateGraph& RateGraph(const TFormMain& form) { return *form.m_ReportPane->m_RateGraph; }
    static QAction& NotifyLinkChangesItem(const TFormMain& form) {
        return *form.m_PopupMenuItem_NotifyLinkChanges;
    }

    // State.
    // The tray icon's status picture index, 0 to 3.
    static int TrayPictureIndex(const TFormMain& form) {
        return form.m_TrayMinimizer->m_TrayIconImageIndex;
    }
    // The window's behaviour, which decides what the controls show.
    static TWindowPresenter& Presenter(const TFormMain& form) { return *form.m_Presenter; }
    // How many repaints the rate graph has asked for.
    static int GraphRepaintRequests(const TFormMain& form) {
        return form.m_ReportPane->m_RateGraph->m_RepaintRequests;
    }
    static QSize MeasureMarkupLine(const TFormMain& form, const QString& line) {
        return form.m_ReportPane->MeasureMarkupLine(line);
    }

    // Moments and handlers, called as the window's own events would call them.
    static void Poll(TFormMain& form) { form.m_Timer_PollTimer(form.m_Timer_Poll); }
    static void Idle(TFormMain& form) { form.OnAppIdle(); }
    static void ClickCopy(TFormMain& form) { form.m_AeroButton_CopyReportClick(nullptr); }
    static void ClickAbout(TFormMain& form) { form.m_PopupMenuItem_AboutClick(nullptr); }
    static void ClickTrayIcon(TFormMain& form) { form.m_TrayIconClick(nullptr); }
    // The report area's wheel handler and the window's, which passes the wheel on only when
    // `globalPos` lies over the report. `handled` is set when the report took the wheel.
    static void ReportWheel(TFormMain& form, Qt::KeyboardModifiers shift, int wheelDelta,
                            bool& handled) {
        form.m_ScrollBox_ReportMouseWheel(nullptr, shift, wheelDelta, {}, handled);
    }
    static void FormWheel(TFormMain& form, Qt::KeyboardModifiers shift, int wheelDelta,
                          QPoint globalPos, bool& handled) {
        form.FormMouseWheel(nullptr, shift, wheelDelta, globalPos, handled);
    }
    // Stands in for the window manager's mapping: the minimise request waits while `waits`
    // says so, at most `limitMs`.
    static void SetMapWait(TFormMain& form, std::function<bool()> waits, int limitMs) {
        form.m_TrayMinimizer->m_WaitsForMap = std::move(waits);
        form.m_TrayMinimizer->m_MapWaitLimitMs = limitMs;
    }
    // Puts `clipboard` where Copy writes.
    static void SetClipboard(TFormMain& form, std::unique_ptr<TClipboardSink> clipboard) {
        form.m_Clipboard = std::move(clipboard);
    }
    // Replaces the message box with `show`, which receives what would have been shown.
    static void
    CatchMessages(TFormMain& form,
                  std::function<void(const QString& text, const QString& caption)> show) {
        form.ShowMessage = std::move(show);
    }
    // Replaces the tray icon's desktop notification with `show`.
    static void CatchNotices(TFormMain& form,
                             std::function<void(const QString& title, const QString& text)> show) {
        form.m_TrayMinimizer->m_NoticeShown = std::move(show);
    }
};

} // namespace qmr
