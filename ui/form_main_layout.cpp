// The window's controls, their geometry at 120 pixels per inch scaled to the screen, their
// anchoring, and the routing of the wheel to the report.

#include "form_main.h"

#include "ui/screen_scale.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

namespace qmr {

namespace {
constexpr int kClientWidth = 935;
constexpr int kClientHeight = 591;
// The report area in design units. Its left edge, width and bottom edge scale with the screen;
// its top does not: the area starts 8 pixels below the window's top at every resolution.
constexpr QRect kReportAreaDesign(323, 0, 602, 513);
constexpr int kReportAreaTopPixels = 8;
} // namespace

int TFormMain::Scaled(int designLength) const {
    return ScaledLength(*this, designLength);
}

void TFormMain::CreateControls(std::function<std::u16string()> aboutText) {
    QFont windowFont(QStringLiteral("Tahoma"));
    windowFont.setPixelSize(Scaled(14));
    setFont(windowFont);
    setWindowIcon(ApplicationIcon());
    resize(Scaled(kClientWidth), Scaled(kClientHeight));
    setMinimumSize(Scaled(392), Scaled(262));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    QPalette face = palette();
    face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    m_Timer_Poll = new QTimer(this);
    connect(m_Timer_Poll, &QTimer::timeout, this, [this] { PollShowingErrors(); });

    m_AdvPolyList = new TAdvPolyList(this);
    m_AdvPolyList->SetImages(&m_ImageList);
    m_AdvPolyList->setGeometry(0, 0, Scaled(315), height());
    auto heading = std::make_unique<TImageSectionItem>();
    heading->Picture = HeadingPicture();
    heading->Spacing = 8;
    m_ImageSectionItem = static_cast<TImageSectionItem*>(m_AdvPolyList->Append(std::move(heading)));
    connect(m_AdvPolyList, &TAdvPolyList::ItemSelect, this, [this](TPolyListItem* item) {
        bool allow = true;
        m_AdvPolyListItemSelect(m_AdvPolyList, item, allow);
    });

    m_AeroButton_CopyReport = new QPushButton(this);
    m_AeroButton_CopyReport->setObjectName(QStringLiteral("m_AeroButton_CopyReport"));
    m_AeroButton_CopyReport->setGeometry(Scaled(756), Scaled(548), Scaled(169), Scaled(33));
    m_AeroButton_CopyReport->setEnabled(false);
    connect(m_AeroButton_CopyReport, &QPushButton::clicked, this,
            [this] { m_AeroButton_CopyReportClick(m_AeroButton_CopyReport); });

    m_AdvFormStyler = new TAdvFormStyler(this);
    connect(m_AdvFormStyler, &TAdvFormStyler::Change, this,
            [this](QObject* s) { m_AdvFormStylerChange(s); });

    m_HTMLabel_Copyright = new QLabel(this);
    m_HTMLabel_Copyright->setText(QStringLiteral("Quillmere \u00A9 2026 Quillmere developers"));
    m_HTMLabel_Copyright->setStyleSheet(QStringLiteral("color: #808080; background: transparent;"));
    m_HTMLabel_Copyright->setGeometry(Scaled(323), Scaled(557), Scaled(393), Scaled(24));
    m_HTMLabel_Copyright->adjustSize();

    m_TrayMinimizer = new TTrayMinimizer(this, &m_ImageList);
    m_TrayIcon = m_TrayMinimizer->TrayIcon();
    connect(m_TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger) {
                    m_TrayIconClick(m_TrayIcon);
                }
            });

    m_ReportPane = new TReportPane(this);
    m_ScrollBox_Report = m_ReportPane->ScrollBox();
    m_HTMLStaticText_Report = m_ReportPane->View();

    m_AdvOfficeCheckBox_ExpertMode = new QCheckBox(m_AdvPolyList);
    m_AdvOfficeCheckBox_ExpertMode->setObjectName(QStringLiteral("m_AdvOfficeCheckBox_ExpertMode"));
    QFont boxFont(QStringLiteral("Tahoma"));
    boxFont.setPixelSize(Scaled(15));
    m_AdvOfficeCheckBox_ExpertMode->setFont(boxFont);
    m_AdvOfficeCheckBox_ExpertMode->setGeometry(Scaled(21), Scaled(548), Scaled(273), Scaled(26));
    m_AdvOfficeCheckBox_ExpertMode->setChecked(false);
    connect(m_AdvOfficeCheckBox_ExpertMode, &QCheckBox::clicked, this,
            [this] { m_AdvOfficeCheckBox_ExpertModeClick(m_AdvOfficeCheckBox_ExpertMode); });

    m_AdvPopupMenu = new QMenu(this);
    m_LanguageMenu = new TLanguageMenu(
        this, m_AdvPopupMenu, *m_Presenter, std::move(aboutText),
        [this](const QString& text, const QString& caption) { ShowMessage(text, caption); });
    m_PopupMenuItem_SelectLanguage = m_LanguageMenu->SelectLanguageItem();
    m_PopupMenuItem_About = m_LanguageMenu->AboutItem();
    connect(m_PopupMenuItem_About, &QAction::triggered, this,
            [this] { m_PopupMenuItem_AboutClick(m_PopupMenuItem_About); });
    m_PopupMenuItem_NotifyLinkChanges = m_AdvPopupMenu->addAction(QString());
    m_PopupMenuItem_NotifyLinkChanges->setCheckable(true);
    m_PopupMenuItem_NotifyLinkChanges->setChecked(m_Presenter->NotifyOnLinkChanges());
    connect(m_PopupMenuItem_NotifyLinkChanges, &QAction::toggled, this,
            [this](bool checked) { SetNotifyOnLinkChanges(checked); });
    m_PopupMenuItem_Exit = m_AdvPopupMenu->addAction(QString());
    connect(m_PopupMenuItem_Exit, &QAction::triggered, this,
            [this] { m_PopupMenuItem_ExitClick(m_PopupMenuItem_Exit); });
    CreateChoiceControls();
    m_AdvMenuOfficeStyler.Apply(m_AdvPopupMenu);

    // Anchors, relative to each control's parent as it is now.
    m_AnchorClient = size();
    const QSize listSize = m_AdvPolyList->size();
    m_Anchors = {
        {m_AdvPolyList, true, true, false, true, m_AdvPolyList->geometry()},
        {m_AeroButton_CopyReport, false, false, true, true, m_AeroButton_CopyReport->geometry()},
        {m_HTMLabel_Copyright, true, false, false, true, m_HTMLabel_Copyright->geometry()},
    };
    m_CheckBoxDesign = m_AdvOfficeCheckBox_ExpertMode->geometry();
    m_ListDesignSize = listSize;

    // Tab goes as the eye reads: the list, the box under it, the report, then Copy.
    m_ScrollBox_Report->horizontalScrollBar()->setFocusPolicy(Qt::NoFocus);
    m_ScrollBox_Report->verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
    setTabOrder(m_AdvPolyList, m_AdvOfficeCheckBox_ExpertMode);
    setTabOrder(m_AdvOfficeCheckBox_ExpertMode, m_ScrollBox_Report);
    setTabOrder(m_ScrollBox_Report, m_AeroButton_CopyReport);

    qApp->installEventFilter(this);
}

