// The main window on the offscreen platform, fed by the scripted provider library.

#include "lang/lang_strings.h"
#include "network/iphlpapi_binding.h"
#include "shell/about_text.h"
#include "tests/support/binding_fixture.h"
#include "tests/support/scripted_provider.h"
#include "ui/form_main.h"
#include "ui/form_main_test_access.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <fstream>
#include <memory>

using namespace qmr;
using Access = TFormMainTestAccess;

namespace {

template <typename Fn> Fn Control(const char* name) {
    return test::ScriptedProviderFunction<Fn>(name);
}

void Serve(std::initializer_list<QmrTestAdapter> adapters) {
    const std::vector<QmrTestAdapter> list(adapters);
    Control<decltype(&QmrTestProvider_SetAdapters)>("QmrTestProvider_SetAdapters")(
        list.data(), static_cast<int>(list.size()));
}

void PushAnswer(ULONG status, ULONG size) {
    Control<decltype(&QmrTestProvider_PushAdaptersInfoAnswer)>(
        "QmrTestProvider_PushAdaptersInfoAnswer")(status, size);
}

// The captions of the adapter items, heading excluded.
QStringList Captions(const TFormMain& form) {
    QStringList out;
    for (int i = 1; i < Access::List(form).Count(); ++i) {
        out << Access::List(form).Item(i)->Caption;
    }
    return out;
}

QString Selected(const TFormMain& form) {
    const TPolyListItem* item = Access::List(form).SelectedItem();
    return item != nullptr ? item->Caption : QString();
}

// The report's first line holds the device name.
QString ReportName(const TFormMain& form) {
    return Access::ReportView(form).LineCount() > 0 ? Access::ReportView(form).Line(0) : QString();
}

const QmrTestAdapter A = MakeTestAdapter("alpha", 2, "10.0.0.2");
const QmrTestAdapter B = MakeTestAdapter("bravo", 3, "10.0.0.3");
const QmrTestAdapter C = MakeTestAdapter("charlie", 4, "10.0.0.4");

} // namespace

class FormMainTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TFormMain> form;
    QStringList shown; // message boxes the window asked for: "caption|text"

    void Open(std::vector<std::u16string> args = {}) {
        form = std::make_unique<TFormMain>(nullptr, std::move(args), BuildAboutText);
        Access::CatchMessages(*form, [this](const QString& text, const QString& caption) {
            shown << caption + "|" + text;
        });
    }
    void Poll() { Access::Poll(*form); }
    void Idle() { Access::Idle(*form); }
    // A real event loop, which waits (and so reaches its idle moments) between events.
    static void RunLoopFor(int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

private slots:
    void init() {
        test::RebindIpHelper(test::TestBinaryFolder() + "libqmr-test-provider.so");
        QVERIFY(IpHelperLoaded());
        Control<decltype(&QmrTestProvider_Reset)>("QmrTestProvider_Reset")();
        LANGUAGE::LangStrings.reset(new LANGUAGE::TLangStrings);
        shown.clear();
    }
    void cleanup() {
        form.reset();
        test::UnbindIpHelper();
    }

    void firstAdapterIsSelectedAndReportedAtTheFirstIdleMoment() {
        Serve({A, B, C});
        Open();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "bravo", "charlie"}));
        QCOMPARE(Selected(*form), QString("alpha"));
        QVERIFY(Access::ReportPending(*form));
        QVERIFY(ReportName(*form).contains("No Network Interfaces"));
        Idle();
        QVERIFY(ReportName(*form).contains("alpha"));
        QVERIFY(Access::CopyButton(*form).isEnabled());
        QVERIFY(Access::PollTimer(*form).isActive());
        QCOMPARE(Access::PollTimer(*form).interval(), 1000);

        // The heading cannot be selected: a request for it leaves nothing selected.
        Access::SetReportPending(*form, false);
        Access::List(*form).SelectRequest(0);
        QCOMPARE(Selected(*form), QString());
        QVERIFY(!Access::ReportPending(*form));
    }

    void selectionFollowsThePositionWhenAnEarlierAdapterVanishes() {
        Serve({A, B, C});
        Open();
        Access::List(*form).SelectRequest(2); // B
        Serve({B, C});
        Poll();
        Idle();
        QCOMPARE(Captions(*form), (QStringList{"bravo", "charlie"}));
        QCOMPARE(Selected(*form), QString("charlie"));
        QCOMPARE(Access::SelectedIfIndex(*form), 4u);
        QVERIFY(ReportName(*form).contains("charlie"));
    }

    void lastSelectedStaysWhenTheListClampsItsPosition() {
        Serve({A, B, C});
        Open();
        Access::List(*form).SelectRequest(3); // C
        Serve({B, C});
        Poll();
        QCOMPARE(Selected(*form), QString("charlie"));
        QCOMPARE(Access::List(*form).Tag, 2);

        // A and B vanish: position 3 is beyond the two items, so position 1 is asked, C again.
        Access::List(*form).SelectRequest(2);
        Serve({C});
        Poll();
        QCOMPARE(Captions(*form), QStringList{"charlie"});
        QCOMPARE(Selected(*form), QString("charlie"));
        QCOMPARE(Access::List(*form).Tag, 1);
    }

    void allVanishingKeepsTheLastReportAndDisablesCopy() {
        Serve({A});
        Open();
        Idle();
        const QString last = ReportName(*form);
        QVERIFY(last.contains("alpha"));
        Serve({});
        Poll();
        Idle();
        QCOMPARE(Access::List(*form).Count(), 1); // the heading alone
        QVERIFY(!Access::CopyButton(*form).isEnabled());
        QCOMPARE(ReportName(*form), last);
        // The expert-mode box asks for a rebuild, which now finds no device.
        Access::ExpertBox(*form).click();
        Idle();
        QVERIFY(ReportName(*form).contains("No Network Interfaces"));
        QCOMPARE(Access::TrayPictureIndex(*form), 0);
    }

    void newAdapterIsAppendedWithoutMovingTheSelection() {
        Serve({A, B});
        Open();
        Access::List(*form).SelectRequest(2);
        Serve({C, A, B});
        Poll();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "bravo", "charlie"}));
        QCOMPARE(Selected(*form), QString("bravo"));
    }

    void itemsKeepCaptionAndPictureFromTheirCreation() {
        QmrTestAdapter a = A;
        Serve({a});
        Open();
        QCOMPARE(Access::List(*form).Item(1)->ImageIndex, 1);
        a.OperStatus = 2;
        std::strcpy(a.Name, "renamed");
        std::strcpy(a.Description, "renamed");
        Serve({a});
        Poll();
        Idle();
        QCOMPARE(Access::List(*form).Item(1)->ImageIndex, 1);
        QCOMPARE(Access::List(*form).Item(1)->Caption, QString("alpha"));
        // The report follows the new status at once.
        QVERIFY(ReportName(*form).contains("renamed"));
        QCOMPARE(Access::TrayPictureIndex(*form), 2);
    }

    void devicesSharingAnIndexShareOneItem() {
        // Rows that cannot be read leave index 0 on every such device.
        QmrTestAdapter a = A, b = B;
        a.RowFails = b.RowFails = 1;
        Serve({a, C, b});
        Open();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "charlie"}));
        QCOMPARE(Access::Device(*form, 0)->m_AdapterName, std::u16string(u"alpha"));
    }

    void loopbackOnlyOverflowTwiceAndNoLibraryLeaveOnlyTheHeading() {
        QmrTestAdapter lo = MakeTestAdapter("lo", 1, "127.0.0.1");
        lo.Type = 24;
        Serve({lo});
        Open();
        QCOMPARE(Access::List(*form).Count(), 1);
        QVERIFY(!Access::ReportPending(*form));

        Serve({A});
        PushAnswer(111, 2000);
        PushAnswer(111, 4000);
        Poll();
        QCOMPARE(Access::List(*form).Count(), 1);
        Poll(); // the next tick tries again and succeeds
        QCOMPARE(Captions(*form), QStringList{"alpha"});

        form.reset();
        test::RebindIpHelper(test::TestBinaryFolder() + "no-such-provider.so");
        Open();
        QCOMPARE(Access::List(*form).Count(), 1);
        QVERIFY(!Access::CopyButton(*form).isEnabled());
    }

    void idleRebuildsOnceHoweverManyEventsArrived() {
        Serve({A, B});
        Open();
        const int before = Access::ReportBuilds(*form);
        Access::List(*form).SelectRequest(2);
        Access::ExpertBox(*form).click();
        Access::StylerChange(*form);
        Access::List(*form).SelectRequest(1);
        Idle();
        Idle();
        QCOMPARE(Access::ReportBuilds(*form), before + 1);
        // Through the real event loop: the dispatcher's idle signal drives the rebuild.
        Access::List(*form).SelectRequest(2);
        Access::List(*form).SelectRequest(1);
        RunLoopFor(100);
        QCOMPARE(Access::ReportBuilds(*form), before + 2);
    }

    void unchangedReportWritesNoLineAndOneChangedCounterWritesOne() {
        QmrTestAdapter a = A;
        a.InOctets = 1000;
        Serve({a});
        Open();
        Idle();
        const int writes = Access::ReportView(*form).LineWrites();
        const int listPaints = Access::List(*form).RepaintRequests();
        Poll();
        Idle();
        QCOMPARE(Access::ReportView(*form).LineWrites(), writes);
        // The reselection of an unchanged list repaints nothing either.
        QCOMPARE(Access::List(*form).RepaintRequests(), listPaints);
        a.InOctets = 2000;
        Serve({a});
        Poll();
        Idle();
        QCOMPARE(Access::ReportView(*form).LineWrites(), writes + 1);

        // The expert form appends lines; back to normal deletes the surplus.
        const int normalLines = Access::ReportView(*form).LineCount();
        Access::ExpertBox(*form).click();
        Idle();
        QVERIFY(Access::ReportView(*form).LineCount() > normalLines);
        Access::ExpertBox(*form).click();
        Idle();
        QCOMPARE(Access::ReportView(*form).LineCount(), normalLines);
    }

    void viewIsTheClientAreaLessTwentyFourOrLargerForLongNames() {
        Serve({A});
        Open();
        form->show();
        QCoreApplication::processEvents();
        Idle();
        const QSize client = Access::ReportScrollBox(*form).viewport()->size();
        QCOMPARE(Access::ReportView(*form).width(), client.width() - 24);
        QCOMPARE(Access::ReportView(*form).height(), client.height() - 24);

        QmrTestAdapter wide = A;
        std::memset(wide.Name, 'W', sizeof wide.Name - 1);
        std::memset(wide.Description, 'W', sizeof wide.Description - 1);
        Serve({wide});
        Poll();
        QCOMPARE(Access::List(*form).Item(1)->Caption, QString("alpha")); // item keeps its caption
        Idle();
        const int expected =
            Access::MeasureMarkupLine(*form, Access::ReportView(*form).Line(0).chopped(4)).width();
        QVERIFY(expected > client.width() - 24);
        QCOMPARE(Access::ReportView(*form).width(), expected);
    }

    void wheelScrollsTwentyPixelsANotchClampedAtBothEnds() {
        QmrTestAdapter a = A;
        std::memset(a.Description, 'W', sizeof a.Description - 1);
        a.DnsCount = 3;
        Serve({a});
        Open();
        form->show();
        Access::ExpertBox(*form).setChecked(true);
        Access::SetReportPending(*form, true);
        form->resize(form->minimumSize());
        QCoreApplication::processEvents();
        Idle();
        QCoreApplication::processEvents();
        QScrollBar* v = Access::ReportScrollBox(*form).verticalScrollBar();
        QScrollBar* h = Access::ReportScrollBox(*form).horizontalScrollBar();
        QVERIFY(v->maximum() > 40);
        QVERIFY(h->maximum() > 40);
        const double dpi = form->logicalDpiY();
        const int notch = static_cast<int>(16.0 * 120 / dpi);

        bool handled = false;
        Access::ReportWheel(*form, Qt::NoModifier, 120, handled);
        QVERIFY(handled); // at the top, away from the user: nothing moves, still handled
        QCOMPARE(v->value(), 0);
        Access::ReportWheel(*form, Qt::NoModifier, -120, handled);
        QCOMPARE(v->value(), notch);
        Access::ReportWheel(*form, Qt::ShiftModifier, -120, handled);
        QCOMPARE(h->value(), notch);
        QCOMPARE(v->value(), notch);
        Access::ReportWheel(*form, Qt::NoModifier, -120 * 1000, handled);
        QCOMPARE(v->value(), v->maximum());
        Access::ReportWheel(*form, Qt::NoModifier, 120 * 1000, handled);
        QCOMPARE(v->value(), 0);
        if (qFuzzyCompare(dpi, 96.0)) {
            QCOMPARE(notch, 20);
        }

        // The window passes the wheel on only when the pointer is over the report area.
        handled = false;
        const QPoint overList = Access::List(*form).mapToGlobal(QPoint(10, 10));
        Access::FormWheel(*form, Qt::NoModifier, -120, overList, handled);
        QVERIFY(!handled);
        QCOMPARE(v->value(), 0);
        const QPoint overReport = Access::ReportScrollBox(*form).mapToGlobal(QPoint(10, 10));
        Access::FormWheel(*form, Qt::NoModifier, -120, overReport, handled);
        QVERIFY(handled);
        QCOMPARE(v->value(), notch);
    }

    void shortReportDoesNotMoveUnderTheWheel() {
        Serve({A});
        Open();
        form->show();
        Idle();
        QCoreApplication::processEvents();
        bool handled = false;
        Access::ReportWheel(*form, Qt::NoModifier, -120, handled);
        QVERIFY(handled);
        QCOMPARE(Access::ReportScrollBox(*form).verticalScrollBar()->value(), 0);
    }

    void languageChangeRetextsTheWindowAtOnceAndTheMenuListsLanguages() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("language.ini");
        {
            std::ofstream out(ini.toStdString());
            out << "[ru_RU]\nName=Русский\n1005=Квиллмир\n1006=Копировать...\n1053=Язык\n[en_EN]"
                   "\nName=English\n";
        }
        LANGUAGE::LangStrings->LoadFromFile(ini.toStdU16String());
        Serve({A});
        Open();
        QCOMPARE(form->windowTitle(), QString("Quillmere"));
        QVERIFY(Access::LanguageMenu(*form).menuAction()->isVisible());
        const QList<QAction*> items = Access::LanguageMenu(*form).actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->text(), QString("English"));
        QCOMPARE(items[1]->text(), QString("Русский"));
        QCOMPARE(items[1]->data().toInt(), 1);

        items[1]->trigger();
        QCOMPARE(form->windowTitle(), QString("Квиллмир"));
        QCOMPARE(Access::CopyButton(*form).text(), QString("Копировать..."));
        QCOMPARE(Access::TrayIcon(*form).toolTip(), QString("Квиллмир"));
        QCOMPARE(Access::LanguageMenu(*form).title(), QString("Язык"));
        QCOMPARE(items[1]->text(), QString("Русский")); // language items keep their captions

        // The about box follows the language and takes the window's caption as its title.
        Access::ClickAbout(*form);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].startsWith("Квиллмир|"));
        items[0]->trigger();
        Access::ClickAbout(*form);
        QCOMPARE(shown.last(), QString("Quillmere|Version: 1.0 RC 1 build 73"));
    }

    void oneLanguageHidesTheLanguageMenu() {
        Open();
        QVERIFY(!Access::LanguageMenu(*form).menuAction()->isVisible());
        QCOMPARE(Access::LanguageMenu(*form).actions().size(), 1);
    }

    void copyPutsThePlainReportOnTheClipboard() {
        QmrTestAdapter a = MakeTestAdapter("qmrtest0", 2, "192.168.1.10");
        std::strcpy(a.Description, "Local Area Connection");
        a.Speed64 = 100000000;
        a.DhcpEnabled = 1;
        a.GatewayCount = 1;
        std::strcpy(a.Gateway[0], "192.168.1.1");
        a.InOctets = 1234567;
        a.OutOctets = 21;
        a.Mac[5] = 0x5E;
        Serve({a});
        Open();
        Idle();
        // No link of the test's namespace is called qmrtest0, so the adapter description stands
        // as the friendly name.
        Access::ClickCopy(*form);
        QVERIFY(Access::CopyButton(*form).isEnabled());
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, QString("Network Interface:   Local Area Connection\r\n"
                                 "Status:   Online\r\n"
                                 "MAC:   00-1A-2B-3C-4D-5E\r\n"
                                 "Speed:   100 Mbps\r\n"
                                 "Address Type:   DHCP\r\n"
                                 "IP Address:   192.168.1.10\r\n"
                                 "IP Mask:   255.255.255.0\r\n"
                                 "Gateway:   192.168.1.1\r\n"
                                 "Input Octets:   1 234 567 bytes\r\n"
                                 "Output Octets:   21 byte\r\n"
                                 "\r\n"));
        // Ticked and copied at once: the expert form, before any rebuild of the screen.
        Access::ExpertBox(*form).setChecked(true);
        Access::ClickCopy(*form);
        QVERIFY(QGuiApplication::clipboard()->text().contains("Input Unicast Packets:   "));

        // The adapter vanished since the report: the no-device text.
        Serve({});
        Poll();
        Access::ClickCopy(*form);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("No Network Interfaces\r\n\r\n"));
    }

    void minimiseRequestsArePostedOncePerArgumentAndRestoreComesBack() {
        Serve({A});
        Open({u"/usr/bin/qmr", u"-u", u"-U", u"/u", u"-u"});
        form->show();
        QVERIFY(!form->isMinimized());
        QCoreApplication::sendPostedEvents(form.get(), WM_APP_MINIMIZE);
        QTRY_VERIFY(form->isMinimized() || !form->isVisible());
        Access::ClickTrayIcon(*form);
        QTRY_VERIFY(form->isVisible() && !form->isMinimized());
        QVERIFY(!Access::TrayIcon(*form).isVisible());
    }
};

QTEST_MAIN(FormMainTest)
#include "form_main_test.moc"
