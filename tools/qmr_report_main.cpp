// qmr-report: prints the plain-text report of every network adapter, as the window copies it
// to the clipboard, in the user's language. Exit status: 0 printed, 1 bad arguments or a
// failed read of the adapters, 2 the IP helper library could not be loaded.

#include "base/executable_path.h"
#include "base/utf16_text.h"
#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"
#include "report/report_lines.h"
#include "shell/language_file_location.h"
#include "shell/platform_queries.h"
#include "shell/startup.h"
#include "tools/report_console.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr int kExitPrinted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitNoIpHelper = 2;

void Print(std::FILE* stream, const std::u16string& text) {
    const std::string bytes = qmr::Utf16ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void PrintLines(const qmr::TLineList& lines) {
    for (const std::u16string& line : lines) {
        Print(stdout, line);
        std::fputc('\n', stdout);
    }
}

std::u16string UsageText(const std::u16string& programName) {
    return u"Usage: " + programName +
           u" [--expert] [--help]\n"
           u"\n"
           u"Prints the report of every network adapter, as the window copies it.\n"
           u"\n"
           u"  --expert   every address, gateway, DNS and WINS server and all counters\n"
           u"  --help     this text\n";
}

int Run(const std::vector<std::u16string>& args) {
    const std::u16string programName = qmr::FileNameOfPath(args.at(0));
    bool expert = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == u"--help") {
            Print(stdout, UsageText(programName));
            return kExitPrinted;
        }
        if (args[i] == u"--expert") {
            expert = true;
            continue;
        }
        Print(stderr,
              programName + u": unknown argument '" + args[i] + u"'\n" + UsageText(programName));
        return kExitFailed;
    }

    const std::u16string languageFile = qmr::LanguageFileLocation(qmr::FolderOfPath(args[0]));
    if (const std::string whyNot = qmr::LoadLanguageFile(languageFile); !whyNot.empty()) {
        std::fprintf(stderr, "%s: %s %s; the built-in texts are used\n",
                     qmr::Utf16ToUtf8(programName).c_str(), qmr::Utf16ToUtf8(languageFile).c_str(),
                     whyNot.c_str());
    }
    qmr::SelectFirstLanguage(qmr::GetUserDefaultUILanguage());
    const auto build = expert ? qmr::BuildExpertReportText : qmr::BuildReportText;

    const bool loaded = qmr::LoadIpHelper();
    if (!loaded) {
        const std::string reason = qmr::IpHelperLoadFailureReason();
        qmr::TLineList lines;
        build(&lines, nullptr);
        PrintLines(lines);
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s\n", qmr::Utf16ToUtf8(programName).c_str(), reason.c_str());
        qmr::ReleaseIpHelper();
        return kExitNoIpHelper;
    }

    qmr::TDeviceList devices;
    const std::uint32_t status = qmr::ReadNetworkDevices(devices);
    qmr::ReleaseIpHelper();
    qmr::TLineList lines;
    for (const auto& device : devices) {
        build(&lines, device.get());
    }
    if (devices.empty()) {
        build(&lines, nullptr);
    }
    PrintLines(lines);
    std::fflush(stdout);
    if (status != ERROR_SUCCESS && status != ERROR_NO_DATA) {
        // A library without the entry points a poll needs answers 50: say which are missing.
        const std::string problem = qmr::IpHelperProblem();
        if (status == ERROR_NOT_SUPPORTED && !problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", qmr::Utf16ToUtf8(programName).c_str(),
                         problem.c_str());
        } else {
            std::fprintf(stderr, "%s: reading the adapters failed with status %u\n",
                         qmr::Utf16ToUtf8(programName).c_str(), static_cast<unsigned>(status));
        }
        return kExitFailed;
    }
    return kExitPrinted;
}

} // namespace

int main(int argc, char** argv) {
    qmr::PrepareConsoleOutput();
    try {
        const int code = Run(qmr::CommandLineArguments(argc, argv));
        std::fflush(stdout);
        return code;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "qmr-report: %s\n", error.what());
        return kExitFailed;
    }
}
