// The window's remembered choices: put in place at construction, written as they change.

#include "form_main.h"

#include "lang/lang_strings.h"

#include <QGuiApplication>
#include <QScreen>

namespace qmr {

namespace {
// Long enough that a drag or a resize writes once, when it ends.
constexpr int kGeometrySaveDelayMs = 500;

// A window whose middle no screen shows (a monitor since unplugged) would open out of reach.
bool OnSomeScreen(const QRect& geometry) {
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        if (screen->geometry().contains(geometry.center())) {
            return true;
        }
    }
    return false;
}
} // namespace

void TFormMain::ApplyRememberedChoices() {
    m_AdvOfficeCheckBox_ExpertMode->setChecked(m_Choices->Get(kExpertMode));
    m_PopupMenuItem_ShowVirtual->setChecked(m_Choices->Get(kShowVirtualAdapters));

    const QRect geometry = m_Choices->Geometry();
    if (!geometry.isNull() && OnSomeScreen(geometry)) {
        setGeometry(geometry);
    }

    // Start-up has chosen by the user-interface language; a choice from the menu wins over it,
    // as long as the language file still offers that language.
    const QString code = m_Choices->Language();
    if (!code.isEmpty() && LANGUAGE::LangStrings) {
        const int index = LANGUAGE::LangStrings->IndexOfLanguage(code.toStdU16String());
        if (index >= 0) {
            LANGUAGE::LangStrings->SelectLanguage(index);
        }
    }
    m_LanguageMenu->SetOnLanguageChosen([this](const std::u16string& chosen) {
        m_Choices->SetLanguage(QString::fromStdU16String(chosen));
    });
}

void TFormMain::GeometryChanged() {
    // Only what the user sees and arranges: not the size set before showing, not a minimised or
    // maximised window.
    if (isVisible() && windowState() == Qt::WindowNoState) {
        m_Timer_SaveGeometry->start();
    }
}

void TFormMain::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    GeometryChanged();
}

void TFormMain::CreateChoiceControls() {
    m_PopupMenuItem_ShowVirtual = new QAction(m_AdvPopupMenu);
    m_PopupMenuItem_ShowVirtual->setCheckable(true);
    m_PopupMenuItem_ShowVirtual->setChecked(kShowVirtualAdapters.Default);
    m_AdvPopupMenu->insertAction(m_PopupMenuItem_About, m_PopupMenuItem_ShowVirtual);
    connect(m_PopupMenuItem_ShowVirtual, &QAction::triggered, this,
            [this] { m_PopupMenuItem_ShowVirtualClick(m_PopupMenuItem_ShowVirtual); });

    m_Timer_SaveGeometry = new QTimer(this);
    m_Timer_SaveGeometry->setSingleShot(true);
    m_Timer_SaveGeometry->setInterval(kGeometrySaveDelayMs);
    connect(m_Timer_SaveGeometry, &QTimer::timeout, this,
            [this] { m_Choices->SetGeometry(geometry()); });
}

} // namespace qmr
