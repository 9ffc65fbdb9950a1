#pragma once
// What the window's tests share: the scripted provider's controls, three adapters, and the
// window under test with the moments (poll, idle) that drive it. State is reached only through
// TFormMainTestAccess.

#include "lang/lang_strings.h"
#include "network/iphlpapi_binding.h"
#include "shell/about_text.h"
#include "tests/support/binding_fixture.h"
#include "tests/support/scripted_provider.h"
#include "ui/form_main.h"
#include "ui/form_main_test_access.h"

#include <QEventLoop>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

namespace formtest {

using qmr::TFormMain;
using Access = qmr::TFormMainTestAccess;

template <typename Fn> Fn Control(const char* name) {
    return qmr::test::ScriptedProviderFunction<Fn>(name);
}

inline void Serve(std::initializer_list<QmrTestAdapter> adapters) {
    const std::vector<QmrTestAdapter> list(adapters);
    Control<decltype(&QmrTestProvider_SetAdapters)>("QmrTestProvider_SetAdapters")(
        list.data(), static_cast<int>(list.size()));
}

inline void PushAnswer(ULONG status, ULONG size) {
    Control<decltype(&QmrTestProvider_PushAdaptersInfoAnswer)>(
        "QmrTestProvider_PushAdaptersInfoAnswer")(status, size);
}

// The captions of the adapter items, heading excluded.
inline QStringList Captions(const TFormMain& form) {
    QStringList out;
    for (int i = 1; i < Access::List(form).Count(); ++i) {
        out << Access::List(form).Item(i)->Caption;
    }
    return out;
}

inline QString Selected(const TFormMain& form) {
    const qmr::TPolyListItem* item = Access::List(form).SelectedItem();
    return item != nullptr ? item->Caption : QString();
}

// The report's first line holds the device name.
inline QString ReportName(const TFormMain& form) {
    const qmr::THTMLStaticText& view = Access::ReportView(form);
    return view.LineCount() > 0 ? view.Line(0) : QString();
}

inline const QmrTestAdapter A = MakeTestAdapter("alpha", 2, "10.0.0.2");
inline const QmrTestAdapter B = MakeTestAdapter("bravo", 3, "10.0.0.3");
inline const QmrTestAdapter C = MakeTestAdapter("charlie", 4, "10.0.0.4");

// The window under test; a test class calls SetUp and TearDown from its init and cleanup.
class FormMainFixture {
protected:
    std::unique_ptr<TFormMain> form;
    QStringList shown; // message boxes the window asked for: "caption|text"
    // Where the window's remembered choices go: a folder of the test's own, never the user's.
    std::unique_ptr<QTemporaryDir> configHome;

    QString SettingsFile() const { return configHome->filePath("Quillmere/Quillmere.conf"); }

    void SetUp() {
        configHome = std::make_unique<QTemporaryDir>();
        QVERIFY(configHome->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome->path());
        qmr::test::RebindIpHelper(qmr::test::TestBinaryFolder() + "libqmr-test-provider.so");
        QVERIFY(qmr::IpHelperLoaded());
        Control<decltype(&QmrTestProvider_Reset)>("QmrTestProvider_Reset")();
        LANGUAGE::LangStrings.reset(new LANGUAGE::TLangStrings);
        shown.clear();
        // The window remembers its choices; in a folder of the test's own, every test from none.
        qputenv("XDG_CONFIG_HOME", configHome->path().toLocal8Bit());
    }
    void TearDown() {
        form.reset();
        qmr::test::UnbindIpHelper();
    }

    void Open(std::vector<std::u16string> args = {}) {
        form = std::make_unique<TFormMain>(nullptr, std::move(args), qmr::BuildAboutText);
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
};

} // namespace formtest
