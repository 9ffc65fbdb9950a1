// The window by keyboard and by screen reader: the list's focus and keys, the window's keys, the
// tab order, the wheel with the focus in the list, what Qt's accessibility layer sees, the
// report's margin, the clipboard that refuses, and the bounded wait of -u. Offscreen.

#include "tests/ui/form_main_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <cstring>
#include <fstream>

using namespace formtest;

namespace {

// A clipboard that keeps what it is given, or refuses everything.
class FakeClipboard : public qmr::TClipboardSink {
public:
    FakeClipboard(QStringList& texts, bool refuse) : m_Texts(texts), m_Refuse(refuse) {}
    bool SetText(const QString& text) override {
        if (!m_Refuse) {
            m_Texts << text;
        }
        return !m_Refuse;
    }
    QString ErrorText() const override { return QStringLiteral("clipboard busy"); }

private:
    QStringList& m_Texts;
    bool m_Refuse;
};

QList<QPair<QAccessible::Event, int>> g_Announced;
void RecordAnnouncement(QAccessibleEvent* event) {
    if (event->object() != nullptr && event->object()->inherits("qmr::TAdvPolyList")) {
        g_Announced << qMakePair(event->type(), event->child());
    }
}

void Wheel(QWidget* target, QPoint local, QPoint angle) {
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

} // namespace

class FormMainKeyboardTest : public QObject, FormMainFixture {
    Q_OBJECT

    QStringList copied;

    void OpenShown(std::initializer_list<QmrTestAdapter> adapters) {
        Serve(adapters);
        Open();
        copied.clear();
        Access::SetClipboard(*form, std::make_unique<FakeClipboard>(copied, false));
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        Idle();
    }

private slots:
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    void keysMoveTheSelectionAsAClickDoesNeverOntoTheHeading() {
        OpenShown({A, B, C});
        qmr::TAdvPolyList& list = Access::List(*form);
        Access::CopyButton(*form).setFocus();
        QTest::mouseClick(&list, Qt::LeftButton, {}, list.ItemRect(2).center());
        QVERIFY(list.hasFocus()); // a click focuses the list
        QCOMPARE(Selected(*form), QString("bravo"));

        QSignalSpy selects(&list, &qmr::TAdvPolyList::ItemSelect);
        const struct {
            Qt::Key key;
            const char* selected;
            bool moves;
        } steps[] = {
            {Qt::Key_Down, "charlie", true}, {Qt::Key_Down, "charlie", false},
            {Qt::Key_Up, "bravo", true},     {Qt::Key_Home, "alpha", true},
            {Qt::Key_Up, "alpha", false},    {Qt::Key_End, "charlie", true},
            {Qt::Key_PageUp, "alpha", true}, {Qt::Key_PageDown, "charlie", true},
            {Qt::Key_PageUp, "alpha", true},
        };
        for (const auto& step : steps) {
            Idle();
            const int before = selects.count();
            QTest::keyClick(&list, step.key);
            QCOMPARE(Selected(*form), QString(step.selected));
            QCOMPARE(selects.count(), before + (step.moves ? 1 : 0));
            QCOMPARE(Access::Presenter(*form).ReportPending(), step.moves);
            Idle();
            QVERIFY2(ReportName(*form).contains(step.selected), qPrintable(ReportName(*form)));
        }
        // The window keeps the position as a click leaves it, so the next poll stays put.
        Poll();
        QCOMPARE(Selected(*form), QString("alpha"));
    }

