// The window's report pane, tray minimiser and language menu: the lines written, the view's
// size, the wheel, the clipboard copy, the menu and about box, and minimising to the tray. On the
// offscreen platform, fed by the scripted provider library.

#include "report/device_status.h"
#include "tests/ui/form_main_fixture.h"
#include "ui/language_menu.h"
#include "ui/markup/markup_view.h"
#include "ui/rate_graph.h"

#include <QApplication>
#include <QClipboard>
#include <QPaintEvent>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <fstream>

using namespace formtest;

namespace {

// What the view was asked to paint since the last Clear, from its own paint events.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget& widget) { widget.installEventFilter(this); }
    const QRegion& Painted() const { return m_Painted; }
    void Clear() { m_Painted = {}; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            m_Painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }

private:
    QRegion m_Painted;
};

} // namespace

class FormMainReportTest : public QObject, FormMainFixture {
    Q_OBJECT

private slots:
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

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

    // What a tick repaints: the report rows whose text changed, and the graph's plot.
    void aTickRepaintsTheRowsWhoseTextChangedAndNoOther() {
        QmrTestAdapter a = A;
        a.InOctets = 1000;
        Serve({a});
        QVERIFY(OpenShownWithoutTimer());
        Idle();
        const qmr::THTMLStaticText& view = Access::ReportView(*form);
        PaintRecorder recorder(const_cast<qmr::THTMLStaticText&>(view));
        qmr::TRateGraph& graph = Access::RateGraph(*form);
        PaintRecorder graphRecorder(graph);
        RunLoopFor(100);
        recorder.Clear();
        graphRecorder.Clear();
        Poll();
        Idle();
        RunLoopFor(100);
        QVERIFY2(recorder.Painted().isEmpty(), "an unchanged report repaints nothing");
        QVERIFY2(graphRecorder.Painted().isEmpty(), "a poll that adds no point moves no curve");

        QStringList before;
        for (int i = 0; i < view.LineCount(); ++i) {
            before << view.Line(i);
        }
        RunLoopFor(600); // past the shortest interval between two points: the graph moves too
        a.InOctets = 2000;
        Serve({a});
        Poll();
        Idle();
        RunLoopFor(100);
        QCOMPARE(view.LineCount(), before.size());
        // The curves move; the legend below them keeps its pixels.
        const int textLine = graph.fontMetrics().height();
        QVERIFY(!graphRecorder.Painted().isEmpty());
        QVERIFY(!graphRecorder.Painted().intersects(
            QRect(0, graph.height() - textLine, graph.width(), textLine)));
        // Each report line is one row, as high as the view measures it alone.
        int top = 0;
        int changedRows = 0;
        for (int i = 0; i < view.LineCount(); ++i) {
            const int height = Access::MeasureMarkupLine(*form, view.Line(i).chopped(4)).height();
            const QRect row(0, top, view.width(), height);
            top += height;
            // The graph beside the last rows paints its own part of them.
            const QRegion visible = view.visibleRegion() & row;
            if (view.Line(i) != before[i]) {
                changedRows += visible.isEmpty() ? 0 : 1;
                QVERIFY2((visible - recorder.Painted()).isEmpty(), qPrintable(view.Line(i)));
            } else { // but for the edges next to a changed row
                QVERIFY2(!recorder.Painted().intersects(row.adjusted(0, 2, 0, -2)),
                         qPrintable(view.Line(i)));
            }
        }
        QVERIFY(changedRows > 0);
        // What the ticks left on the screen is what a whole new paint draws.
        const QImage screen = form->screen()->grabWindow(form->winId()).toImage();
        QCOMPARE(screen.convertToFormat(QImage::Format_RGB32),
                 form->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    // An idle link's flat line grows at its left end: only those columns are drawn again, and
    // the screen shows what a whole paint shows.
    void anIdleLinksGraphIsDrawnAgainOnlyWhereItsLineGrew() {
        Serve({A});
        QVERIFY(OpenShownWithoutTimer());
        Idle();
        qmr::TRateGraph& graph = Access::RateGraph(*form);
        PaintRecorder recorder(graph);
        for (int tick = 1, points = graph.PointCount(); tick <= 2; ++tick) {
            recorder.Clear();
            RunLoopFor(600); // past the shortest interval between two points
            Poll();
            Idle();
            RunLoopFor(100);
            QCOMPARE(graph.PointCount(), points + tick);
        }
        QVERIFY(!recorder.Painted().isEmpty());
        QVERIFY2(recorder.Painted().boundingRect().width() < graph.width() / 8,
                 qPrintable(QString::number(recorder.Painted().boundingRect().width())));
        const QImage screen = form->screen()->grabWindow(form->winId()).toImage();
        QCOMPARE(screen.convertToFormat(QImage::Format_RGB32),
                 form->grab().toImage().convertToFormat(QImage::Format_RGB32));
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
        QCOMPARE(Access::List(*form).Item(1)->Caption,
                 QString(wide.Description)); // the list follows
        Idle();
        const int expected =
            Access::MeasureMarkupLine(*form, Access::ReportView(*form).Line(0).chopped(4)).width();
        QVERIFY(expected > client.width() - 24);
        QCOMPARE(Access::ReportView(*form).width(), expected);

        // The same lines with more room between them are measured again.
        qmr::THTMLStaticText& view = Access::ReportView(*form);
        const int before = view.height();
        view.SetLineSpacing(view.LineSpacing() + 200);
        Poll();
        Idle();
        QVERIFY(view.height() > before + 100 * view.LineCount());
    }

    void aMeasuredLineIsMeasuredAgainForAnotherFontOrSpacing() {
        qmr::THTMLStaticText view;
        const QString line = QStringLiteral("<b>IP Address</b>:   10.0.0.6");
        QFont font = view.font();
        font.setPointSize(10);
        view.setFont(font);
        const QSize small = view.MeasureMarkup(line);
        QCOMPARE(view.MeasureMarkup(line), small);
        font.setPointSize(20);
        view.setFont(font);
        const QSize large = view.MeasureMarkup(line);
        QVERIFY(large.width() > small.width());
        QVERIFY(large.height() > small.height());
        view.SetLineSpacing(view.LineSpacing() + 10);
        QCOMPARE(view.MeasureMarkup(line).height(), large.height() + 10);
        QCOMPARE(view.MeasureMarkup(line).width(), large.width());
    }

    void reportAreaKeepsItsPlaceAndGrowsWithTheWindow() {
        Serve({A});
        Open();
        form->show();
        QCoreApplication::processEvents();
        const auto scaled = [this](int design) {
            return static_cast<int>(std::lround(design * form->logicalDpiY() / 120.0));
        };
        // Right of the list, 8 pixels below the top, down to the strip of the Copy button.
        const QRect design(scaled(323), 8, scaled(602), scaled(513) - 8);
        const QScrollArea& box = Access::ReportScrollBox(*form);
        QCOMPARE(box.geometry(), design);
        form->resize(form->size() + QSize(100, 50));
        QCoreApplication::processEvents();
        QCOMPARE(box.geometry(), design.adjusted(0, 0, 100, 50));
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
        Access::ExpertBox(*form).click();
        QCoreApplication::processEvents();
        Idle();
        const qmr::THTMLStaticText& view = Access::ReportView(*form);
        int widest = 0;
        QString widestLine;
        for (int i = 0; i < view.LineCount(); ++i) {
            const int width = Access::MeasureMarkupLine(*form, view.Line(i).chopped(4)).width();
            if (width > widest) {
                widest = width;
                widestLine = view.Line(i);
            }
        }
        QVERIFY(widestLine.contains("fe80::1111:2222:3333:4444%WWW"));
        QVERIFY(widest > Access::ReportScrollBox(*form).viewport()->width() - 24);
        QCOMPARE(view.width(), widest);
    }

    void wheelScrollsTwentyPixelsANotchClampedAtBothEnds() {
        QmrTestAdapter a = A;
        std::memset(a.Description, 'W', sizeof a.Description - 1);
        a.DnsCount = 3;
        Serve({a});
        Open();
        form->show();
        Access::ExpertBox(*form).click();
        Access::Presenter(*form).InvalidateReport();
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

    void theLanguageMenuListsAtMostItsLimitFirstByCode() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("language.ini");
        {
            std::ofstream out(ini.toStdString());
            for (int i = 0; i < 200; ++i) {
                out << "[xx_" << 1000 + i << "]\nName=L" << i << "\n";
            }
        }
        LANGUAGE::LangStrings->LoadFromFile(ini.toStdU16String());
        Open();
        const QList<QAction*> items = Access::LanguageMenu(*form).actions();
        QCOMPARE(items.size(), qmr::TWindowPresenter::kLanguageMenuMaxItems);
        // English, which the catalogue adds, sorts first; then the file's sections by code.
        QCOMPARE(items.first()->text(), QString("English"));
        QCOMPARE(items[1]->text(), QString("L0"));
        QCOMPARE(items.last()->text(), QString("L62"));
    }

    void oneLanguageHidesTheLanguageMenu() {
        Open();
        QVERIFY(!Access::LanguageMenu(*form).menuAction()->isVisible());
        // The built-in entry has no name, and a nameless language makes no (blank) item.
        QCOMPARE(Access::LanguageMenu(*form).actions().size(), 0);
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
        Access::ExpertBox(*form).click();
        Access::ClickCopy(*form);
        QVERIFY(QGuiApplication::clipboard()->text().contains("Input Unicast Packets:   "));

        // The adapter vanished since the report: the no-device text.
        Serve({});
        Poll();
        Access::ClickCopy(*form);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("No Network Interfaces\r\n\r\n"));
    }

    void theReportSaysWhyAProviderGivesNoAdapters() {
        const struct {
            std::string library;
            QString why;
        } cases[] = {
            {"no-such-provider.so", "no-such-provider.so"},
            {"libqmr-test-provider-partial.so", "lacks the entry point GetPerAdapterInfo"},
        };
        for (const auto& c : cases) {
            form.reset();
            qmr::test::RebindIpHelper(qmr::test::TestBinaryFolder() + c.library);
            Open();
            Idle();
            const qmr::THTMLStaticText& view = Access::ReportView(*form);
            QVERIFY2(view.LineCount() > 0 && view.Line(view.LineCount() - 1).contains(c.why),
                     qPrintable(view.Line(view.LineCount() - 1)));
        }
    }

    void aNameWithADirectionOverrideCannotTurnWhatFollowsIt() {
        QmrTestAdapter a = MakeTestAdapter("qmrtest0", 5, "10.0.0.5");
        std::strcpy(a.Description, "evil\u202Eeman\x07");
        Serve({a});
        Open();
        Idle();
        const QString contained = QString::fromUtf16(u"evil\u202Eeman\uFFFD\u202C");
        QCOMPARE(Captions(*form), QStringList{contained});
        QVERIFY(ReportName(*form).contains(contained + "</font>"));
        Access::ClickCopy(*form);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(
            "Network Interface:   " + contained + "\r\n"));
    }

