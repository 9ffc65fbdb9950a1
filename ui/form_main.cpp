#include "form_main.h"

#include "lang/text_ids.h"
#include "report/device_status.h"
#include "ui/accessible_parts.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace qmr {

namespace {
QString Text(int id) {
    return QString::fromStdU16String(LANGUAGE::GetLangText(id));
}
} // namespace

TFormMain::TFormMain(QWidget* owner, std::vector<std::u16string> arguments,
                     std::function<std::u16string()> aboutText)
    : QWidget(owner), m_Arguments(std::move(arguments)) {
    ShowMessage = [this](const QString& text, const QString& caption) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, this);
        box.exec();
    };

    InstallAccessibleParts();
    m_ChoiceStore = std::make_unique<TSettingsChoiceStore>();
    m_Choices = std::make_unique<TUserChoices>(*m_ChoiceStore);
    m_Presenter = std::make_unique<TWindowPresenter>(static_cast<TWindowView&>(*this), *m_Choices);
    CreateControls(std::move(aboutText));

    LayoutReportArea();

    // Idle: the event dispatcher is about to wait, so the thread has nothing else to do.
    m_IdleConnection =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { OnAppIdle(); });

    if (LANGUAGE::LangStrings) {
        LANGUAGE::LangStrings->AttachControl(this);
    }
    ApplyRememberedChoices();
    ApplyTexts();
    m_Timer_Poll->setInterval(TWindowPresenter::kPollIntervalMs);
    // The first poll runs here; an exception from it fails the construction.
    m_Presenter->Start();
    m_TrayMinimizer->ScanMinimizeArguments(m_Arguments);
    m_LanguageMenu->BuildLanguageMenu();
}

TFormMain::~TFormMain() {
    disconnect(m_IdleConnection);
    if (m_Timer_SaveGeometry->isActive()) {
        m_Timer_SaveGeometry->stop();
        SaveGeometry();
    }
    if (LANGUAGE::LangStrings) {
        LANGUAGE::LangStrings->DetachControl(this);
    }
}

void TFormMain::ApplyTexts() {
    setWindowTitle(Text(LANGUAGE::TextWindowCaption));
    m_AeroButton_CopyReport->setText(Text(LANGUAGE::TextCopyButton));
    m_AeroButton_CopyReport->setToolTip(Text(LANGUAGE::TextCopyHint));
    // Readers get the words without the mnemonic marks the captions may carry.
    m_AeroButton_CopyReport->setAccessibleName(
        QString(m_AeroButton_CopyReport->text()).remove(QLatin1Char('&')));
    m_AeroButton_CopyReport->setAccessibleDescription(m_AeroButton_CopyReport->toolTip());
    m_ImageSectionItem->Caption = Text(LANGUAGE::TextListHeading);
    m_AdvPolyList->setAccessibleName(m_ImageSectionItem->Caption);
    m_AdvPolyList->update();
    m_AdvOfficeCheckBox_ExpertMode->setText(Text(LANGUAGE::TextExpertMode));
    m_AdvOfficeCheckBox_ExpertMode->setAccessibleName(
        QString(m_AdvOfficeCheckBox_ExpertMode->text()).remove(QLatin1Char('&')));
    // The report area stands where the interface tab stood, and keeps its name.
    m_ScrollBox_Report->setAccessibleName(Text(LANGUAGE::TextTabInterface));
    m_HTMLStaticText_Report->setAccessibleName(Text(LANGUAGE::TextTabInterface));
    m_PopupMenuItem_Exit->setText(Text(LANGUAGE::TextMenuExit));
    m_PopupMenuItem_About->setText(Text(LANGUAGE::TextMenuAbout));
    m_PopupMenuItem_SelectLanguage->setTitle(Text(LANGUAGE::TextMenuLanguage));
    m_PopupMenuItem_ShowVirtual->setText(Text(LANGUAGE::TextShowVirtualAdapters));
    m_PopupMenuItem_NotifyLinkChanges->setText(Text(LANGUAGE::TextMenuNotifyLinkChanges));
    m_TrayIcon->setToolTip(windowTitle());
}

void TFormMain::OnAppIdle() {
    m_Presenter->Idle();
}

void TFormMain::m_Timer_PollTimer(QObject*) {
    m_Presenter->PollTimer();
}

void TFormMain::PollShowingErrors() {
    m_Presenter->PollNow();
}

void TFormMain::m_AdvPolyListItemSelect(QObject*, TPolyListItem* item, bool&) {
    for (int i = 0; i < m_AdvPolyList->Count(); ++i) {
        if (m_AdvPolyList->Item(i) == item) {
            m_AdvPolyList->Tag = i;
            m_Presenter->ItemSelected(i - 1); // the heading is the list's first item
        }
    }
}

void TFormMain::m_AdvOfficeCheckBox_ExpertModeClick(QObject*) {
    m_Presenter->SetExpertMode(m_AdvOfficeCheckBox_ExpertMode->isChecked());
}

void TFormMain::m_PopupMenuItem_ShowVirtualClick(QObject*) {
    m_Presenter->SetShowVirtual(m_PopupMenuItem_ShowVirtual->isChecked());
}

