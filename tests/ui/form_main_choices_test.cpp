// The window's remembered choices and the virtual-adapter switch: what the list shows with the
// switch off, what survives a reopening, and stores that hold nonsense or refuse to be written.

#include "tests/ui/form_main_fixture.h"

#include <QDir>
#include <QFile>
#include <QScreen>

using namespace formtest;

namespace {

QmrTestAdapter Hardware(QmrTestAdapter adapter) {
    adapter.Hardware = 1;
    return adapter;
}

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Bytes no settings file holds, the same in every run.
QByteArray GarbageBytes() {
    QByteArray out(4096, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return out;
}

} // namespace

class FormMainChoicesTest : public QObject, FormMainFixture {
    Q_OBJECT

    int english = -1, russian = -1;

    // A catalogue of two languages, English selected as start-up would for an English desktop.
    void LoadTwoLanguages() {
        const QString path = configHome->filePath("language.ini");
        WriteFile(path, QStringLiteral("[en_EN]\nName=English\n[ru_RU]\nName=Русский\n"
                                       "1005=Квиллмир\n")
                            .toUtf8());
        QCOMPARE(LANGUAGE::LangStrings->LoadFromFile(path.toStdU16String()), std::string());
        english = LANGUAGE::LangStrings->IndexOfLanguage(u"en_EN");
        russian = LANGUAGE::LangStrings->IndexOfLanguage(u"ru_RU");
        QVERIFY(english >= 0 && russian >= 0);
        LANGUAGE::LangStrings->SelectLanguage(english);
    }

    void ChooseFromLanguageMenu(const QString& name) {
        for (QAction* item : Access::LanguageMenu(*form).actions()) {
            if (item->text() == name) {
                item->trigger();
                return;
            }
        }
        QFAIL(qPrintable("no language item " + name));
    }

