// qmr-bench-poll: what one poll of the window costs on Linux, against iproute2 on the same
// links. For 1, 64 and 512 links (veth pairs, peers in a second namespace, two IPv4 and two
// IPv6 addresses each, one default route of each family) it times qmr::TAdapterPoll, which
// is the window's poll (adapter records in one call with the room the last poll took, the
// one GetAdaptersAddresses call, the GetIfTable and GetIfTable2 calls and the friendly names),
// and in the same run, taking turns with it, `ip -s -d addr show` and `ip route show` in that
// namespace. Every figure is CPU time (user and system), the poll's of its thread, ip's of the
// whole process. Needs root.
//
//   build/<dir>/bin/qmr-bench-poll [--links 1,64,512] [--rounds N]

#include "network/adapter_poll.h"
#include "network/friendly_name_table.h"
#include "network/interface_row_tables.h"
#include "network/iphlpapi_binding.h"
#include "network/ipv6_facts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sched.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Runs the program with stdout drained through a pipe, as a reader of its output would;
// returns its exit status, and the CPU time it took (user and system, ms) in `cpuMs`.
int Run(const std::vector<std::string>& arguments, bool quiet = true, double* cpuMs = nullptr) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    char buffer[65536];
    while (spawned == 0 && ::read(pipeEnds[0], buffer, sizeof buffer) > 0) {
    }
    ::close(pipeEnds[0]);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + arguments[0]);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (cpuMs != nullptr) {
        *cpuMs = 1000.0 * (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void MustRun(const std::vector<std::string>& arguments) {
    if (Run(arguments, false) != 0) {
        std::string line;
        for (const std::string& argument : arguments) {
            line += argument + " ";
        }
        throw std::runtime_error("failed: " + line);
    }
}

// A namespace with `links` veth ends, their peers in a second namespace; deleted on exit.
// Whether some IPv6 address of the namespace still waits for duplicate address detection.
bool HasTentative(const std::string& ns) {
    FILE* out = ::popen(("ip -n " + ns + " -6 addr show tentative 2>/dev/null").c_str(), "r");
    if (out == nullptr) {
        return false;
    }
    char buffer[256];
    const bool any = std::fgets(buffer, sizeof buffer, out) != nullptr;
    ::pclose(out);
    return any;
}

class TBenchNamespace {
public:
    explicit TBenchNamespace(int links)
        : m_Name("qmr-bench-" + std::to_string(::getpid()) + "-" + std::to_string(links)),
          m_Peer(m_Name + "-peer") {
        MustRun({"ip", "netns", "add", m_Name});
        MustRun({"ip", "netns", "add", m_Peer});
        const std::string ours = "/tmp/" + m_Name + ".batch";
        const std::string theirs = "/tmp/" + m_Peer + ".batch";
        {
            std::ofstream near(ours);
            std::ofstream far(theirs);
            near << "link set lo up\n";
            for (int i = 0; i < links; ++i) {
                // Appended, not "v" + ...: GCC 12 at -O3 reports a false overlap
                // (-Werror=restrict) in the string insert that operator+ makes of it.
                std::string v = "v";
                v += std::to_string(i);
                std::string p = "p";
                p += std::to_string(i);
                const std::string third =
                    std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
                near << "link add " << v << " type veth peer name " << p << " netns " << m_Peer
                     << "\n"
                     << "addr add 10." << third << ".1/24 dev " << v << "\n"
                     << "addr add 10." << (100 + i / 250) << "." << (i % 250 + 1) << ".1/24 dev "
                     << v << "\n"
                     << "addr add 2001:db8:" << std::hex << i << "::1/64 dev " << v << " nodad\n"
                     << "addr add fd00:" << i << std::dec << "::1/64 dev " << v << " nodad\n"
                     << "link set " << v << " up\n";
                far << "link set " << p << " up\n";
            }
            near.flush();
        }
        // New namespaces may start with IPv6 off, as the host's defaults have it.
        for (const char* key : {"all", "default"}) {
            MustRun({"ip", "netns", "exec", m_Name, "sysctl", "-qw",
                     std::string("net.ipv6.conf.") + key + ".disable_ipv6=0"});
        }
        MustRun({"ip", "-n", m_Name, "-batch", ours});
        MustRun({"ip", "-n", m_Peer, "-batch", theirs});
        MustRun({"ip", "-n", m_Name, "route", "add", "default", "via", "10.0.1.254", "dev", "v0",
                 "metric", "100"});
        MustRun({"ip", "-n", m_Name, "-6", "route", "add", "default", "via", "fe80::1", "dev", "v0",
                 "metric", "100"});
        std::remove(ours.c_str());
        std::remove(theirs.c_str());
        // New links keep the kernel busy for a while (duplicate address detection, router and
        // listener reports, some of it under the lock that every dump takes): measure after.
        for (int i = 0; i < 100 && (HasTentative(m_Name) || HasTentative(m_Peer)); ++i) {
            ::usleep(100000);
        }
        ::sleep(2);
    }
    ~TBenchNamespace() {
        Run({"ip", "netns", "del", m_Name});
        Run({"ip", "netns", "del", m_Peer});
    }
    TBenchNamespace(const TBenchNamespace&) = delete;
    TBenchNamespace& operator=(const TBenchNamespace&) = delete;

    const std::string& Name() const { return m_Name; }

private:
    std::string m_Name;
    std::string m_Peer;
};

// Moves the calling thread into a namespace and back out when destroyed.
class TInsideNamespace {
public:
    explicit TInsideNamespace(const std::string& name) {
        m_Home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (m_Home < 0 || target < 0 || ::setns(target, CLONE_NEWNET) != 0) {
            throw std::runtime_error("cannot enter namespace " + name);
        }
        ::close(target);
    }
    ~TInsideNamespace() {
        ::setns(m_Home, CLONE_NEWNET);
        ::close(m_Home);
    }
    TInsideNamespace(const TInsideNamespace&) = delete;
    TInsideNamespace& operator=(const TInsideNamespace&) = delete;

private:
    int m_Home = -1;
};

struct TFigures {
    double Median = 0;
    double Best = 0;
};

TFigures Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

// The CPU time of the calling thread, kernel time in its system calls included: on a shared
// machine the wall clock counts other tenants' time as well.
double ThreadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return 1000.0 * now.tv_sec + now.tv_nsec / 1e6;
}

template <typename Work> double CpuMsOf(Work work) {
    const double start = ThreadCpuMs();
    work();
    return ThreadCpuMs() - start;
}

template <typename Work> TFigures Measure(int rounds, Work work) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        ms.push_back(CpuMsOf(work));
    }
    return Summarise(std::move(ms));
}

