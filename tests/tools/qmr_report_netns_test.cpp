// qmr-report --expert inside a private network namespace with one known link: a veth whose
// peer sits in a second namespace, three addresses (one a labelled alias), an interface alias,
// two default routes and a resolver file of its own. `ip` is the witness for what the kernel
// holds; the host's interfaces are never touched.

#include "program_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qmr::test {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = QMR_REPORT_PROGRAM;
const std::string kProvider = QMR_IPHELPER_PROVIDER;

bool UnderCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

// Runs `ip` with these arguments; an error names the command and what it said.
std::string Ip(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"ip"};
    argv.insert(argv.end(), args.begin(), args.end());
    const TProgramResult run = RunProgram(argv, {});
    if (run.ExitCode != 0) {
        std::string command;
        for (const std::string& a : argv) {
            command += a + " ";
        }
        throw std::runtime_error(command + "failed: " + run.Err);
    }
    return run.Out;
}

class QmrReportNamespace : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string pid = std::to_string(::getpid());
        m_Namespace = "qmrrep-" + pid;
        m_Peer = "qmrrep-" + pid + "-peer";
        if (::geteuid() != 0) {
            Unavailable("needs root to create network namespaces");
            return;
        }
        const TProgramResult added = RunProgram({"ip", "netns", "add", m_Namespace}, {});
        if (added.ExitCode != 0) {
            Unavailable("cannot create a network namespace: " + added.Err);
            return;
        }
        m_Created = true;
        Ip({"netns", "add", m_Peer});
        // resolv.conf of this namespace alone: `ip netns exec` mounts it over /etc/resolv.conf.
        m_ResolverFolder = fs::path("/etc/netns") / m_Namespace;
        fs::create_directories(m_ResolverFolder);
        std::ofstream(m_ResolverFolder / "resolv.conf")
            << "nameserver 10.77.0.53\nnameserver 10.77.0.54\n";

        Ip({"-n", m_Namespace, "link", "add", "qmrv0", "type", "veth", "peer", "name", "qmrp0",
            "netns", m_Peer});
        Ip({"-n", m_Namespace, "link", "set", "qmrv0", "address", "02:51:6d:72:00:01"});
        Ip({"-n", m_Namespace, "link", "set", "qmrv0", "alias", "Quillmere <b>& test"});
        // The link-local address is usable at once, not tentative for a second.
        Ip({"netns", "exec", m_Namespace, "sysctl", "-qw", "net.ipv6.conf.qmrv0.accept_dad=0"});
        Ip({"-n", m_Namespace, "link", "set", "lo", "up"});
        Ip({"-n", m_Namespace, "link", "set", "qmrv0", "up"});
        Ip({"-n", m_Peer, "link", "set", "qmrp0", "up"});
        Ip({"-n", m_Namespace, "addr", "add", "10.77.0.2/24", "dev", "qmrv0"});
        Ip({"-n", m_Namespace, "addr", "add", "10.77.0.3/24", "dev", "qmrv0", "label", "qmrv0:1"});
        Ip({"-n", m_Namespace, "addr", "add", "172.20.5.9/16", "dev", "qmrv0"});
        Ip({"-n", m_Namespace, "route", "add", "default", "via", "10.77.0.1"});
        Ip({"-n", m_Namespace, "route", "add", "default", "via", "10.77.0.254", "metric", "200"});
        Ip({"-n", m_Peer, "addr", "add", "10.77.0.1/24", "dev", "qmrp0"});
        Ip({"-n", m_Namespace, "addr", "add", "2001:db8:77::2/64", "dev", "qmrv0"});
        Ip({"-n", m_Namespace, "-6", "route", "add", "default", "via", "fe80::1", "dev", "qmrv0"});
        WaitForLinkUp();
    }

    void TearDown() override {
        if (!m_Created) {
            return;
        }
        RunProgram({"ip", "netns", "del", m_Namespace}, {});
        RunProgram({"ip", "netns", "del", m_Peer}, {});
        std::error_code ignored;
        fs::remove_all(m_ResolverFolder, ignored);
    }

    void Unavailable(const std::string& reason) {
        if (UnderCi()) {
            FAIL() << reason << " (CI=true: a skip would hide the test)";
        }
        GTEST_SKIP() << reason;
    }

    void WaitForLinkUp() {
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (Ip({"-n", m_Namespace, "-o", "link", "show", "qmrv0"}).find("state UP") !=
                std::string::npos) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        FAIL() << "qmrv0 did not come up";
    }

    // The IPv4 addresses of qmrv0 as `ip` lists them, with their masks.
    std::vector<std::pair<std::string, std::string>> WitnessAddresses() {
        std::vector<std::pair<std::string, std::string>> addresses;
        const std::string listing =
            Ip({"-n", m_Namespace, "-o", "-4", "addr", "show", "dev", "qmrv0"});
        const std::regex inet(R"(inet (\d+\.\d+\.\d+\.\d+)/(\d+))");
        for (std::sregex_iterator it(listing.begin(), listing.end(), inet), end; it != end; ++it) {
            const int prefix = std::stoi((*it)[2]);
            const std::uint32_t mask = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
            addresses.emplace_back((*it)[1], std::to_string(mask >> 24) + "." +
                                                 std::to_string((mask >> 16) & 0xFF) + "." +
                                                 std::to_string((mask >> 8) & 0xFF) + "." +
                                                 std::to_string(mask & 0xFF));
        }
        return addresses;
    }

    std::string m_Namespace;
    std::string m_Peer;
    fs::path m_ResolverFolder;
    bool m_Created = false;
};

