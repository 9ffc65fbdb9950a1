// The main window on the offscreen platform, fed by the scripted provider library.

#include "lang/lang_strings.h"
#include "network/iphlpapi_binding.h"
#include "network/sized_call.h"
#include "shell/about_text.h"
#include "tests/support/binding_fixture.h"
#include "tests/support/scripted_provider.h"
#include "ui/form_main.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <fstream>
#include <memory>

using namespace qmr;

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
    for (int i = 1; i < form.m_AdvPolyList->Count(); ++i) {
        out << form.m_AdvPolyList->Item(i)->Caption;
    }
    return out;
}

QString Selected(const TFormMain& form) {
    const TPolyListItem* item = form.m_AdvPolyList->SelectedItem();
    return item != nullptr ? item->Caption : QString();
}

// The report's first line holds the device name.
QString ReportName(const TFormMain& form) {
    return form.m_HTMLStaticText_Report->LineCount() > 0 ? form.m_HTMLStaticText_Report->Line(0)
                                                         : QString();
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
        form->ShowMessage = [this](const QString& text, const QString& caption) {
            shown << caption + "|" + text;
        };
    }
    void Poll() { form->m_Timer_PollTimer(form->m_Timer_Poll); }
    void Idle() { form->OnAppIdle(); }
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
        QVERIFY(form->m_ReportPending);
        QVERIFY(ReportName(*form).contains("No Network Interfaces"));
        Idle();
        QVERIFY(ReportName(*form).contains("alpha"));
        QVERIFY(form->m_AeroButton_CopyReport->isEnabled());
        QVERIFY(form->m_Timer_Poll->isActive());
        QCOMPARE(form->m_Timer_Poll->interval(), 1000);

        // The heading cannot be selected: a request for it leaves nothing selected.
        form->m_ReportPending = false;
        form->m_AdvPolyList->SelectRequest(0);
        QCOMPARE(Selected(*form), QString());
        QVERIFY(!form->m_ReportPending);
    }

    void selectionFollowsThePositionWhenAnEarlierAdapterVanishes() {
        Serve({A, B, C});
        Open();
        form->m_AdvPolyList->SelectRequest(2); // B
        Serve({B, C});
        Poll();
        Idle();
        QCOMPARE(Captions(*form), (QStringList{"bravo", "charlie"}));
        QCOMPARE(Selected(*form), QString("charlie"));
        QCOMPARE(form->m_SelectedIfIndex, 4u);
        QVERIFY(ReportName(*form).contains("charlie"));
    }

    void lastSelectedStaysWhenTheListClampsItsPosition() {
        Serve({A, B, C});
        Open();
        form->m_AdvPolyList->SelectRequest(3); // C
        Serve({B, C});
        Poll();
        QCOMPARE(Selected(*form), QString("charlie"));
        QCOMPARE(form->m_AdvPolyList->Tag, 2);

        // A and B vanish: position 3 is beyond the two items, so position 1 is asked, C again.
        form->m_AdvPolyList->SelectRequest(2);
        Serve({C});
        Poll();
        QCOMPARE(Captions(*form), QStringList{"charlie"});
        QCOMPARE(Selected(*form), QString("charlie"));
        QCOMPARE(form->m_AdvPolyList->Tag, 1);
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
        QCOMPARE(form->m_AdvPolyList->Count(), 1); // the heading alone
        QVERIFY(!form->m_AeroButton_CopyReport->isEnabled());
        QCOMPARE(ReportName(*form), last);
        // The expert-mode box asks for a rebuild, which now finds no device.
        form->m_AdvOfficeCheckBox_ExpertMode->click();
        Idle();
        QVERIFY(ReportName(*form).contains("No Network Interfaces"));
        QCOMPARE(form->m_TrayIconImageIndex, 0);
    }

    void newAdapterIsAppendedWithoutMovingTheSelection() {
        Serve({A, B});
        Open();
        form->m_AdvPolyList->SelectRequest(2);
        Serve({C, A, B});
        Poll();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "bravo", "charlie"}));
        QCOMPARE(Selected(*form), QString("bravo"));
    }

    void itemsKeepCaptionAndPictureFromTheirCreation() {
        QmrTestAdapter a = A;
        Serve({a});
        Open();
        QCOMPARE(form->m_AdvPolyList->Item(1)->ImageIndex, 1);
        a.OperStatus = 2;
        std::strcpy(a.Name, "renamed");
        std::strcpy(a.Description, "renamed");
        Serve({a});
        Poll();
        Idle();
        QCOMPARE(form->m_AdvPolyList->Item(1)->ImageIndex, 1);
        QCOMPARE(form->m_AdvPolyList->Item(1)->Caption, QString("alpha"));
        // The report follows the new status at once.
        QVERIFY(ReportName(*form).contains("renamed"));
        QCOMPARE(form->m_TrayIconImageIndex, 2);
    }

    void devicesSharingAnIndexShareOneItem() {
        // Rows that cannot be read leave index 0 on every such device.
        QmrTestAdapter a = A, b = B;
        a.RowFails = b.RowFails = 1;
        Serve({a, C, b});
        Open();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "charlie"}));
        QCOMPARE(form->FindDeviceByIfIndex(0)->m_AdapterName, std::u16string(u"alpha"));
    }

    void loopbackOnlyOverflowTwiceAndNoLibraryLeaveOnlyTheHeading() {
        QmrTestAdapter lo = MakeTestAdapter("lo", 1, "127.0.0.1");
        lo.Type = 24;
        Serve({lo});
        Open();
        QCOMPARE(form->m_AdvPolyList->Count(), 1);
        QVERIFY(!form->m_ReportPending);

        Serve({A});
        // A poll follows growing sizes for a few calls; one that overflows on every call fails.
        for (int i = 0; i < kSizedCallAttempts; ++i) {
            PushAnswer(111, 2000 * (i + 1));
        }
        Poll();
        QCOMPARE(form->m_AdvPolyList->Count(), 1);
        Poll(); // the next tick tries again and succeeds
        QCOMPARE(Captions(*form), QStringList{"alpha"});

        form.reset();
        test::RebindIpHelper(test::TestBinaryFolder() + "no-such-provider.so");
        Open();
        QCOMPARE(form->m_AdvPolyList->Count(), 1);
        QVERIFY(!form->m_AeroButton_CopyReport->isEnabled());
    }

    void idleRebuildsOnceHoweverManyEventsArrived() {
        Serve({A, B});
        Open();
        const int before = form->m_ReportBuilds;
        form->m_AdvPolyList->SelectRequest(2);
        form->m_AdvOfficeCheckBox_ExpertMode->click();
        form->m_AdvFormStylerChange(nullptr);
        form->m_AdvPolyList->SelectRequest(1);
        Idle();
        Idle();
        QCOMPARE(form->m_ReportBuilds, before + 1);
        // Through the real event loop: the dispatcher's idle signal drives the rebuild.
        form->m_AdvPolyList->SelectRequest(2);
        form->m_AdvPolyList->SelectRequest(1);
        RunLoopFor(100);
        QCOMPARE(form->m_ReportBuilds, before + 2);
    }

    void unchangedReportWritesNoLineAndOneChangedCounterWritesOne() {
        QmrTestAdapter a = A;
        a.InOctets = 1000;
        Serve({a});
        Open();
        Idle();
        const int writes = form->m_HTMLStaticText_Report->LineWrites();
        const int listPaints = form->m_AdvPolyList->RepaintRequests();
        Poll();
        Idle();
        QCOMPARE(form->m_HTMLStaticText_Report->LineWrites(), writes);
        // The reselection of an unchanged list repaints nothing either.
        QCOMPARE(form->m_AdvPolyList->RepaintRequests(), listPaints);
        a.InOctets = 2000;
        Serve({a});
        Poll();
        Idle();
        QCOMPARE(form->m_HTMLStaticText_Report->LineWrites(), writes + 1);

        // The expert form appends lines; back to normal deletes the surplus.
        const int normalLines = form->m_HTMLStaticText_Report->LineCount();
        form->m_AdvOfficeCheckBox_ExpertMode->click();
        Idle();
        QVERIFY(form->m_HTMLStaticText_Report->LineCount() > normalLines);
        form->m_AdvOfficeCheckBox_ExpertMode->click();
        Idle();
        QCOMPARE(form->m_HTMLStaticText_Report->LineCount(), normalLines);
    }

    void viewIsTheClientAreaLessTwentyFourOrLargerForLongNames() {
        Serve({A});
        Open();
        form->show();
        QCoreApplication::processEvents();
        Idle();
        const QSize client = form->m_ScrollBox_Report->viewport()->size();
        QCOMPARE(form->m_HTMLStaticText_Report->width(), client.width() - 24);
        QCOMPARE(form->m_HTMLStaticText_Report->height(), client.height() - 24);

        QmrTestAdapter wide = A;
        std::memset(wide.Name, 'W', sizeof wide.Name - 1);
        std::memset(wide.Description, 'W', sizeof wide.Description - 1);
        Serve({wide});
        Poll();
        QCOMPARE(form->m_AdvPolyList->Item(1)->Caption, QString("alpha")); // item keeps its caption
        Idle();
        const int expected =
            form->MeasureMarkupLine(form->m_HTMLStaticText_Report->Line(0).chopped(4)).width();
        QVERIFY(expected > client.width() - 24);
        QCOMPARE(form->m_HTMLStaticText_Report->width(), expected);
    }

    void viewWidensForALongIpv6AddressAsForALongName() {
        // The zone of a link-local address is the interface name, here a long one; the caption
        // stays short, so only the address line can be the widest.
        QmrTestAdapter a = A;
        std::memset(a.Name, 'W', sizeof a.Name - 1);
        a.Ipv6Count = 1;
        std::strcpy(a.Ipv6[0], "fe80::1111:2222:3333:4444");
        a.Ipv6Prefix[0] = 64;
        Serve({a});
        Open();
        form->show();
        form->m_AdvOfficeCheckBox_ExpertMode->click();
        QCoreApplication::processEvents();
        Idle();
        THTMLStaticText* view = form->m_HTMLStaticText_Report;
        int widest = 0;
        QString widestLine;
        for (int i = 0; i < view->LineCount(); ++i) {
            const int width = form->MeasureMarkupLine(view->Line(i).chopped(4)).width();
            if (width > widest) {
                widest = width;
                widestLine = view->Line(i);
            }
        }
        QVERIFY(widestLine.contains("fe80::1111:2222:3333:4444%WWW"));
        QVERIFY(widest > form->m_ScrollBox_Report->viewport()->width() - 24);
        QCOMPARE(view->width(), widest);
    }

    void wheelScrollsTwentyPixelsANotchClampedAtBothEnds() {
        QmrTestAdapter a = A;
        std::memset(a.Description, 'W', sizeof a.Description - 1);
        a.DnsCount = 3;
        Serve({a});
        Open();
        form->show();
        form->m_AdvOfficeCheckBox_ExpertMode->setChecked(true);
        form->m_ReportPending = true;
        form->resize(form->minimumSize());
        QCoreApplication::processEvents();
        Idle();
        QCoreApplication::processEvents();
        QScrollBar* v = form->m_ScrollBox_Report->verticalScrollBar();
        QScrollBar* h = form->m_ScrollBox_Report->horizontalScrollBar();
        QVERIFY(v->maximum() > 40);
        QVERIFY(h->maximum() > 40);
        const double dpi = form->logicalDpiY();
        const int notch = static_cast<int>(16.0 * 120 / dpi);

        bool handled = false;
        form->m_ScrollBox_ReportMouseWheel(nullptr, Qt::NoModifier, 120, {}, handled);
        QVERIFY(handled); // at the top, away from the user: nothing moves, still handled
        QCOMPARE(v->value(), 0);
        form->m_ScrollBox_ReportMouseWheel(nullptr, Qt::NoModifier, -120, {}, handled);
        QCOMPARE(v->value(), notch);
        form->m_ScrollBox_ReportMouseWheel(nullptr, Qt::ShiftModifier, -120, {}, handled);
        QCOMPARE(h->value(), notch);
        QCOMPARE(v->value(), notch);
        form->m_ScrollBox_ReportMouseWheel(nullptr, Qt::NoModifier, -120 * 1000, {}, handled);
        QCOMPARE(v->value(), v->maximum());
        form->m_ScrollBox_ReportMouseWheel(nullptr, Qt::NoModifier, 120 * 1000, {}, handled);
        QCOMPARE(v->value(), 0);
        if (qFuzzyCompare(dpi, 96.0)) {
            QCOMPARE(notch, 20);
        }

        // The window passes the wheel on only when the pointer is over the report area.
        handled = false;
        const QPoint overList = form->m_AdvPolyList->mapToGlobal(QPoint(10, 10));
        form->FormMouseWheel(nullptr, Qt::NoModifier, -120, overList, handled);
        QVERIFY(!handled);
        QCOMPARE(v->value(), 0);
        const QPoint overReport = form->m_ScrollBox_Report->mapToGlobal(QPoint(10, 10));
        form->FormMouseWheel(nullptr, Qt::NoModifier, -120, overReport, handled);
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
        form->m_ScrollBox_ReportMouseWheel(nullptr, Qt::NoModifier, -120, {}, handled);
        QVERIFY(handled);
        QCOMPARE(form->m_ScrollBox_Report->verticalScrollBar()->value(), 0);
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
        QVERIFY(form->m_PopupMenuItem_SelectLanguage->menuAction()->isVisible());
        const QList<QAction*> items = form->m_PopupMenuItem_SelectLanguage->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->text(), QString("English"));
        QCOMPARE(items[1]->text(), QString("Русский"));
        QCOMPARE(items[1]->data().toInt(), 1);

        items[1]->trigger();
        QCOMPARE(form->windowTitle(), QString("Квиллмир"));
        QCOMPARE(form->m_AeroButton_CopyReport->text(), QString("Копировать..."));
        QCOMPARE(form->m_TrayIcon->toolTip(), QString("Квиллмир"));
        QCOMPARE(form->m_PopupMenuItem_SelectLanguage->title(), QString("Язык"));
        QCOMPARE(items[1]->text(), QString("Русский")); // language items keep their captions

        // The about box follows the language and takes the window's caption as its title.
        form->m_PopupMenuItem_AboutClick(nullptr);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].startsWith("Квиллмир|"));
        items[0]->trigger();
        form->m_PopupMenuItem_AboutClick(nullptr);
        QCOMPARE(shown.last(), QString("Quillmere|Version: 1.0 RC 1 build 73"));
    }

    void oneLanguageHidesTheLanguageMenu() {
        Open();
        QVERIFY(!form->m_PopupMenuItem_SelectLanguage->menuAction()->isVisible());
        QCOMPARE(form->m_PopupMenuItem_SelectLanguage->actions().size(), 1);
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
        form->m_AeroButton_CopyReportClick(nullptr);
        QVERIFY(form->m_AeroButton_CopyReport->isEnabled());
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
        form->m_AdvOfficeCheckBox_ExpertMode->setChecked(true);
        form->m_AeroButton_CopyReportClick(nullptr);
        QVERIFY(QGuiApplication::clipboard()->text().contains("Input Unicast Packets:   "));

        // The adapter vanished since the report: the no-device text.
        Serve({});
        Poll();
        form->m_AeroButton_CopyReportClick(nullptr);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("No Network Interfaces\r\n\r\n"));
    }

    void minimiseRequestsArePostedOncePerArgumentAndRestoreComesBack() {
        Serve({A});
        Open({u"/usr/bin/qmr", u"-u", u"-U", u"/u", u"-u"});
        form->show();
        QVERIFY(!form->isMinimized());
        QCoreApplication::sendPostedEvents(form.get(), WM_APP_MINIMIZE);
        QTRY_VERIFY(form->isMinimized() || !form->isVisible());
        form->m_TrayIconClick(nullptr);
        QTRY_VERIFY(form->isVisible() && !form->isMinimized());
        QVERIFY(!form->m_TrayIcon->isVisible());
    }
};

QTEST_MAIN(FormMainTest)
#include "form_main_test.moc"
