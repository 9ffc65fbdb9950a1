// qmr-report: prints the plain-text report of every network adapter, as the window copies it
// to the clipboard, in the user's language, or all their facts as JSON for scripts. Exit
// status: 0 printed, 1 bad arguments, no adapter of the name asked for, or a failed read of the
// adapters, 2 the IP helper library could not be loaded.

#include "base/executable_path.h"
#include "base/utf16_text.h"
#include "network/adapter_filter.h"
#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"
#include "report/json_report.h"
#include "report/report_lines.h"
#include "shell/language_file_location.h"
#include "shell/platform_queries.h"
#include "shell/startup.h"
#include "shell/version_application.h"
#include "tools/report_console.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitPrinted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitNoIpHelper = 2;

using TDevices = std::vector<const qmr::TModelNetworkDevice*>;

struct TOptions {
    bool Expert = false;
    bool Json = false;
    bool Physical = false;
    std::optional<std::u16string> Adapter;
};

void Print(std::FILE* stream, const std::u16string& text) {
    const std::string bytes = qmr::Utf16ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void PrintError(const std::u16string& programName, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", qmr::Utf16ToUtf8(programName).c_str(), message.c_str());
}

std::u16string UsageText(const std::u16string& programName) {
    return u"Usage: " + programName + u" [--expert] [--help]\n" +
           std::u16string(programName.size() + 7, u' ') + programName +
           u" [--expert | --json] [--physical] [--adapter NAME]\n"
           u"\n"
           u"Prints the report of every network adapter, as the window copies it.\n"
           u"\n"
           u"  --expert        every address, gateway, DNS and WINS server and all counters\n"
           u"  --json          every fact as one JSON document, for scripts\n"
           u"  --physical      hardware adapters only, no virtual ones\n"
           u"  --adapter NAME  only the adapter with this caption or interface name\n"
           u"  --help          this text\n";
}

// Nothing (and a message on standard error) when the arguments are not understood.
std::optional<TOptions> ParseOptions(const std::vector<std::u16string>& args,
                                     const std::u16string& programName, bool& help) {
    TOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::u16string& a = args[i];
        if (a == u"--help") {
            help = true;
        } else if (a == u"--expert") {
            options.Expert = true;
        } else if (a == u"--json") {
            options.Json = true;
        } else if (a == u"--physical") {
            options.Physical = true;
        } else if (a == u"--adapter" && i + 1 < args.size()) {
            options.Adapter = args[++i];
        } else {
            const std::u16string what =
                a == u"--adapter" ? u"--adapter needs a name" : u"unknown argument '" + a + u"'";
            Print(stderr, programName + u": " + what + u"\n" + UsageText(programName));
            return std::nullopt;
        }
    }
    return options;
}

TDevices SelectDevices(const qmr::TDeviceList& all, const TOptions& options) {
    TDevices chosen;
    for (const auto& device : all) {
        if (!qmr::IsAdapterShown(*device, !options.Physical)) {
            continue;
        }
        if (options.Adapter && *options.Adapter != device->m_FriendlyName &&
            *options.Adapter != device->m_AdapterName && *options.Adapter != device->m_IfName) {
            continue;
        }
        chosen.push_back(device.get());
    }
    return chosen;
}

void PrintReport(const TDevices& devices, const TOptions& options) {
    if (options.Json) {
        VERAPP::TVersionApplication version;
        std::fputs(qmr::BuildJsonReport(devices, qmr::Utf16ToUtf8(version.m_FileVersion)).c_str(),
                   stdout);
        std::fputc('\n', stdout);
        return;
    }
    const auto build = options.Expert ? qmr::BuildExpertReportText : qmr::BuildReportText;
    // Written adapter by adapter through the same few buffers: hundreds of adapters make a
    // report of megabytes that need never be held whole, and every fresh page costs a fault.
    qmr::TLineList lines;
    std::u16string text;
    const auto write = [&] {
        text.clear();
        for (const std::u16string& line : lines) {
            text += line;
            text += u'\n';
        }
        Print(stdout, text);
        lines.clear();
    };
    for (const qmr::TModelNetworkDevice* device : devices) {
        build(&lines, device, {});
        write();
    }
    if (devices.empty()) {
        build(&lines, nullptr, {});
        write();
    }
}

int Run(const std::vector<std::u16string>& args) {
    const std::u16string programName = qmr::FileNameOfPath(args.at(0));
    bool help = false;
    const std::optional<TOptions> options = ParseOptions(args, programName, help);
    if (help) {
        Print(stdout, UsageText(programName));
        return kExitPrinted;
    }
    if (!options) {
        return kExitFailed;
    }

    const std::u16string languageFile = qmr::LanguageFileLocation(qmr::FolderOfPath(args[0]));
    if (const std::string whyNot = qmr::LoadLanguageFile(languageFile); !whyNot.empty()) {
        PrintError(programName,
                   qmr::Utf16ToUtf8(languageFile) + " " + whyNot + "; the built-in texts are used");
    }
    qmr::SelectFirstLanguage(qmr::GetUserDefaultUILanguage());

    if (!qmr::LoadIpHelper()) {
        PrintReport({}, *options);
        std::fflush(stdout);
        PrintError(programName, qmr::IpHelperLoadFailureReason());
        qmr::ReleaseIpHelper();
        return kExitNoIpHelper;
    }
    qmr::TDeviceList devices;
    qmr::TPollFailures failures;
    const std::uint32_t status = qmr::ReadNetworkDevicesTellingFailures(devices, failures);
    // Asked while the library that refused them is still loaded.
    const std::string refused = qmr::StateFileProblems();
    qmr::ReleaseIpHelper();

    const TDevices chosen = SelectDevices(devices, *options);
    if (options->Adapter && chosen.empty() && status == ERROR_SUCCESS) {
        PrintError(programName, "no adapter has the caption or interface name '" +
                                    qmr::Utf16ToUtf8(*options->Adapter) + "'");
        return kExitFailed;
    }
    PrintReport(chosen, *options);
    std::fflush(stdout);
    if (!refused.empty()) {
        PrintError(programName, refused);
    }
    // A library without the entry points a poll needs answers 50: say which are missing.
    const std::string problem =
        status == ERROR_NOT_SUPPORTED ? qmr::IpHelperProblem() : std::string();
    if (!problem.empty()) {
        PrintError(programName, problem);
    } else {
        // Every call that failed, also where the rest of the poll went on (no IPv6 facts).
        for (const qmr::TCallFailure& failure : failures.Calls) {
            qmr::TPollFailures one;
            one.Calls.push_back(failure);
            PrintError(programName, one.Text());
        }
    }
    if (status != ERROR_SUCCESS && status != ERROR_NO_DATA) {
        if (problem.empty() && failures.Calls.empty()) {
            PrintError(programName,
                       "reading the adapters failed with status " + std::to_string(status));
        }
        return kExitFailed;
    }
    return kExitPrinted;
}

} // namespace

int main(int argc, char** argv) {
    qmr::PrepareOneShotMemory();
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
