#pragma once
// The program's one window on Windows: the adapter list on the left, the live report of the
// selected adapter on the right, the expert box under the list and Copy under the report. What
// it shows and when is the presenter's decision; the window draws it with Win32 controls and
// passes the user's doing on to the presenter, as the Qt window does on Linux.

#include "lang/lang_strings.h"
#include "presenter/user_choices.h"
#include "presenter/window_presenter.h"
#include "presenter/window_view.h"
#include "winui/report_view.h"
#include "winui/tray_minimizer.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qmr {

class TFormMain : public LANGUAGE::TLangControl, private TWindowView {
public:
    // `arguments` is the command line, position 0 the program itself; `store` keeps the
    // choices between runs. The first poll runs here; an exception from it fails construction.
    // `aboutText` makes the about box's text (start-up knows the version, the window does not).
    TFormMain(HINSTANCE instance, std::vector<std::u16string> arguments,
              std::unique_ptr<TChoiceStore> store, std::function<std::u16string()> aboutText = {});
    ~TFormMain() override;
    TFormMain(const TFormMain&) = delete;
    TFormMain& operator=(const TFormMain&) = delete;

    HWND Handle() const { return m_Handle; }
    void Show(int showCommand);
    // Runs the messages until the window is closed, with the presenter's idle moment whenever
    // the queue has run dry.
    void RunMessageLoop();

    void HandleLangChanged(int newIndex, LANGUAGE::TLangStrings* strings) override;

private:
    HINSTANCE m_Instance;
    HWND m_Handle = nullptr;
    // Controls, with the names the Linux window gives them.
    UINT_PTR m_Timer_Poll = 0;
    HWND m_AdvPolyList = nullptr;
    HWND m_AeroButton_CopyReport = nullptr;
    HWND m_AdvOfficeCheckBox_ExpertMode = nullptr;
    HWND m_HTMLabel_Copyright = nullptr;
    std::unique_ptr<TReportView> m_HTMLStaticText_Report;
    HFONT m_WindowFont = nullptr;
    HFONT m_BoxFont = nullptr;
    HFONT m_HeadingFont = nullptr;
    int m_Dpi = 96;
    // The control that had the focus when the window was last deactivated.
    HWND m_LastFocus = nullptr;

    // The notification area's half of the window: its icon, and minimising to it.
    std::unique_ptr<TTrayMinimizer> m_TrayMinimizer;
    // The shell's message that it started anew and lost every icon.
    UINT m_TaskbarCreatedMessage = 0;

    // What the list shows below its heading, position by position.
    std::vector<TAdapterItem> m_Items;

    std::vector<std::u16string> m_Arguments;
    std::function<std::u16string()> m_AboutText;
    std::unique_ptr<TChoiceStore> m_ChoiceStore;
    std::unique_ptr<TUserChoices> m_Choices;
    std::unique_ptr<TWindowPresenter> m_Presenter;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Keys that act wherever the focus is (Ctrl+C, F5, Esc); true when the key was used.
    bool HandleWindowKey(const MSG& msg);

    void CreateControls();
    void CreateFonts();
    void ApplyTexts();
    void Layout();
    int Scaled(int designLength) const { return MulDiv(designLength, m_Dpi, 120); }
    // The remembered geometry (form_main_geometry.cpp): put in place before the window shows
    // where a monitor shows it, saved once a move or resize has ended.
    static constexpr UINT_PTR kSaveGeometryTimerId = 0x7132;
    void ApplyRememberedGeometry();
    void GeometryChanged();
    void SaveGeometry();
    void MeasureListItem(MEASUREITEMSTRUCT& item) const;
    void DrawListItem(const DRAWITEMSTRUCT& item) const;

    // Handlers, as the Linux window names them.
    void m_Timer_PollTimer();
    void m_AdvPolyListItemSelect();
    void m_AdvOfficeCheckBox_ExpertModeClick();
    void m_AeroButton_CopyReportClick();
    void OnAppIdle();
    // The popup menu at a point of the screen, and what was chosen in it.
    void m_AdvPopupMenuPopup(POINT at);
    void m_PopupMenuItem_AboutClick();
    void ShowException(const std::u16string& message);

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
};

} // namespace qmr
