#include "form_main.h"

#include "lang/text_ids.h"
#include "report/device_status.h"
#include "ui/accessible_parts.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>

#include <chrono>

#include <new>
#include <stdexcept>
#include <unordered_set>

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
    m_Choices = std::make_unique<TUserChoices>();
    m_LinkNotices.SetEnabled(m_Choices->Get(kNotifyOnLinkChanges));
    CreateControls(std::move(aboutText));

    m_Devices.reset();
    m_ReportPending = false;
    m_SelectedIfIndex = 0;

    m_Devices.reset(new (std::nothrow) TDeviceList);
    if (!m_Devices) {
        throw std::runtime_error("Not enough of memory. Can't create TObjectList object.");
    }

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
    m_AeroButton_CopyReport->setEnabled(false);
    m_Timer_Poll->setInterval(1000);
    ShowReport(nullptr);
    // The first poll runs here; an exception from it fails the construction.
    m_Timer_PollTimer(m_Timer_Poll);
    m_TrayMinimizer->ScanMinimizeArguments(m_Arguments);
    m_LanguageMenu->BuildLanguageMenu();
}

TFormMain::~TFormMain() {
    disconnect(m_IdleConnection);
    if (m_Timer_SaveGeometry->isActive()) {
        m_Timer_SaveGeometry->stop();
        m_Choices->SetGeometry(geometry());
    }
    if (LANGUAGE::LangStrings) {
        LANGUAGE::LangStrings->DetachControl(this);
    }
    m_Devices.reset();
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
    if (!m_ReportPending) {
        return;
    }
    m_ReportPending = false;
    try {
        ShowReport(FindDeviceByIfIndex(m_SelectedIfIndex));
    } catch (...) {
        // The next poll asks for a new rebuild; nothing is shown to the user.
    }
}

void TFormMain::m_Timer_PollTimer(QObject*) {
    m_Timer_Poll->stop();
    PollDevices();
    m_Timer_Poll->start();
}

void TFormMain::PollShowingErrors() {
    // An error stops polling for the rest of the run: the timer is not started again.
    try {
        m_Timer_PollTimer(m_Timer_Poll);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QString());
    }
}

void TFormMain::PollDevices() {
    m_Devices->clear();
    ReadNetworkDevices(*m_Devices);
    const auto nowMs =
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count());
    m_TrafficHistory.Record(*m_Devices, nowMs);
    NotifyLinkChanges(m_LinkEvents.Record(*m_Devices, std::chrono::system_clock::now()), nowMs);
    SyncDeviceItems();
    if (m_AdvPolyList->Count() <= 1) { // the heading alone
        m_AeroButton_CopyReport->setEnabled(false);
    }
}

void TFormMain::SyncDeviceItems() {
    // Sets of interface indexes keep the reconcile linear in the number of adapters.
    // What is not shown is simply not in the list, so the selection rules below see only
    // what is.
    std::unordered_set<std::uint32_t> deviceIndexes;
    for (const auto& device : *m_Devices) {
        if (IsShown(*device)) {
            deviceIndexes.insert(device->GetIfIndex());
        }
    }
    m_AdvPolyList->BeginUpdate();
    for (int i = m_AdvPolyList->Count() - 1; i >= 0; --i) {
        const TPolyListItem* item = m_AdvPolyList->Item(i);
        if (item != m_ImageSectionItem && deviceIndexes.count(item->Tag) == 0) {
            m_AdvPolyList->RemoveAt(i);
        }
    }
    std::unordered_set<std::uint32_t> itemTags;
    for (int i = 0; i < m_AdvPolyList->Count(); ++i) {
        if (m_AdvPolyList->Item(i) != m_ImageSectionItem) {
            itemTags.insert(m_AdvPolyList->Item(i)->Tag);
        }
    }
    for (const auto& device : *m_Devices) {
        // Devices that share an index (rows that failed to read give 0) share the first's item.
        if (IsShown(*device) && itemTags.insert(device->GetIfIndex()).second) {
            auto item = std::make_unique<TPolyListItem>();
            item->Caption = QString::fromStdU16String(device->m_FriendlyName);
            item->Tag = device->GetIfIndex();
            item->Spacing = 8;
            item->ImageIndex = GetStatusImageIndex(device.get());
            // Says what the picture shows, and like the picture it keeps the status it had.
            item->StatusText = QString::fromStdU16String(GetStatusText(*device));
            m_AdvPolyList->Append(std::move(item));
        }
    }
    m_AdvPolyList->EndUpdate();

    int position = m_AdvPolyList->Tag;
    if (position > m_AdvPolyList->Count()) {
        position = 1;
    }
    if (position < 1) {
        position = 1;
    }
    m_AdvPolyList->Tag = position;
    m_AdvPolyList->SelectRequest(position);
}

bool TFormMain::IsShown(const TModelNetworkDevice& device) const {
    return device.m_HardwareInterface || m_PopupMenuItem_ShowVirtual->isChecked();
}

