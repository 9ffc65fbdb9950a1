// The window's link events: the expert report and its copy end with them, and a hardware
// adapter's drop or return becomes a tray notice, unless switched off (which is remembered).
// On the offscreen platform, fed by the scripted provider library.

#include "tests/ui/form_main_fixture.h"

#include <QRegularExpression>
#include <QSettings>

using namespace formtest;

namespace {

class KeepingClipboard : public qmr::TClipboardSink {
public:
    explicit KeepingClipboard(QStringList& texts) : m_Texts(texts) {}
    bool SetText(const QString& text) override {
        m_Texts << text;
        return true;
    }
    QString ErrorText() const override { return {}; }

private:
    QStringList& m_Texts;
};

} // namespace

class FormMainEventsTest : public QObject, FormMainFixture {
    Q_OBJECT

    QStringList notices; // "title|text"

    void OpenCatching() {
        Open();
        Access::CatchNotices(*form, [this](const QString& title, const QString& text) {
            notices << title + "|" + text;
        });
    }

private slots:
    void init() {
        SetUp();
        notices.clear();
    }
    void cleanup() { TearDown(); }

    void expertReportAndItsCopyEndWithTheEventsNewestFirst() {
        QmrTestAdapter a = A;
        Serve({a});
        Open();
        a.OperStatus = MIB_IF_OPER_STATUS_DISCONNECTED;
        Serve({a});
        Poll();
        std::strcpy(a.Ip[0], "10.0.0.9");
        Serve({a});
        Poll();
        Access::ExpertBox(*form).click();
        Access::Presenter(*form).InvalidateReport();
        Idle();
        QStringList copied;
        Access::SetClipboard(*form, std::make_unique<KeepingClipboard>(copied));
        Access::ClickCopy(*form);
        QCOMPARE(copied.size(), 1);
        const QStringList lines = copied[0].split("\r\n");
        const qsizetype heading = lines.indexOf("Link Events:");
        QVERIFY2(heading > 0, qPrintable(copied[0]));
        const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d  ");
        const QStringList expected = {"IP 10.0.0.9/24 added", "IP 10.0.0.2/24 removed",
                                      "Online -> Disconnected"};
        for (int i = 0; i < expected.size(); ++i) {
            const QString line = lines.value(heading + 1 + i);
            QVERIFY2(time.match(line).hasMatch(), qPrintable(line));
            QCOMPARE(line.mid(10), expected[i]);
        }
        // The display report says the same.
        const auto& view = Access::ReportView(*form);
        bool shown = false;
        for (int i = 0; i < view.LineCount(); ++i) {
            shown = shown || view.Line(i).contains("Online -&gt; Disconnected");
        }
        QVERIFY(shown);
    }

    void hardwareLinkDropsAndReturnsBecomeNoticesAtMostOneInTenSeconds() {
        QmrTestAdapter hw = A;
        hw.Hardware = 1;
        QmrTestAdapter veth = B;
        Serve({hw, veth});
        OpenCatching();
        QVERIFY(form->NotifyOnLinkChanges());
        QVERIFY(Access::NotifyLinkChangesItem(*form).isChecked());
        hw.OperStatus = veth.OperStatus = MIB_IF_OPER_STATUS_DISCONNECTED;
        Serve({hw, veth});
        Poll();
        QCOMPARE(notices, QStringList{"alpha|Disconnected"});
        // Back within ten seconds: held back; the virtual adapter never tells.
        hw.OperStatus = veth.OperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
        Serve({hw, veth});
        Poll();
        QCOMPARE(notices.size(), 1);
    }

    void switchedOffNoNoticeAndTheChoiceIsRemembered() {
        QmrTestAdapter hw = A;
        hw.Hardware = 1;
        Serve({hw});
        OpenCatching();
        Access::NotifyLinkChangesItem(*form).trigger();
        QVERIFY(!form->NotifyOnLinkChanges());
        hw.OperStatus = MIB_IF_OPER_STATUS_DISCONNECTED;
        Serve({hw});
        Poll();
        QVERIFY(notices.isEmpty());
        QCOMPARE(QSettings("Quillmere", "Quillmere").value("NotifyOnLinkChanges").toString(),
                 QString("false"));

        form.reset();
        OpenCatching();
        QVERIFY(!Access::NotifyLinkChangesItem(*form).isChecked());
        form->SetNotifyOnLinkChanges(true);
        QVERIFY(Access::NotifyLinkChangesItem(*form).isChecked());
        QCOMPARE(QSettings("Quillmere", "Quillmere").value("NotifyOnLinkChanges").toString(),
                 QString("true"));
    }

    void noNoticeWhileTheActiveWindowShowsTheAdapter() {
        QmrTestAdapter hw = A;
        hw.Hardware = 1;
        QmrTestAdapter other = B;
        other.Hardware = 1;
        Serve({hw, other});
        OpenCatching();
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get())) {
            QSKIP("this platform does not activate windows");
        }
        QCOMPARE(Access::Presenter(*form).SelectedIfIndex(), hw.Index);
        hw.OperStatus = other.OperStatus = MIB_IF_OPER_STATUS_DISCONNECTED;
        Serve({hw, other});
        Poll();
        QCOMPARE(notices, QStringList{"bravo|Disconnected"});
    }
};

QTEST_MAIN(FormMainEventsTest)
#include "form_main_events_test.moc"