// The poll's parts, each timed on its own over every adapter: where a poll spends its time.
struct TBreakdown {
    TFigures Adapters;
    TFigures Rows;
    TFigures Names;
    TFigures Addresses;
};

// With room for `size` bytes (the last answer's, as the window's poll starts), again with the
// size asked for when that is too little.
std::vector<std::uint64_t> ReadAdapterBuffer(ULONG& size) {
    size = std::max<ULONG>(size, qmr::kFirstAdaptersInfoRoom);
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    ULONG status = qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
    if (status == ERROR_BUFFER_OVERFLOW) {
        buffer.assign((size + 7) / 8, 0);
        status = qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
    }
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("GetAdaptersInfo answered " + std::to_string(status));
    }
    return buffer;
}

TBreakdown MeasureBreakdown(int rounds) {
    ULONG size = 0;
    const std::vector<std::uint64_t> records = ReadAdapterBuffer(size);
    std::vector<std::uint32_t> indexes;
    for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(records.data()); a != nullptr;
         a = a->Next) {
        indexes.push_back(a->Index);
    }
    TBreakdown b;
    b.Adapters = Measure(rounds, [&] { ReadAdapterBuffer(size); });
    b.Rows = Measure(rounds, [&] { qmr::TInterfaceRowTables rows(indexes.size()); });
    const qmr::TInterfaceRowTables rows(indexes.size());
    b.Names = Measure(rounds, [&] {
        qmr::ReadFriendlyNameTable(reinterpret_cast<const IP_ADAPTER_INFO*>(records.data()),
                                   rows.Rows2());
    });
    b.Addresses = Measure(rounds, [&] { qmr::ReadAddressesAnswer(indexes.size()); });
    return b;
}

struct TResult {
    int Links = 0;
    TFigures Poll;
    TBreakdown Parts;
    TFigures IpAddr;
    TFigures IpRoute;
    std::size_t Devices = 0;
};

TResult Bench(int links, int rounds) {
    TBenchNamespace space(links);
    TResult result;
    result.Links = links;
    // Everything from inside the namespace: `ip` inherits it, and the provider keeps the one
    // socket and cache it has there, as in the window.
    TInsideNamespace inside(space.Name());
    // As the window polls: the devices of one poll are filled again by the next.
    qmr::TAdapterPoll read;
    qmr::TDeviceList devices;
    auto poll = [&] {
        qmr::TPollFailures failures;
        read(devices, failures);
        result.Devices = devices.size();
    };
    const std::vector<std::string> addr = {"ip", "-s", "-d", "addr", "show"};
    const std::vector<std::string> route = {"ip", "route", "show"};
    for (int i = 0; i < 3; ++i) {
        poll();
        Run(addr);
    }
    result.Parts = MeasureBreakdown(rounds);
    // The poll and `ip` take turns, so that both meet the same state of the machine.
    std::vector<double> polls;
    std::vector<double> addrs;
    std::vector<double> routes;
    for (int i = 0; i < rounds; ++i) {
        polls.push_back(CpuMsOf(poll));
        addrs.emplace_back();
        Run(addr, true, &addrs.back());
        routes.emplace_back();
        Run(route, true, &routes.back());
    }
    result.Poll = Summarise(polls);
    result.IpAddr = Summarise(addrs);
    result.IpRoute = Summarise(routes);
    return result;
}