    void VerifyDefaults(const QRect& defaultGeometry) {
        QVERIFY(Access::ShowVirtualItem(*form).isChecked());
        QVERIFY(!Access::ExpertBox(*form).isChecked());
        QCOMPARE(LANGUAGE::LangStrings->GetCurrentIndex(), english);
        QCOMPARE(form->geometry(), defaultGeometry);
    }

private slots:
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    void switchOffListsHardwareOnlyAndTheSelectionRulesApplyToWhatIsShown() {
        const QmrTestAdapter a = Hardware(A), c = Hardware(C);
        Serve({a, B, c});
        Open();
        QAction& showVirtual = Access::ShowVirtualItem(*form);
        QVERIFY(showVirtual.isCheckable() && showVirtual.isChecked());
        QCOMPARE(showVirtual.text(), QString("Show Virtual Adapters"));
        QVERIFY(Access::PopupMenu(*form).actions().contains(&showVirtual));
        QCOMPARE(Captions(*form), (QStringList{"alpha", "bravo", "charlie"}));
        Access::List(*form).SelectRequest(2); // bravo, a virtual one
        Idle();

        // The hidden selection gives way to what now stands at its position, at once.
        showVirtual.trigger();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "charlie"}));
        QCOMPARE(Selected(*form), QString("charlie"));
        Idle();
        QVERIFY(ReportName(*form).contains("charlie"));
        Poll();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "charlie"}));

        // Back on: the virtual adapter returns as a new one would, at the end.
        showVirtual.trigger();
        QCOMPARE(Captions(*form), (QStringList{"alpha", "charlie", "bravo"}));
        QCOMPARE(Selected(*form), QString("charlie"));

        // Virtual adapters alone: off empties the list and the no-device report shows.
        Serve({B});
        Poll();
        Idle();
        QVERIFY(ReportName(*form).contains("bravo"));
        showVirtual.trigger();
        QCOMPARE(Access::List(*form).Count(), 1);
        QVERIFY(!Access::CopyButton(*form).isEnabled());
        Idle();
        QVERIFY(ReportName(*form).contains("No Network Interfaces"));
        QVERIFY(Access::Presenter(*form).FindShownDevice(B.Index) == nullptr);
    }

    void choicesSurviveReopeningAndTheMenuLanguageWinsOverStartUps() {
        LoadTwoLanguages();
        Serve({A, Hardware(B)});
        Open();
        Access::ShowVirtualItem(*form).trigger();
        Access::ExpertBox(*form).click();
        ChooseFromLanguageMenu("Русский");
        QCOMPARE(LANGUAGE::LangStrings->GetCurrentIndex(), russian);
        form->show();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect placed(screen.left() + 30, screen.top() + 40, form->minimumWidth() + 50,
                           form->minimumHeight() + 20);
        form->setGeometry(placed);
        RunLoopFor(50);
        form.reset(); // the geometry is written on the way out, before its timer runs

        LANGUAGE::LangStrings->SelectLanguage(english);
        Open();
        QVERIFY(!Access::ShowVirtualItem(*form).isChecked());
        QCOMPARE(Captions(*form), QStringList{"bravo"}); // filtered from the first poll on
        QVERIFY(Access::ExpertBox(*form).isChecked());
        QCOMPARE(LANGUAGE::LangStrings->GetCurrentIndex(), russian);
        QCOMPARE(form->windowTitle(), QString("Квиллмир"));
        QCOMPARE(form->geometry(), placed);
        Idle();
        QVERIFY(Access::ReportView(*form).LineCount() > 6); // the expert report's extra lines
    }

    void nonsenseInTheStoreGivesTheDefaults_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage bytes") << GarbageBytes();
        QTest::newRow("wrong types") << QByteArray("[General]\nShowVirtualAdapters=@Rect(1 2 3 4)\n"
                                                   "ExpertMode=perhaps\n"
                                                   "Language=@Rect(1 2 3 4)\nGeometry=wide\n");
        QTest::newRow("geometry off every screen")
            << QByteArray("[General]\nGeometry=@Rect(60000 60000 640 480)\n");
        QTest::newRow("geometry of no size")
            << QByteArray("[General]\nGeometry=@Rect(10 10 0 -5)\n");
        QTest::newRow("unknown or malformed language")
            << QByteArray("[General]\nLanguage=xx_XX\n[Other]\nLanguage=ru_RU\n");
        QTest::newRow("language that is no code")
            << QByteArray("[General]\nLanguage=\"ru_RU\\n\\x1b[2J\"\n");
    }
    void nonsenseInTheStoreGivesTheDefaults() {
        QFETCH(QByteArray, content);
        LoadTwoLanguages();
        Serve({A});
        Open();
        const QRect defaultGeometry = form->geometry();
        form.reset();

        WriteFile(SettingsFile(), content);
        Open();
        VerifyDefaults(defaultGeometry);
        // And the store takes choices again.
        Access::ExpertBox(*form).click();
        form.reset();
        Open();
        QVERIFY(Access::ExpertBox(*form).isChecked());
    }

    void storeThatCannotBeWrittenKeepsTheSessionsChoice_data() {
        QTest::addColumn<bool>("fileIsFolder");
        QTest::newRow("settings file is a folder") << true;
        QTest::newRow("settings folder is a file") << false;
    }
    void storeThatCannotBeWrittenKeepsTheSessionsChoice() {
        QFETCH(bool, fileIsFolder);
        if (fileIsFolder) {
            QVERIFY(QDir().mkpath(SettingsFile()));
        } else {
            WriteFile(configHome->filePath("Quillmere"), "not a folder");
        }
        LoadTwoLanguages();
        Serve({Hardware(A), B});
        Open();
        Access::ShowVirtualItem(*form).trigger();
        Access::ExpertBox(*form).click();
        ChooseFromLanguageMenu("Русский");
        Poll();
        QCOMPARE(Captions(*form), QStringList{"alpha"});
        QVERIFY(!Access::ShowVirtualItem(*form).isChecked());
        QVERIFY(Access::ExpertBox(*form).isChecked());
        QCOMPARE(LANGUAGE::LangStrings->GetCurrentIndex(), russian);
        // The report's last line says so, naming the file.
        Idle();
        const qmr::THTMLStaticText& report = Access::ReportView(*form);
        QVERIFY(report.Line(report.LineCount() - 1)
                    .contains("the choice is kept for this run only: " + SettingsFile()));
        const QRect defaultGeometry = form->geometry();

        // Nothing was written, so the next run starts as the first did.
        form.reset();
        LANGUAGE::LangStrings->SelectLanguage(english);
        Open();
        VerifyDefaults(defaultGeometry);
    }
};

QTEST_MAIN(FormMainChoicesTest)
#include "form_main_choices_test.moc"