    // The Russian labels do not fit side by side at the graph's narrowest; nothing is cut that a
    // second row can hold, and what no row can hold ends in an ellipsis.
    void rateGraphLegendTakesASecondRowRatherThanCuttingALabel() {
        const QFontMetrics metrics{QApplication::font()};
        const QStringList english = {"Receive Rate", "Send Rate"};
        const QStringList russian = {QString::fromUtf8("Скорость приёма"),
                                     QString::fromUtf8("Скорость передачи")};
        const int russianRow = metrics.height() * 3 + metrics.horizontalAdvance(russian.join(""));
        struct Case {
            QStringList labels;
            int width;
            bool stacked;
            bool elided;
        };
        const Case cases[] = {
            {english, 360, false, false},
            {russian, russianRow + 10, false, false},
            {russian, russianRow - 10, true, false},
            {russian, metrics.horizontalAdvance(russian[1]) / 2, true, true},
        };
        for (const Case& c : cases) {
            const auto legend = qmr::TRateGraph::LayOutLegend(metrics, c.width, 50, c.labels);
            QCOMPARE(legend.size(), std::size_t{2});
            QCOMPARE(legend[0].TextAt.y(), 50 + metrics.ascent());
            QCOMPARE(legend[1].TextAt.y() > legend[0].TextAt.y(), c.stacked);
            for (std::size_t i = 0; i < 2; ++i) {
                QVERIFY2(legend[i].TextAt.x() + metrics.horizontalAdvance(legend[i].Text) <= c.width,
                         qPrintable(legend[i].Text));
                QCOMPARE(legend[i].Text != c.labels[static_cast<int>(i)], c.elided);
            }
        }
    }