    void tabRunsFromTheListThroughTheExpertBoxAndReportToCopy() {
        OpenShown({A});
        QVERIFY(Access::CopyButton(*form).isEnabled());
        Access::List(*form).setFocus(Qt::TabFocusReason);
        const QWidget* expected[] = {&Access::ExpertBox(*form), &Access::ReportScrollBox(*form),
                                     &Access::CopyButton(*form), &Access::List(*form)};
        for (const QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void ctrlCCopiesF5PollsAndEscMinimisesWhereverTheFocusIs() {
        OpenShown({A, B});
        QWidget* focusPlaces[] = {&Access::List(*form), &Access::ExpertBox(*form),
                                  &Access::ReportScrollBox(*form)};
        for (QWidget* place : focusPlaces) {
            place->setFocus();
            const int before = copied.size();
            QTest::keyClick(place, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(copied.size(), before + 1);
            QVERIFY(copied.last().startsWith("Network Interface:   alpha\r\n"));
        }

        Serve({A, B, C});
        QTest::keyClick(&Access::List(*form), Qt::Key_F5);
        QCOMPARE(Captions(*form), (QStringList{"alpha", "bravo", "charlie"}));

        QTest::keyClick(&Access::List(*form), Qt::Key_Escape);
        QTRY_VERIFY(form->isMinimized() || !form->isVisible());
    }

    void aRefusingClipboardIsShownAndCopyStaysOffUntilTheNextBuild() {
        OpenShown({A});
        Access::SetClipboard(*form, std::make_unique<FakeClipboard>(copied, true));
        QGuiApplication::clipboard()->setText("before");
        Access::ClickCopy(*form);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].endsWith("|clipboard busy"));
        QVERIFY(!Access::CopyButton(*form).isEnabled());
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
        // Ctrl+C honours the disabled button; a poll without a rebuild changes nothing.
        QTest::keyClick(&Access::List(*form), Qt::Key_C, Qt::ControlModifier);
        Poll();
        QCOMPARE(shown.size(), 1);
        QVERIFY(!Access::CopyButton(*form).isEnabled());
        Access::Presenter(*form).InvalidateReport();
        Idle();
        QVERIFY(Access::CopyButton(*form).isEnabled());
    }

    void wheelWithTheFocusInTheListScrollsWhatIsUnderThePointer() {
        std::vector<QmrTestAdapter> many;
        for (int i = 0; i < 40; ++i) {
            many.push_back(MakeTestAdapter(qPrintable(QString("n%1").arg(i)), 10 + i, "10.0.1.1"));
        }
        std::memset(many[0].Description, 'W', sizeof many[0].Description - 1);
        many[0].DnsCount = 3;
        Control<decltype(&QmrTestProvider_SetAdapters)>("QmrTestProvider_SetAdapters")(
            many.data(), static_cast<int>(many.size()));
        Open();
        form->show();
        Access::ExpertBox(*form).click();
        form->resize(form->minimumSize());
        QCoreApplication::processEvents();
        Idle();
        QCoreApplication::processEvents();
        qmr::TAdvPolyList& list = Access::List(*form);
        list.setFocus();
        QScrollBar* v = Access::ReportScrollBox(*form).verticalScrollBar();
        QScrollBar* h = Access::ReportScrollBox(*form).horizontalScrollBar();
        QVERIFY(v->maximum() > 0 && h->maximum() > 0);

        const int top = list.ItemRect(1).top();
        Wheel(&list, QPoint(20, 20), QPoint(0, -120));
        QVERIFY(list.ItemRect(1).top() < top);
        QCOMPARE(v->value(), 0);

        QWidget* report = Access::ReportScrollBox(*form).viewport();
        const int listTop = list.ItemRect(1).top();
        Wheel(report, QPoint(20, 20), QPoint(0, -120));
        QVERIFY(v->value() > 0);
        QCOMPARE(list.ItemRect(1).top(), listTop);
        // A tilt of the wheel goes sideways, not down.
        const int down = v->value();
        Wheel(report, QPoint(20, 20), QPoint(-120, 0));
        QVERIFY(h->value() > 0);
        QCOMPARE(v->value(), down);
    }

    void assistiveTechnologySeesItemsTextsAndSelectionChanges() {
        QTemporaryDir dir;
        {
            std::ofstream out(dir.filePath("language.ini").toStdString());
            out << "[ru_RU]\nName=Русский\n1006=Копировать\n1009=Эксперт\n[en_EN]\nName=English\n";
        }
        LANGUAGE::LangStrings->LoadFromFile(dir.filePath("language.ini").toStdU16String());
        OpenShown({A, B});
        qmr::TAdvPolyList& list = Access::List(*form);
        QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(&list);
        QVERIFY(tree != nullptr);
        QCOMPARE(tree->role(), QAccessible::List);
        QCOMPARE(tree->parent()->object(), form.get());
        QCOMPARE(tree->childCount(), 4); // heading, two adapters, the expert-mode box
        QCOMPARE(tree->child(0)->role(), QAccessible::Heading);
        QCOMPARE(tree->child(0)->text(QAccessible::Name), list.Item(0)->Caption);
        QCOMPARE(tree->child(2)->role(), QAccessible::ListItem);
        QCOMPARE(tree->child(2)->text(QAccessible::Name), QString("bravo"));
        QCOMPARE(tree->child(2)->text(QAccessible::Description), QString("Online"));
        QCOMPARE(tree->indexOfChild(tree->child(2)), 2);
        QVERIFY(tree->child(1)->state().selected && !tree->child(2)->state().selected);
        QCOMPARE(tree->child(3)->object(), &Access::ExpertBox(*form));

        const QString report = QAccessible::queryAccessibleInterface(&Access::ReportView(*form))
                                   ->text(QAccessible::Value);
        QVERIFY(report.contains("alpha"));
        QVERIFY(report.contains("10.0.0.2"));
        QVERIFY(!report.contains('<'));

        const auto name = [](QWidget& w) {
            return QAccessible::queryAccessibleInterface(&w)->text(QAccessible::Name);
        };
        QCOMPARE(name(Access::CopyButton(*form)), QString("Copy..."));
        LANGUAGE::LangStrings->SelectLanguage(LANGUAGE::LangStrings->IndexOfLanguage(u"ru_RU"));
        QCOMPARE(name(Access::CopyButton(*form)), QString("Копировать"));
        QCOMPARE(name(Access::ExpertBox(*form)), QString("Эксперт"));

        g_Announced.clear();
        // Switched on as a reader's arrival would; the handler stands in for the platform's
        // bridge. Qt offers no public switch for this, hence its private header.
        QPlatformAccessibility* platform =
            QGuiApplicationPrivate::platformIntegration()->accessibility();
        QVERIFY(platform != nullptr);
        platform->setActive(true);
        QAccessible::installUpdateHandler(RecordAnnouncement);
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_Down);
        Poll(); // the poll's reselection of the same item is not news
        QAccessible::installUpdateHandler(nullptr);
        platform->setActive(false);
        QVERIFY(g_Announced.contains(qMakePair(QAccessible::Selection, 2)));
        QVERIFY(g_Announced.contains(qMakePair(QAccessible::Focus, 2)));
        QCOMPARE(g_Announced.count(qMakePair(QAccessible::Selection, 2)), 1);
        QVERIFY(tree->child(2)->state().selected && tree->child(2)->state().focused);
    }