TEST_F(QmrReportNamespace, ExpertReportOfTheOneLink) {
    ASSERT_TRUE(fs::exists(kProvider)) << kProvider;
    const auto witness = WitnessAddresses();
    ASSERT_EQ(witness.size(), 3u);

    const TProgramResult run =
        RunProgram({"ip", "netns", "exec", m_Namespace, kProgram, "--expert"},
                   {{"LC_ALL", std::nullopt},
                    {"LC_MESSAGES", std::nullopt},
                    {"LANG", "C"},
                    {"QMR_IPHELPER_LIBRARY", kProvider}});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const std::vector<std::string> lines = SplitLines(run.Out);

    // Loopback is left out, so the report is the veth's alone. The plain text carries the alias
    // as it stands, markup characters included.
    std::vector<std::string> expected = {
        "Network Interface:   Quillmere <b>& test",
        "Status:   Online",
        "MAC:   02-51-6D-72-00-01",
        "Speed:   10000 Mbps",
        "MTU:   1500",
        "Interface Type:   Ethernet",
        "Address Type:   Manual",
    };
    for (std::size_t i = 0; i < witness.size(); ++i) {
        expected.push_back("IP Address" + std::to_string(i + 1) + ":   " + witness[i].first);
        expected.push_back("IP Mask" + std::to_string(i + 1) + ":   " + witness[i].second);
    }
    expected.insert(expected.end(), {
                                        "Gateway1:   10.77.0.1",
                                        "Gateway2:   10.77.0.254",
                                        "DNS 1:   10.77.0.53",
                                        "DNS 2:   10.77.0.54",
                                        // Global before link-local, as the kernel lists them;
                                        // the link-local suffix is the MAC's EUI-64.
                                        "IPv6 Address1:   2001:db8:77::2/64",
                                        "IPv6 Address2:   fe80::51:6dff:fe72:1%qmrv0/64",
                                        "IPv6 Gateway:   fe80::1%qmrv0",
                                    });
    ASSERT_EQ(lines.size(), expected.size() + 11) << run.Out;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    }

    // The counters move with the link's own traffic; their lines keep their labels and form.
    const std::string grouped = R"((0|[1-9]\d{0,2}( \d{3})*))";
    const std::string labels[] = {"Input Octets",
                                  "Input Unicast Packets",
                                  "Input Broadcast/Multicast Packets",
                                  "Input Discard Packets",
                                  "Input Error Packets",
                                  "Output Octets",
                                  "Output Unicast Packets",
                                  "Output Broadcast/Multicast Packets",
                                  "Output Discard Packets",
                                  "Output Error Packets"};
    for (std::size_t i = 0; i < 10; ++i) {
        const std::string word = i % 5 == 0 ? " bytes?" : "";
        EXPECT_TRUE(std::regex_match(lines[expected.size() + i],
                                     std::regex(labels[i] + ":   " + grouped + word)))
            << lines[expected.size() + i];
    }
    EXPECT_EQ(lines.back(), "");
}

// A FIFO nobody writes at /etc/resolv.conf: the report comes at once, without DNS servers, and
// says on standard error which file it refused.
TEST_F(QmrReportNamespace, ResolverFifoIsRefusedAndSaid) {
    fs::remove(m_ResolverFolder / "resolv.conf");
    ASSERT_EQ(::mkfifo((m_ResolverFolder / "resolv.conf").c_str(), 0600), 0);
    const TProgramResult run =
        RunProgram({"timeout", "20", "ip", "netns", "exec", m_Namespace, kProgram, "--expert"},
                   {{"LANG", "C"}, {"QMR_IPHELPER_LIBRARY", kProvider}});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("IP Address1:   10.77.0.2"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Out.find("DNS 1:"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Err, "qmr-report: /etc/resolv.conf is not a regular file\n");
}

} // namespace
} // namespace qmr::test
