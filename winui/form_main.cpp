#include "winui/form_main.h"

#include "base/utf16_text.h"
#include "lang/text_ids.h"
#include "winui/clipboard.h"
#include "winui/pictures.h"
#include "winui/popup_menu.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace qmr {

namespace {
constexpr wchar_t kClassName[] = L"TFormMain";
constexpr UINT_PTR kPollTimerId = 1;
enum ControlId : int {
    kListId = 100,
    kCopyId,
    kExpertId,
    kReportId,
    kCopyrightId,
};

// The window's design, in pixels at 120 per inch, as the Linux window lays it out.
constexpr int kClientWidth = 935;
constexpr int kClientHeight = 591;
constexpr int kListWidth = 315;
constexpr int kReportLeft = 323;
constexpr int kReportRightGap = 935 - 925;
constexpr int kReportBottomGap = 591 - 513;
// The report area starts this many pixels below the top at every scale.
constexpr int kReportTopPixels = 8;
constexpr int kHeadingHeight = 40;
constexpr int kItemHeight = 44;

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string Text(int id) {
    return LANGUAGE::GetLangText(id);
}

// Windows 10's per-monitor scale where the system has it, else the screen's.
int DpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi != nullptr && hwnd != nullptr) {
        if (const UINT dpi = getDpi(hwnd); dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

HFONT MakeFont(int pixels, bool bold) {
    return CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

std::u16string TitleOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::u16string title(static_cast<std::size_t>(length) + 1, u'\0');
    GetWindowTextW(window, reinterpret_cast<wchar_t*>(title.data()), length + 1);
    title.resize(static_cast<std::size_t>(length));
    return title;
}

std::u16string WithoutMnemonics(std::u16string text) {
    text.erase(std::remove(text.begin(), text.end(), u'&'), text.end());
    return text;
}
} // namespace

TFormMain::TFormMain(HINSTANCE instance, std::vector<std::u16string> arguments,
                     std::unique_ptr<TChoiceStore> store, std::function<std::u16string()> aboutText)
    : m_Instance(instance), m_Arguments(std::move(arguments)), m_AboutText(std::move(aboutText)),
      m_ChoiceStore(std::move(store)) {
    m_Choices = std::make_unique<TUserChoices>(*m_ChoiceStore);
    m_Presenter = std::make_unique<TWindowPresenter>(static_cast<TWindowView&>(*this), *m_Choices);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = instance;
    wc.hIcon = ApplicationPicture(GetSystemMetrics(SM_CXICON));
    wc.hIconSm = ApplicationPicture(GetSystemMetrics(SM_CXSMICON));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    m_Handle = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"", WS_OVERLAPPEDWINDOW,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                               nullptr, instance, this);
    if (m_Handle == nullptr) {
        throw std::runtime_error("The window could not be created");
    }
    m_Dpi = DpiOf(m_Handle);
    CreateFonts();
    CreateControls();
    m_TrayMinimizer = std::make_unique<TTrayMinimizer>(
        m_Handle, m_AdvPolyList, [this](POINT at) { m_AdvPopupMenuPopup(at); });
    m_TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");

    // The client area of the design, centred on the work area of the window's screen.
    RECT frame{0, 0, Scaled(kClientWidth), Scaled(kClientHeight)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(m_Handle, nullptr, work.left + std::max(0L, (work.right - work.left - width) / 2),
                 work.top + std::max(0L, (work.bottom - work.top - height) / 2), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyRememberedGeometry();
    Layout();

    if (LANGUAGE::LangStrings) {
        LANGUAGE::LangStrings->AttachControl(this);
    }
    try {
        m_Presenter->ApplyRememberedLanguage();
        ApplyTexts();
        m_Presenter->Start();
    } catch (...) {
        // No destructor runs for a constructor that throws: the catalogue must not keep us.
        if (LANGUAGE::LangStrings) {
            LANGUAGE::LangStrings->DetachControl(this);
        }
        m_HTMLStaticText_Report.reset();
        DestroyWindow(m_Handle);
        throw;
    }
}

TFormMain::~TFormMain() {
    if (LANGUAGE::LangStrings) {
        LANGUAGE::LangStrings->DetachControl(this);
    }
    m_HTMLStaticText_Report.reset();
    if (IsWindow(m_Handle)) {
        SetWindowLongPtrW(m_Handle, GWLP_USERDATA, 0);
        DestroyWindow(m_Handle);
    }
    for (HFONT font : {m_WindowFont, m_BoxFont, m_HeadingFont}) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
}

void TFormMain::CreateFonts() {
    for (HFONT* font : {&m_WindowFont, &m_BoxFont, &m_HeadingFont}) {
        if (*font != nullptr) {
            DeleteObject(*font);
        }
    }
    m_WindowFont = MakeFont(Scaled(14), false);
    m_BoxFont = MakeFont(Scaled(15), false);
    m_HeadingFont = MakeFont(Scaled(14), true);
}

void TFormMain::CreateControls() {
    const auto child = [this](const wchar_t* cls, DWORD style, int id) {
        return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, m_Handle,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), m_Instance,
                               nullptr);
    };
    // Created in the order Tab walks them: the list, the box under it, the report, then Copy.
    m_AdvPolyList = child(WC_LISTBOXW,
                          WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                              LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                          kListId);
    SetWindowTextW(m_AdvPolyList, L"m_AdvPolyList");
    // The heading is the list's first item, and is never selected.
    SendMessageW(m_AdvPolyList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
    m_AdvOfficeCheckBox_ExpertMode = child(WC_BUTTONW, WS_TABSTOP | BS_AUTOCHECKBOX, kExpertId);
    m_HTMLStaticText_Report = std::make_unique<TReportView>(m_Handle, kReportId, &ReportPicture);
    m_HTMLStaticText_Report->SetScale(m_Dpi);
    m_AeroButton_CopyReport = child(WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, kCopyId);
    EnableWindow(m_AeroButton_CopyReport, FALSE);
    m_HTMLabel_Copyright = child(WC_STATICW, SS_LEFT | SS_NOPREFIX, kCopyrightId);
    SetWindowTextW(m_HTMLabel_Copyright, L"Quillmere \u00A9 2026 Quillmere developers");

    for (HWND control : {m_AdvPolyList, m_AeroButton_CopyReport, m_HTMLabel_Copyright}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_WindowFont), FALSE);
    }
    SendMessageW(m_AdvOfficeCheckBox_ExpertMode, WM_SETFONT,
                 reinterpret_cast<WPARAM>(m_BoxFont), FALSE);
}