std::vector<int> ParseLinks(const char* text) {
    std::vector<int> links;
    for (const char* p = text; *p != '\0';) {
        char* end = nullptr;
        const long value = std::strtol(p, &end, 10);
        if (end == p || value < 1 || value > 4000) {
            throw std::runtime_error("--links takes numbers from 1 to 4000 separated by commas");
        }
        links.push_back(static_cast<int>(value));
        p = *end == ',' ? end + 1 : end;
    }
    return links;
}

} // namespace

int main(int argc, char** argv) {
    try {
        std::vector<int> linkCounts = {1, 64, 512};
        int rounds = 0;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--links") == 0 && i + 1 < argc) {
                linkCounts = ParseLinks(argv[++i]);
            } else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
                rounds = std::max(1, std::atoi(argv[++i]));
            } else {
                std::fprintf(stderr, "usage: %s [--links 1,64,512] [--rounds N]\n", argv[0]);
                return 2;
            }
        }
        if (::geteuid() != 0) {
            std::fprintf(stderr, "qmr-bench-poll needs root: it creates network namespaces\n");
            return 1;
        }
        std::printf("CPU time, medians of the runs (best: the poll's least)\n");
        std::printf("%6s %8s %12s %12s %14s %12s %12s %10s\n", "links", "devices", "poll ms",
                    "per link us", "ip addr ms", "ip route ms", "poll/ipaddr", "best ms");
        std::vector<TResult> results;
        for (const int links : linkCounts) {
            const int n = rounds > 0 ? rounds : std::clamp(4000 / (links + 10), 15, 200);
            const TResult r = Bench(links, n);
            results.push_back(r);
            std::printf("%6d %8zu %12.3f %12.2f %14.3f %12.3f %12.2f %10.3f\n", r.Links, r.Devices,
                        r.Poll.Median, 1000.0 * r.Poll.Median / r.Links, r.IpAddr.Median,
                        r.IpRoute.Median, r.Poll.Median / r.IpAddr.Median, r.Poll.Best);
            std::fflush(stdout);
        }
        // "model": what the poll spends beyond the library calls (device construction and the
        // friendly-name search), the poll's median less the parts' medians.
        std::printf(
            "\nparts of one poll, median ms (records: the GetAdaptersInfo call; rows: the"
            " GetIfTable and GetIfTable2 calls;\nnames: the friendly-name table made of their"
            " rows; addresses: the one GetAdaptersAddresses call with\nthe IPv6 facts and DNS"
            " servers made of it)\n"
            "%6s %10s %10s %10s %10s %10s\n",
            "links", "records", "rows", "names", "addresses", "model");
        for (const TResult& r : results) {
            const TBreakdown& p = r.Parts;
            const double parts =
                p.Adapters.Median + p.Rows.Median + p.Names.Median + p.Addresses.Median;
            std::printf("%6d %10.3f %10.3f %10.3f %10.3f %10.3f\n", r.Links, p.Adapters.Median,
                        p.Rows.Median, p.Names.Median, p.Addresses.Median, r.Poll.Median - parts);
        }
        std::printf("\n");
        const auto find = [&](int links) -> const TResult* {
            for (const TResult& r : results) {
                if (r.Links == links) {
                    return &r;
                }
            }
            return nullptr;
        };
        if (const TResult* big = find(512)) {
            const double share = big->Poll.Median / big->IpAddr.Median;
            std::printf("512-link poll %.3f ms against one `ip -s -d addr show` %.3f ms: %.2fx (%s"
                        " 0.7x)\n",
                        big->Poll.Median, big->IpAddr.Median, share,
                        share <= 0.7 ? "within" : "ABOVE");
            if (const TResult* mid = find(64)) {
                const double ratio = (big->Poll.Median / 512) / (mid->Poll.Median / 64);
                std::printf("per-link cost at 512 / at 64: %.2f (%s 1.2)\n", ratio,
                            ratio <= 1.2 ? "within" : "ABOVE");
            }
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qmr-bench-poll: %s\n", error.what());
        return 1;
    }
}
