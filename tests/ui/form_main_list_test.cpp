// The window's adapter list and poll: which items it shows, which stays selected, and when the
// report is rebuilt. On the offscreen platform, fed by the scripted provider library.

#include "tests/ui/form_main_fixture.h"

#include <cstring>

using namespace formtest;

class FormMainListTest : public QObject, FormMainFixture {
    Q_OBJECT

private slots:
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    void firstAdapterIsSelectedAndReportedAtTheFirstIdleMoment() {
        Serve({A, B, C});
        Open();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "bravo", "charlie"}));
        QCOMPARE(Selected(*form), QString("alpha"));
        QVERIFY(Access::Presenter(*form).ReportPending());
        QVERIFY(ReportName(*form).contains("No Network Interfaces"));
        Idle();
        QVERIFY(ReportName(*form).contains("alpha"));
        QVERIFY(Access::CopyButton(*form).isEnabled());
        QVERIFY(Access::PollTimer(*form).isActive());
        QCOMPARE(Access::PollTimer(*form).interval(), 1000);

        // The heading cannot be selected: a request for it leaves nothing selected.
        Idle();
        Access::List(*form).SelectRequest(0);
        QCOMPARE(Selected(*form), QString());
        QVERIFY(!Access::Presenter(*form).ReportPending());
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
        QCOMPARE(Access::Presenter(*form).SelectedIfIndex(), 4u);
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

    void itemsKeepThePictureFromTheirCreationAndFollowTheCaption() {
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
        QCOMPARE(Access::List(*form).Item(1)->Caption, QString("renamed"));
        // The report follows the new status at once.
        QVERIFY(ReportName(*form).contains("renamed"));
        QCOMPARE(Access::TrayPictureIndex(*form), 2);
    }

    void linksWithoutInterfaceRowsAreLeftOut() {
        // A record whose row cannot be read (a link gone since GetAdaptersInfo answered) would
        // show index 0 and no facts: the poll leaves it out.
        QmrTestAdapter a = A, b = B;
        a.RowFails = b.RowFails = 1;
        Serve({a, C, b});
        Open();
        QCOMPARE(Captions(*form), (QStringList{"charlie"}));
        QVERIFY(Access::Presenter(*form).FindShownDevice(0) == nullptr);
    }

    void loopbackOnlyEndlessOverflowAndNoLibraryLeaveOnlyTheHeading() {
        QmrTestAdapter lo = MakeTestAdapter("lo", 1, "127.0.0.1");
        lo.Type = 24;
        Serve({lo});
        Open();
        QCOMPARE(Access::List(*form).Count(), 1);
        QVERIFY(!Access::Presenter(*form).ReportPending());

        Serve({A});
        // A poll follows growing sizes for eight calls; one that never fits shows nothing.
        for (int i = 0; i < 8; ++i) {
            PushAnswer(111, 2000 + 1000 * i);
        }
        Poll();
        QCOMPARE(Access::List(*form).Count(), 1);
        Poll(); // the next tick tries again and succeeds
        QCOMPARE(Captions(*form), QStringList{"alpha"});

        form.reset();
        qmr::test::RebindIpHelper(qmr::test::TestBinaryFolder() + "no-such-provider.so");
        Open();
        QCOMPARE(Access::List(*form).Count(), 1);
        QVERIFY(!Access::CopyButton(*form).isEnabled());
    }

    void theDispatchersIdleMomentDrivesTheRebuild() {
        Serve({A, B});
        Open();
        Idle();
        Access::List(*form).SelectRequest(2);
        QVERIFY(Access::Presenter(*form).ReportPending());
        RunLoopFor(100);
        QVERIFY(!Access::Presenter(*form).ReportPending());
        QVERIFY(ReportName(*form).contains("bravo"));
    }
};

QTEST_MAIN(FormMainListTest)
#include "form_main_list_test.moc"
