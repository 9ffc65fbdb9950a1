// The entry point of the window program: start-up with Qt as its user-interface framework.

#include "shell/about_text.h"
#include "shell/headless_start.h"
#include "shell/platform_queries.h"
#include "shell/startup.h"
#include "ui/form_main.h"
#include "ui/picture_store.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>

namespace {

// Errors that reach the event dispatch are shown, and the loop goes on.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowError(QString::fromUtf8(e.what()));
        } catch (...) {
            ShowError(QString());
        }
        return false;
    }

    static void ShowError(const QString& message) {
        QMessageBox::critical(nullptr, QCoreApplication::applicationName(), message);
    }
};

class TQtStartupUi : public qmr::TStartupUi {
public:
    TQtStartupUi(TApplication& app, std::vector<std::u16string> args)
        : m_App(app), m_Args(std::move(args)) {}

    void SetApplicationTitle(const std::u16string& title) override {
        QCoreApplication::setApplicationName(QString::fromStdU16String(title));
    }
    void ShowMessageBox(const std::u16string& text, const std::u16string& caption) override {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdU16String(caption),
                        QString::fromStdU16String(text), QMessageBox::Ok);
        box.exec();
    }
    void RunMainWindow() override {
        qmr::TFormMain window(nullptr, m_Args, qmr::BuildAboutText);
        window.show();
        m_App.exec();
    }
    void ShowException(const std::u16string& message) override {
        TApplication::ShowError(QString::fromStdU16String(message));
    }

private:
    TApplication& m_App;
    std::vector<std::u16string> m_Args;
};

} // namespace

int main(int argc, char** argv) {
    // Our arguments are read before Qt sees them: QApplication takes its own options (-style,
    // -reverse, -platform, ...) out of argv and would eat or misread ours.
    const std::vector<std::u16string> args = qmr::CommandLineArguments(argc, argv);
    // Qt aborts where the display it is told of has no server; it is asked first.
    if (const std::string why = qmr::WhyNoWindowDisplay(); !why.empty()) {
        return qmr::RunWithoutDisplay(args, std::cout, std::cerr, why);
    }
    // Qt gets the program's name alone, so no argument can change the window's behaviour.
    char programName[] = "qmr";
    char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : programName, nullptr};
    int qtArgc = 1;
    TApplication app(qtArgc, qtArgv);
    QApplication::setWindowIcon(qmr::ApplicationIcon());
    // The window has a taskbar button of its own; closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(true);
    TQtStartupUi ui(app, args);
    qmr::RunStartup(args, ui);
    return 0;
}
