// The display report in the markup view, and its plain-text copy on the clipboard.

#include "form_main.h"

#include "report/device_status.h"
#include "report/report_lines.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>

#include <new>

namespace qmr {

void TFormMain::ShowReport(const TModelNetworkDevice* device) {
    std::unique_ptr<TLineList> list(new (std::nothrow) TLineList);
    if (!list) {
        return;
    }
    ++m_ReportBuilds;
    if (m_AdvOfficeCheckBox_ExpertMode->isChecked()) {
        BuildExpertReportMarkup(list.get(), device);
    } else {
        BuildReportMarkup(list.get(), device);
    }
    const int trayImage = GetStatusImageIndex(device);
    if (trayImage != m_TrayIconImageIndex) {
        m_TrayIconImageIndex = trayImage;
        m_TrayIcon->setIcon(m_ImageList.Icon(m_TrayIconImageIndex));
    }
    m_AeroButton_CopyReport->setEnabled(device != nullptr);

    THTMLStaticText* view = m_HTMLStaticText_Report;
    view->BeginUpdate();
    const int n = static_cast<int>(list->size());
    const QSize client = m_ScrollBox_Report->viewport()->size();
    int width = client.width() - 24;
    int height = 24;
    for (int i = 0; i < n; ++i) {
        QString line = QString::fromStdU16String((*list)[static_cast<std::size_t>(i)]);
        const QSize size = MeasureMarkupLine(line);
        height += size.height();
        width = std::max(width, size.width());
        line += QStringLiteral("<br>");
        if (i < view->LineCount()) {
            if (view->Line(i) != line) {
                view->ReplaceLine(i, line);
            }
        } else {
            view->AppendLine(line);
        }
    }
    for (int i = view->LineCount() - 1; i >= n; --i) {
        view->DeleteLine(i);
    }
    view->resize(width, std::max(height, client.height() - 24));
    view->EndUpdate();
}

QSize TFormMain::MeasureMarkupLine(const QString& line) const {
    return m_HTMLStaticText_Report->MeasureMarkup(line);
}

void TFormMain::m_AeroButton_CopyReportClick(QObject*) {
    m_AeroButton_CopyReport->setEnabled(false);
    // With no adapter item selected there is nothing to look up: the no-device report is copied.
    const TPolyListItem* selected = m_AdvPolyList->SelectedItem();
    CopyReport(selected != nullptr ? FindDeviceByIfIndex(selected->Tag) : nullptr);
    m_AeroButton_CopyReport->setEnabled(true);
}

void TFormMain::CopyReport(const TModelNetworkDevice* device) {
    std::unique_ptr<TLineList> list(new (std::nothrow) TLineList);
    if (!list) {
        return;
    }
    if (m_AdvOfficeCheckBox_ExpertMode->isChecked()) {
        BuildExpertReportText(list.get(), device);
    } else {
        BuildReportText(list.get(), device);
    }
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(JoinClipboardText(*list)));
}

} // namespace qmr