    void ratesReachTheReportGraphAndTrayHintAndTheGraphRepaintsOnlyWhileShown() {
        QmrTestAdapter a = A;
        Serve({a});
        QVERIFY(OpenShownWithoutTimer());
        QCOMPARE(Access::TrayIcon(*form).toolTip(), QString("Quillmere")); // no adapter shown yet
        RunLoopFor(600); // past the shortest interval between two points
        a.InOctets += 125000;
        a.OutOctets += 1000;
        Serve({a});
        Poll();
        Idle();
        const qmr::TRateGraph& graph = Access::RateGraph(*form);
        QCOMPARE(graph.PointCount(), 2);
        const QString received = QString::fromStdU16String(qmr::GetRateText(graph.AxisTop()));
        QVERIFY(received != "0.0 bps");
        bool inReport = false;
        for (int i = 0; i < Access::ReportView(*form).LineCount(); ++i) {
            inReport |=
                Access::ReportView(*form).Line(i) == "<b>Receive Rate</b>:   " + received + "<br>";
        }
        QVERIFY(inReport);
        const QString hint = Access::TrayIcon(*form).toolTip();
        QVERIFY2(hint.startsWith("alpha\nReceive Rate: " + received + "\nSend Rate: "),
                 qPrintable(hint));
        QVERIFY(!hint.endsWith(" 0.0 bps"));

        const int requests = Access::GraphRepaintRequests(*form);
        form->hide();
        Access::Presenter(*form).InvalidateReport();
        Idle();
        QCOMPARE(Access::GraphRepaintRequests(*form), requests);
        form->show();
        Access::Presenter(*form).InvalidateReport();
        Idle();
        QCOMPARE(Access::GraphRepaintRequests(*form), requests + 1);
    }

    void minimiseRequestsArePostedOncePerArgumentAndRestoreComesBack() {
        Serve({A});
        Open({u"/usr/bin/qmr", u"-u", u"-U", u"/u", u"-u"});
        form->show();
        QVERIFY(!form->isMinimized());
        QCoreApplication::sendPostedEvents(form.get(), qmr::WM_APP_MINIMIZE);
        QTRY_VERIFY(form->isMinimized() || !form->isVisible());
        Access::ClickTrayIcon(*form);
        QTRY_VERIFY(form->isVisible() && !form->isMinimized());
        QVERIFY(!Access::TrayIcon(*form).isVisible());
    }

private:
    // The window on the screen with its poll timer stopped: the test's polls are the only ones.
    bool OpenShownWithoutTimer() {
        Open();
        Access::PollTimer(*form).stop();
        form->show();
        return QTest::qWaitForWindowExposed(form.get());
    }
};

QTEST_MAIN(FormMainReportTest)
#include "form_main_report_test.moc"