void TFormMain::LayoutReportArea() {
    const int top = kReportAreaTopPixels;
    m_ReportPane->Place(QRect(Scaled(kReportAreaDesign.left()), top,
                              Scaled(kReportAreaDesign.width()),
                              Scaled(kReportAreaDesign.height()) - top));
    m_Anchors.push_back(
        {m_ScrollBox_Report, true, true, true, true, m_ScrollBox_Report->geometry()});
    // Qt paints every widget double-buffered already; nothing to switch on.
}

void TFormMain::ApplyAnchors() {
    const int dx = width() - m_AnchorClient.width();
    const int dy = height() - m_AnchorClient.height();
    for (const Anchored& a : m_Anchors) {
        QRect r = a.Design;
        if (a.Right) {
            a.Left ? r.setWidth(r.width() + dx) : r.moveLeft(r.left() + dx);
        }
        if (a.Bottom) {
            a.Top ? r.setHeight(r.height() + dy) : r.moveTop(r.top() + dy);
        }
        a.Widget->setGeometry(r);
    }
    // The check box sits inside the list, anchored to its left and bottom edges.
    QRect box = m_CheckBoxDesign;
    box.moveTop(box.top() + m_AdvPolyList->height() - m_ListDesignSize.height());
    m_AdvOfficeCheckBox_ExpertMode->setGeometry(box);
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_Anchors.empty()) {
        ApplyAnchors();
    }
    GeometryChanged();
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
    m_AdvPopupMenu->exec(event->globalPos());
}

void TFormMain::m_ScrollBox_ReportMouseWheel(QObject*, Qt::KeyboardModifiers shift, int wheelDelta,
                                             QPoint, bool& handled) {
    m_ReportPane->ScrollByWheel(shift, wheelDelta);
    handled = true;
}

void TFormMain::FormMouseWheel(QObject* sender, Qt::KeyboardModifiers shift, int wheelDelta,
                               QPoint mousePos, bool& handled) {
    // The pointer's position on the screen, as the wheel event carries it.
    if (m_ReportPane->IsUnder(mousePos)) {
        m_ScrollBox_ReportMouseWheel(sender, shift, wheelDelta, mousePos, handled);
    }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel) {
        return QWidget::eventFilter(watched, event);
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false;
    }
    auto* wheel = static_cast<QWheelEvent*>(event);
    // Qt's wheel delta of one notch is 120 like Windows'; Shift is the sideways bar, and so is
    // a tilt of the wheel, which comes as a sideways delta alone.
    const bool tilt = wheel->angleDelta().y() == 0 && wheel->angleDelta().x() != 0;
    const int delta = tilt ? wheel->angleDelta().x() : wheel->angleDelta().y();
    const Qt::KeyboardModifiers shift =
        tilt ? wheel->modifiers() | Qt::ShiftModifier : wheel->modifiers();
    const QPoint where = wheel->globalPosition().toPoint();
    bool handled = false;
    // The wheel goes to the focused control first, as on Windows: the report area when it
    // has the focus, otherwise the window, which passes it on when the pointer is over the report.
    if (m_ReportPane->HoldsFocus(QApplication::focusWidget())) {
        m_ScrollBox_ReportMouseWheel(m_ScrollBox_Report, shift, delta, where, handled);
    } else {
        FormMouseWheel(this, shift, delta, where, handled);
    }
    return handled;
}

} // namespace qmr