void TFormMain::SetNotifyOnLinkChanges(bool notify) {
    m_Presenter->SetNotifyOnLinkChanges(notify);
}

void TFormMain::m_AdvFormStylerChange(QObject*) {
    m_Presenter->InvalidateReport();
}

void TFormMain::m_PopupMenuItem_ExitClick(QObject*) {
    close();
}

void TFormMain::m_PopupMenuItem_AboutClick(QObject*) {
    m_LanguageMenu->ShowAbout();
}

void TFormMain::m_AeroButton_CopyReportClick(QObject*) {
    m_Presenter->Copy();
}

void TFormMain::BeginListUpdate() {
    m_AdvPolyList->BeginUpdate();
}

void TFormMain::EndListUpdate() {
    m_AdvPolyList->EndUpdate();
}

void TFormMain::InsertItem(int position, const TAdapterItem& adapter) {
    auto item = std::make_unique<TPolyListItem>();
    item->Caption = QString::fromStdU16String(adapter.Caption);
    item->Tag = adapter.IfIndex;
    item->Spacing = 8;
    item->ImageIndex = adapter.PictureIndex;
    // Says what the picture shows, and like the picture it keeps the status it had.
    item->StatusText = QString::fromStdU16String(adapter.StatusText);
    m_AdvPolyList->Insert(position + 1, std::move(item));
}

void TFormMain::RemoveItem(int position) {
    m_AdvPolyList->RemoveAt(position + 1);
}

void TFormMain::SetItemCaption(int position, const std::u16string& caption) {
    m_AdvPolyList->SetCaption(position + 1, QString::fromStdU16String(caption));
}

void TFormMain::SelectItem(int position) {
    m_AdvPolyList->Tag = position + 1;
    m_AdvPolyList->SelectRequest(position + 1);
}

void TFormMain::ShowReport(const TLineList& markup, const TTrafficTrack* track, bool hasDevice) {
    m_ReportPane->ShowReport(markup, track, hasDevice);
}

void TFormMain::EnableCopy(bool enabled) {
    m_AeroButton_CopyReport->setEnabled(enabled);
}

bool TFormMain::PutOnClipboard(const std::u16string& text, std::u16string& error) {
    if (m_Clipboard->SetText(QString::fromStdU16String(text))) {
        return true;
    }
    error = m_Clipboard->ErrorText().toStdU16String();
    return false;
}

void TFormMain::SetTrayPicture(int index) {
    m_TrayMinimizer->SetPictureIndex(index);
}

void TFormMain::SetTrayHint(const std::u16string& hint) {
    m_TrayMinimizer->SetHint(QString::fromStdU16String(hint));
}

void TFormMain::ShowNotice(const std::u16string& title, const std::u16string& text) {
    m_TrayMinimizer->ShowNotice(QString::fromStdU16String(title), QString::fromStdU16String(text));
}

void TFormMain::ShowError(const std::u16string& text) {
    ShowException(QString::fromStdU16String(text));
}

void TFormMain::SetPollTimer(bool running) {
    if (running) {
        m_Timer_Poll->start();
    } else {
        m_Timer_Poll->stop();
    }
}

bool TFormMain::IsInFront() const {
    return isActiveWindow() && !isMinimized();
}

void TFormMain::ShowSwitches(bool expert, bool showVirtual, bool notify) {
    m_AdvOfficeCheckBox_ExpertMode->setChecked(expert);
    m_PopupMenuItem_ShowVirtual->setChecked(showVirtual);
    m_PopupMenuItem_NotifyLinkChanges->setChecked(notify);
}

void TFormMain::OnAppMinimize() {
    m_TrayMinimizer->OnAppMinimize();
}

void TFormMain::OnAppRestore() {
    m_TrayMinimizer->OnAppRestore();
}

void TFormMain::m_TrayIconClick(QObject*) {
    m_TrayMinimizer->RestoreApplication();
}

void TFormMain::HandleLangChanged(int newIndex, LANGUAGE::TLangStrings*) {
    // Delivered at once, as the catalogue requires: the event is sent, not posted.
    QEvent event(WM_LANGCHANGED_EVENT);
    Q_UNUSED(newIndex);
    QCoreApplication::sendEvent(this, &event);
}

bool TFormMain::event(QEvent* event) {
    if (WndProc(event)) {
        return true;
    }
    return QWidget::event(event);
}

bool TFormMain::WndProc(QEvent* event) {
    if (event->type() == WM_APP_MINIMIZE) {
        m_TrayMinimizer->MinimizeApplication();
        return true;
    }
    if (event->type() == WM_LANGCHANGED_EVENT) {
        ApplyTexts();
        m_Presenter->InvalidateReport();
        return true;
    }
    return false;
}

void TFormMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        m_TrayMinimizer->WindowStateChanged();
    }
}

void TFormMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A report built before the window was shown was sized for Qt's default; now the report
    // area has its real size.
    m_Presenter->InvalidateReport();
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (m_Presenter->CopyEnabled()) {
            m_Presenter->Copy();
        }
    } else if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        PollShowingErrors();
    } else if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_TrayMinimizer->MinimizeApplication();
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TFormMain::ShowException(const QString& message) {
    ShowMessage(message, QCoreApplication::applicationName());
}

} // namespace qmr