void TFormMain::Layout() {
    RECT client{};
    GetClientRect(m_Handle, &client);
    const int w = client.right, h = client.bottom;
    // The list fills the left column down to the expert box's strip.
    MoveWindow(m_AdvPolyList, 0, 0, Scaled(kListWidth), std::max(0, h - Scaled(591 - 540)), TRUE);
    MoveWindow(m_AdvOfficeCheckBox_ExpertMode, Scaled(21), h - Scaled(591 - 548), Scaled(273),
               Scaled(26), TRUE);
    MoveWindow(m_HTMLStaticText_Report->Handle(), Scaled(kReportLeft), kReportTopPixels,
               std::max(0, w - Scaled(kReportRightGap) - Scaled(kReportLeft)),
               std::max(0, h - Scaled(kReportBottomGap) - kReportTopPixels), TRUE);
    MoveWindow(m_AeroButton_CopyReport, w - Scaled(935 - 756), h - Scaled(591 - 548), Scaled(169),
               Scaled(33), TRUE);
    MoveWindow(m_HTMLabel_Copyright, Scaled(kReportLeft), h - Scaled(591 - 557), Scaled(393),
               Scaled(24), TRUE);
}

void TFormMain::ApplyTexts() {
    SetWindowTextW(m_Handle, Wide(Text(LANGUAGE::TextWindowCaption)));
    SetWindowTextW(m_AeroButton_CopyReport, Wide(Text(LANGUAGE::TextCopyButton)));
    SetWindowTextW(m_AdvOfficeCheckBox_ExpertMode, Wide(Text(LANGUAGE::TextExpertMode)));
    // The heading item holds its text as a string too, so a screen reader reads it.
    const std::u16string heading = WithoutMnemonics(Text(LANGUAGE::TextListHeading));
    const LRESULT selected = SendMessageW(m_AdvPolyList, LB_GETCURSEL, 0, 0);
    SendMessageW(m_AdvPolyList, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_AdvPolyList, LB_DELETESTRING, 0, 0);
    SendMessageW(m_AdvPolyList, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(Wide(heading)));
    SendMessageW(m_AdvPolyList, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    SendMessageW(m_AdvPolyList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_AdvPolyList, nullptr, TRUE);
}

void TFormMain::Show(int showCommand) {
    if (TTrayMinimizer::StartsMinimized(m_Arguments)) {
        // Straight into the notification area: the window is never seen until its icon is
        // clicked.
        m_TrayMinimizer->MinimizeApplication();
        m_Presenter->InvalidateReport();
        return;
    }
    ShowWindow(m_Handle, showCommand);
    UpdateWindow(m_Handle);
    // The list has the focus when the window opens.
    SetFocus(m_AdvPolyList);
    m_Presenter->InvalidateReport();
}

bool TFormMain::HandleWindowKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.hwnd != m_Handle && !IsChild(m_Handle, msg.hwnd))) {
        return false;
    }
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (msg.wParam == 'C' && ctrl && !alt && !shift) {
        if (m_Presenter->CopyEnabled()) {
            m_Presenter->Copy();
        }
        return true;
    }
    if (msg.wParam == VK_F5 && !ctrl && !alt && !shift) {
        m_Presenter->PollNow();
        return true;
    }
    if (msg.wParam == VK_ESCAPE && !ctrl && !alt && !shift) {
        m_TrayMinimizer->MinimizeApplication();
        return true;
    }
    return false;
}