void TFormMain::NotifyLinkChanges(const std::vector<TRecordedLinkEvent>& events,
                                  std::uint64_t nowMs) {
    for (const TRecordedLinkEvent& e : events) {
        // Where the user is looking at the adapter, the report already says it.
        const bool shown = isActiveWindow() && !isMinimized() && e.IfIndex == m_SelectedIfIndex;
        if (m_LinkNotices.Admit(e, shown, nowMs)) {
            m_TrayMinimizer->ShowNotice(
                QString::fromStdU16String(e.Caption),
                QString::fromStdU16String(GetStatusText(e.Event.NewStatus, e.Event.Type)));
        }
    }
}

void TFormMain::SetNotifyOnLinkChanges(bool notify) {
    if (notify == m_LinkNotices.Enabled()) {
        return;
    }
    m_LinkNotices.SetEnabled(notify);
    m_PopupMenuItem_NotifyLinkChanges->setChecked(notify);
    m_Choices->Set(kNotifyOnLinkChanges, notify);
}

TReportEvents TFormMain::ReportEventsOf(const TModelNetworkDevice* device) const {
    return {device != nullptr ? m_LinkEvents.Find(*device) : nullptr,
            std::chrono::system_clock::now()};
}

TModelNetworkDevice* TFormMain::FindDeviceByIfIndex(std::uint32_t index) const {
    for (const auto& device : *m_Devices) {
        if (device->GetIfIndex() == index && IsShown(*device)) {
            return device.get();
        }
    }
    return nullptr;
}

void TFormMain::m_AdvPolyListItemSelect(QObject*, TPolyListItem* item, bool&) {
    for (int i = 0; i < m_AdvPolyList->Count(); ++i) {
        if (m_AdvPolyList->Item(i) == item) {
            m_AdvPolyList->Tag = i;
        }
    }
    m_SelectedIfIndex = item->Tag;
    m_ReportPending = true;
}

void TFormMain::m_AdvOfficeCheckBox_ExpertModeClick(QObject*) {
    m_Choices->Set(kExpertMode, m_AdvOfficeCheckBox_ExpertMode->isChecked());
    m_ReportPending = true;
}

void TFormMain::m_PopupMenuItem_ShowVirtualClick(QObject*) {
    m_Choices->Set(kShowVirtualAdapters, m_PopupMenuItem_ShowVirtual->isChecked());
    // The list changes now, not at the next poll; a hidden selection's report goes with it
    // (the lookup finds shown devices only), so an emptied list shows the no-device report.
    SyncDeviceItems();
    if (m_AdvPolyList->Count() <= 1) {
        m_AeroButton_CopyReport->setEnabled(false);
    }
    m_ReportPending = true;
}

void TFormMain::m_AdvFormStylerChange(QObject*) {
    m_ReportPending = true;
}

void TFormMain::m_PopupMenuItem_ExitClick(QObject*) {
    close();
}

void TFormMain::m_PopupMenuItem_AboutClick(QObject*) {
    m_LanguageMenu->ShowAbout();
}

void TFormMain::ShowReport(const TModelNetworkDevice* device) {
    const TTrafficTrack* track = device != nullptr ? m_TrafficHistory.Find(*device) : nullptr;
    const TReportEvents events = ReportEventsOf(device);
    if (!m_ReportPane->ShowReport(device, m_AdvOfficeCheckBox_ExpertMode->isChecked(), track,
                                  &events)) {
        return;
    }
    m_TrayMinimizer->SetPictureIndex(GetStatusImageIndex(device));
    m_TrayMinimizer->ShowTraffic(device, track, windowTitle());
    m_AeroButton_CopyReport->setEnabled(device != nullptr);
}

void TFormMain::m_AeroButton_CopyReportClick(QObject*) {
    m_AeroButton_CopyReport->setEnabled(false);
    // With no adapter item selected there is nothing to look up: the no-device report is copied.
    const TPolyListItem* selected = m_AdvPolyList->SelectedItem();
    if (!CopyReport(selected != nullptr ? FindDeviceByIfIndex(selected->Tag) : nullptr)) {
        // Copy stays off until the next report build, so a refusal is not met with a retry.
        ShowException(m_Clipboard->ErrorText());
        return;
    }
    m_AeroButton_CopyReport->setEnabled(true);
}

bool TFormMain::CopyReport(const TModelNetworkDevice* device) {
    const TReportEvents events = ReportEventsOf(device);
    return m_ReportPane->CopyReport(device, m_AdvOfficeCheckBox_ExpertMode->isChecked(),
                                    device != nullptr ? m_TrafficHistory.Find(*device) : nullptr,
                                    *m_Clipboard, &events);
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
    m_ReportPending = true;
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (m_AeroButton_CopyReport->isEnabled()) {
            m_AeroButton_CopyReportClick(m_AeroButton_CopyReport);
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