    void reportViewKeepsItsMarginAndTheShownSize() {
        // Built before the window is shown, the no-device report takes the shown size.
        Serve({});
        Open();
        form->show();
        QCoreApplication::processEvents();
        Idle();
        const QScrollArea& box = Access::ReportScrollBox(*form);
        const qmr::THTMLStaticText& view = Access::ReportView(*form);
        QVERIFY(ReportName(*form).contains("No Network Interfaces"));
        QCOMPARE(view.width(), box.viewport()->width() - 24);
        QCOMPARE(view.mapTo(&box, QPoint(0, 0)), QPoint(12, 12));

        Serve({A});
        Poll();
        Idle();
        form->resize(form->size() + QSize(120, 60));
        QCoreApplication::processEvents();
        QCOMPARE(view.mapTo(&box, QPoint(0, 0)), QPoint(12, 12));
        Access::Presenter(*form).InvalidateReport();
        Idle();
        QCoreApplication::processEvents();
        QCOMPARE(view.mapTo(&box, QPoint(0, 0)), QPoint(12, 12));
        QCOMPARE(view.width(), box.viewport()->width() - 24);
    }

    void aMinimiseRequestGivesUpWaitingForTheMapAndGoesToTheTaskbar() {
        OpenShown({A});
        Access::SetMapWait(
            *form, [] { return true; }, 200);
        QCoreApplication::postEvent(form.get(), new QEvent(qmr::WM_APP_MINIMIZE));
        QCoreApplication::sendPostedEvents(form.get(), qmr::WM_APP_MINIMIZE);
        QVERIFY(!form->isMinimized()); // still waiting
        QTRY_VERIFY_WITH_TIMEOUT(form->isMinimized(), 3000);
        QVERIFY(form->isVisible());
        QVERIFY(!Access::TrayIcon(*form).isVisible());
    }
};

QTEST_MAIN(FormMainKeyboardTest)
#include "form_main_keyboard_test.moc"