void TFormMain::RunMessageLoop() {
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                return;
            }
            try {
                if (HandleWindowKey(msg) || IsDialogMessageW(m_Handle, &msg)) {
                    continue;
                }
            } catch (const std::exception& e) {
                ShowException(Utf8ToUtf16(e.what()));
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        // The queue is empty: the idle moment, then wait for the next message.
        OnAppIdle();
        WaitMessage();
    }
}

void TFormMain::OnAppIdle() {
    try {
        m_Presenter->Idle();
    } catch (const std::exception& e) {
        ShowException(Utf8ToUtf16(e.what()));
    }
}

LRESULT CALLBACK TFormMain::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TFormMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->m_Handle == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // Nothing may unwind through the system's frames: what escapes a handler is shown here,
    // and the messages go on.
    try {
        return self->WndProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        self->ShowException(Utf8ToUtf16(e.what()));
    } catch (...) {
        self->ShowException(std::u16string());
    }
    return 0;
}

LRESULT TFormMain::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            Layout();
            m_Presenter->InvalidateReport();
            GeometryChanged();
        }
        // The minimise button, the window menu and the taskbar go the way Esc goes.
        m_TrayMinimizer->WindowStateChanged(wParam == SIZE_MINIMIZED);
        return 0;
    case WM_MOVE:
        GeometryChanged();
        break;
    case WM_EXITSIZEMOVE:
        SaveGeometry();
        break;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {Scaled(392), Scaled(262)};
        return 0;
    }
    case WM_DPICHANGED: {
        m_Dpi = HIWORD(wParam);
        CreateFonts();
        for (HWND control : {m_AdvPolyList, m_AeroButton_CopyReport, m_HTMLabel_Copyright}) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_WindowFont), TRUE);
        }
        SendMessageW(m_AdvOfficeCheckBox_ExpertMode, WM_SETFONT,
                     reinterpret_cast<WPARAM>(m_BoxFont), TRUE);
        m_HTMLStaticText_Report->SetScale(m_Dpi);
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(m_Handle, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        // Item heights are asked once per item: the list must take them again.
        SendMessageW(m_AdvPolyList, WM_SETREDRAW, FALSE, 0);
        for (int i = 0; i < static_cast<int>(m_Items.size()) + 1; ++i) {
            SendMessageW(m_AdvPolyList, LB_SETITEMHEIGHT, static_cast<WPARAM>(i),
                         Scaled(i == 0 ? kHeadingHeight : kItemHeight));
        }
        SendMessageW(m_AdvPolyList, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(m_AdvPolyList, nullptr, TRUE);
        m_Presenter->InvalidateReport();
        return 0;
    }
    case WM_MEASUREITEM:
        if (wParam == kListId) {
            MeasureListItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        if (wParam == kListId) {
            DrawListItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kListId:
            if (HIWORD(wParam) == LBN_SELCHANGE) {
                m_AdvPolyListItemSelect();
            }
            return 0;
        case kExpertId:
            if (HIWORD(wParam) == BN_CLICKED) {
                m_AdvOfficeCheckBox_ExpertModeClick();
            }
            return 0;
        case kCopyId:
            if (HIWORD(wParam) == BN_CLICKED) {
                m_AeroButton_CopyReportClick();
            }
            return 0;
        case IDCANCEL:
            m_TrayMinimizer->MinimizeApplication();
            return 0;
        default:
            break;
        }
        break;
    case WM_TIMER:
        if (wParam == kPollTimerId) {
            m_Timer_PollTimer();
            return 0;
        }
        if (wParam == kSaveGeometryTimerId) {
            SaveGeometry();
            return 0;
        }
        if (wParam == TTrayMinimizer::kNoticeTimerId) {
            m_TrayMinimizer->NoticeTimer();
            return 0;
        }
        break;
    case WM_MOUSEWHEEL: {
        // The wheel scrolls the report when the pointer is over it, wherever the focus is.
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT report{};
        GetWindowRect(m_HTMLStaticText_Report->Handle(), &report);
        if (PtInRect(&report, at)) {
            m_HTMLStaticText_Report->ScrollByWheel(GET_WHEEL_DELTA_WPARAM(wParam),
                                                   (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) != 0);
            return 0;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == m_HTMLabel_Copyright) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(0x80, 0x80, 0x80));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_CONTEXTMENU: {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (at.x == -1 && at.y == -1) {
            // From the keyboard: at the window's top left corner.
            RECT frame{};
            GetWindowRect(m_Handle, &frame);
            at = {frame.left + Scaled(20), frame.top + Scaled(40)};
        }
        m_AdvPopupMenuPopup(at);
        return 0;
    }
    case WM_ACTIVATE:
        // Back to the control that had the focus, as a dialog does.
        if (LOWORD(wParam) == WA_INACTIVE) {
            m_LastFocus = GetFocus();
        } else {
            SetFocus(m_LastFocus != nullptr && IsChild(m_Handle, m_LastFocus) ? m_LastFocus
                                                                              : m_AdvPolyList);
        }
        return 0;
    case WM_CLOSE:
        SaveGeometry();
        DestroyWindow(m_Handle);
        return 0;
    case WM_DESTROY:
        KillTimer(m_Handle, kPollTimerId);
        m_TrayMinimizer->RemoveIcon();
        PostQuitMessage(0);
        return 0;
    case TTrayMinimizer::kIconMessage:
        m_TrayMinimizer->HandleIconMessage(wParam, lParam);
        return 0;
    default:
        if (message == m_TaskbarCreatedMessage && m_TaskbarCreatedMessage != 0) {
            m_TrayMinimizer->TaskbarCreated();
            return 0;
        }
        if (message == static_cast<UINT>(LANGUAGE::WM_LANGCHANGED)) {
            ApplyTexts();
            m_Presenter->InvalidateReport();
            return 0;
        }
        break;
    }
    return DefWindowProcW(m_Handle, message, wParam, lParam);
}

void TFormMain::MeasureListItem(MEASUREITEMSTRUCT& item) const {
    item.itemHeight = static_cast<UINT>(Scaled(item.itemID == 0 ? kHeadingHeight : kItemHeight));
}

void TFormMain::DrawListItem(const DRAWITEMSTRUCT& item) const {
    if (item.itemID == static_cast<UINT>(-1)) {
        return;
    }
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const int index = static_cast<int>(item.itemID);
    const bool selected = index > 0 && (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &r, GetSysColorBrush(index == 0 ? COLOR_BTNFACE
                                                 : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    const int pad = Scaled(8);
    std::u16string caption;
    HICON picture = nullptr;
    int pictureSize = 0;
    if (index == 0) {
        caption = WithoutMnemonics(Text(LANGUAGE::TextListHeading));
        pictureSize = Scaled(24);
        picture = HeadingPicture(pictureSize);
        SelectObject(dc, m_HeadingFont);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    } else if (index - 1 < static_cast<int>(m_Items.size())) {
        const TAdapterItem& adapter = m_Items[static_cast<std::size_t>(index - 1)];
        caption = adapter.Caption;
        pictureSize = Scaled(32);
        picture = StatusPicture(adapter.PictureIndex, pictureSize);
        SelectObject(dc, m_WindowFont);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    }
    const int middle = (r.top + r.bottom) / 2;
    if (picture != nullptr) {
        DrawIconEx(dc, r.left + pad, middle - pictureSize / 2, picture, pictureSize, pictureSize, 0,
                   nullptr, DI_NORMAL);
    }
    RECT text = r;
    text.left += pad + pictureSize + pad;
    text.right -= pad;
    DrawTextW(dc, Wide(caption), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (index > 0 && (item.itemState & ODS_FOCUS) != 0) {
        DrawFocusRect(dc, &r);
    }
}

void TFormMain::m_Timer_PollTimer() {
    m_Presenter->PollTimer();
}

void TFormMain::m_AdvPolyListItemSelect() {
    const LRESULT selected = SendMessageW(m_AdvPolyList, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        return;
    }
    if (selected == 0) {
        // The heading cannot be chosen: the first adapter is meant (Home, a click on the heading).
        if (m_Items.empty()) {
            SendMessageW(m_AdvPolyList, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            return;
        }
        SendMessageW(m_AdvPolyList, LB_SETCURSEL, 1, 0);
        m_Presenter->ItemSelected(0);
        return;
    }
    m_Presenter->ItemSelected(static_cast<int>(selected) - 1);
}

void TFormMain::m_AdvOfficeCheckBox_ExpertModeClick() {
    m_Presenter->SetExpertMode(
        SendMessageW(m_AdvOfficeCheckBox_ExpertMode, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

void TFormMain::m_AdvPopupMenuPopup(POINT at) {
    TPopupState state;
    const auto languages = m_Presenter->LanguageMenuEntries();
    const int current = LANGUAGE::LangStrings ? LANGUAGE::LangStrings->GetCurrentIndex() : -1;
    for (const auto& language : languages) {
        if (language.Index == current) {
            state.CurrentLanguage = static_cast<int>(state.Languages.size());
        }
        state.Languages.push_back(language.Name);
    }
    state.ShowVirtual = m_Presenter->ShowVirtual();
    state.Notify = m_Presenter->NotifyOnLinkChanges();
    const UINT chosen = RunPopupMenu(m_Handle, at, state);
    if (chosen >= kPopupLanguageFirst &&
        chosen < kPopupLanguageFirst + static_cast<UINT>(state.Languages.size())) {
        m_Presenter->ChooseLanguage(languages[chosen - kPopupLanguageFirst].Index);
        return;
    }
    switch (chosen) {
    case kPopupShowVirtual: m_Presenter->SetShowVirtual(!state.ShowVirtual); break;
    case kPopupNotifyLinkChanges: m_Presenter->SetNotifyOnLinkChanges(!state.Notify); break;
    case kPopupAbout: m_PopupMenuItem_AboutClick(); break;
    case kPopupExit: PostMessageW(m_Handle, WM_CLOSE, 0, 0); break;
    default: break;
    }
}

void TFormMain::m_PopupMenuItem_AboutClick() {
    const std::u16string text = m_AboutText ? m_AboutText() : std::u16string();
    const std::u16string title = TitleOf(m_Handle);
    MessageBoxW(m_Handle, Wide(text), Wide(title), MB_OK);
}

void TFormMain::m_AeroButton_CopyReportClick() {
    m_Presenter->Copy();
}

void TFormMain::ShowException(const std::u16string& message) {
    const std::u16string title = TitleOf(m_Handle);
    MessageBoxW(m_Handle, Wide(message), Wide(title), MB_OK | MB_ICONERROR);
}

void TFormMain::HandleLangChanged(int newIndex, LANGUAGE::TLangStrings*) {
    // Delivered at once, as the catalogue requires: the message is sent, not posted.
    SendMessageW(m_Handle, static_cast<UINT>(LANGUAGE::WM_LANGCHANGED),
                 static_cast<WPARAM>(newIndex), 0);
}

void TFormMain::BeginListUpdate() {
    SendMessageW(m_AdvPolyList, WM_SETREDRAW, FALSE, 0);
}

void TFormMain::EndListUpdate() {
    SendMessageW(m_AdvPolyList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_AdvPolyList, nullptr, TRUE);
}

void TFormMain::InsertItem(int position, const TAdapterItem& item) {
    m_Items.insert(m_Items.begin() + position, item);
    SendMessageW(m_AdvPolyList, LB_INSERTSTRING, static_cast<WPARAM>(position + 1),
                 reinterpret_cast<LPARAM>(Wide(item.Caption)));
}

void TFormMain::RemoveItem(int position) {
    m_Items.erase(m_Items.begin() + position);
    SendMessageW(m_AdvPolyList, LB_DELETESTRING, static_cast<WPARAM>(position + 1), 0);
}

void TFormMain::SetItemCaption(int position, const std::u16string& caption) {
    m_Items[static_cast<std::size_t>(position)].Caption = caption;
    // A list box string cannot be changed in place: it is replaced, keeping the selection.
    const LRESULT selected = SendMessageW(m_AdvPolyList, LB_GETCURSEL, 0, 0);
    SendMessageW(m_AdvPolyList, LB_DELETESTRING, static_cast<WPARAM>(position + 1), 0);
    SendMessageW(m_AdvPolyList, LB_INSERTSTRING, static_cast<WPARAM>(position + 1),
                 reinterpret_cast<LPARAM>(Wide(caption)));
    if (selected != LB_ERR) {
        SendMessageW(m_AdvPolyList, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    }
}

void TFormMain::SelectItem(int position) {
    SendMessageW(m_AdvPolyList, LB_SETCURSEL, static_cast<WPARAM>(position + 1), 0);
}

void TFormMain::ShowReport(const TLineList& markup, const TTrafficTrack* track, bool hasDevice) {
    m_HTMLStaticText_Report->ShowGraph(track, hasDevice);
    m_HTMLStaticText_Report->ShowLines(markup);
    m_HTMLStaticText_Report->SetPlainText(m_Presenter->CopyText());
}

void TFormMain::EnableCopy(bool enabled) {
    EnableWindow(m_AeroButton_CopyReport, enabled ? TRUE : FALSE);
}

bool TFormMain::PutOnClipboard(const std::u16string& text, std::u16string& error) {
    return PutUnicodeTextOnClipboard(m_Handle, text, error);
}

void TFormMain::SetTrayPicture(int index) {
    m_TrayMinimizer->SetPictureIndex(index);
}

void TFormMain::SetTrayHint(const std::u16string& hint) {
    m_TrayMinimizer->SetHint(hint);
}

void TFormMain::ShowNotice(const std::u16string& title, const std::u16string& text) {
    m_TrayMinimizer->ShowNotice(title, text);
}

void TFormMain::ShowError(const std::u16string& text) {
    ShowException(text);
}

void TFormMain::SetPollTimer(bool running) {
    if (running) {
        m_Timer_Poll = SetTimer(m_Handle, kPollTimerId, TWindowPresenter::kPollIntervalMs, nullptr);
    } else {
        KillTimer(m_Handle, kPollTimerId);
        m_Timer_Poll = 0;
    }
}

bool TFormMain::IsInFront() const {
    return GetForegroundWindow() == m_Handle && IsWindowVisible(m_Handle) && !IsIconic(m_Handle);
}

void TFormMain::ShowSwitches(bool expert, bool, bool) {
    SendMessageW(m_AdvOfficeCheckBox_ExpertMode, BM_SETCHECK, expert ? BST_CHECKED : BST_UNCHECKED,
                 0);
}

} // namespace qmr
