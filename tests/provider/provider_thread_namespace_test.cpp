// The provider's per-thread socket: a thread that moves between namespaces, and a child forked
// after the library has answered, are each answered from the namespace they are in; and
// thousands of polls while links come and go.

#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"
#include "provider/dns_servers.h"
#include "provider_namespace_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <net/if.h>
#include <sched.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qmr {
namespace {

// The names of the adapters GetAdaptersInfo reports to the calling thread.
std::set<std::string> AdapterNames() {
    ULONG size = 0;
    std::set<std::string> names;
    if (qmr::GetAdaptersInfo(nullptr, &size) != 111) {
        return names;
    }
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    if (qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size) != 0) {
        return names;
    }
    for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a != nullptr;
         a = a->Next) {
        names.insert(a->AdapterName);
    }
    return names;
}

// The name in the interface row of the index, as the calling thread is told it.
std::string RowName(std::uint32_t index) {
    MIB_IFROW row{};
    row.dwIndex = index;
    if (qmr::GetIfEntry(&row) != 0) {
        return "<none>";
    }
    std::string name;
    for (const WCHAR* c = row.wszName; *c != 0; ++c) {
        name += static_cast<char>(*c);
    }
    return name;
}

bool EnterNamespace(const std::string& name) {
    const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return entered;
}

// The library keeps a socket per thread between calls; a thread that moves is still answered
// from the namespace it is in at each call.
TEST_F(ProviderNamespace, AThreadThatMovesIsAnsweredFromItsNewNamespace) {
    Ip("link add near type veth peer name yonder netns " + far);
    Ip("link set near up");
    // The inode of the calling thread's namespace, as the library reads it for each call.
    const auto inode = [] {
        struct stat status {};
        return ::stat("/proc/thread-self/ns/net", &status) == 0 ? status.st_ino : 0;
    };
    const std::string mainThread = "/proc/" + std::to_string(::getpid()) + "/ns/net";
    std::thread([&] {
        ASSERT_TRUE(SharesNetworkNamespaceOf(mainThread, inode()));
        ASSERT_TRUE(EnterNamespace(ns));
        // Whether resolved's files speak for this namespace is asked of the thread's, not the
        // main thread's, namespace, and not answered as it was where the thread was before.
        EXPECT_FALSE(SharesNetworkNamespaceOf(mainThread, inode()));
        const std::uint32_t nearIndex = ::if_nametoindex("near");
        ASSERT_NE(nearIndex, 0u);
        EXPECT_EQ(AdapterNames(), (std::set<std::string>{"lo", "near"}));
        EXPECT_EQ(RowName(nearIndex), "near");

        ASSERT_TRUE(EnterNamespace(far));
        EXPECT_EQ(AdapterNames(), (std::set<std::string>{"lo", "yonder"}));
        const std::uint32_t yonderIndex = ::if_nametoindex("yonder");
        ASSERT_NE(yonderIndex, 0u);
        EXPECT_EQ(RowName(yonderIndex), "yonder");
        if (yonderIndex != nearIndex) {
            EXPECT_NE(RowName(nearIndex), "near");
        }

        ASSERT_TRUE(EnterNamespace(ns));
        EXPECT_EQ(RowName(nearIndex), "near");
    }).join();
}

// A child forked after the library has answered asks on a socket of its own: sharing the
// parent's, each would read answers meant for the other.
TEST_F(ProviderNamespace, AForkedChildAndItsParentAreAnsweredApart) {
    Ip("link add near type veth peer name yonder netns " + far);
    Inside([&] {
        const std::uint32_t nearIndex = ::if_nametoindex("near");
        ASSERT_NE(nearIndex, 0u);
        ASSERT_EQ(RowName(nearIndex), "near");
        constexpr int kRounds = 400;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int wrong = 0;
            for (int i = 0; i < kRounds; ++i) {
                wrong += RowName(1) != "lo";
            }
            ::_exit(wrong == 0 ? 0 : 1);
        }
        int wrong = 0;
        for (int i = 0; i < kRounds; ++i) {
            wrong += RowName(nearIndex) != "near";
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(wrong, 0) << "the parent read answers that were not its own";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "the child read answers that were not its own";
    });
}

// A shell loop of our own that adds and deletes links in the namespace until stopped.
class TLinkChurn {
public:
    TLinkChurn(const std::string& ns, const std::string& folder) {
        const std::string add = folder + "/" + ns + "-churn-add",
                          del = folder + "/" + ns + "-churn-del";
        std::ofstream adds(add), dels(del);
        for (int i = 0; i < 6; ++i) {
            const std::string n = std::to_string(i);
            adds << "link add churn" << n << " type veth peer name churnp" << n << "\n"
                 << "addr add 10.99." << n << ".1/24 dev churn" << n << "\n"
                 << "addr add 10.98." << n << ".1/24 dev churn" << n << "\n"
                 << "link set churn" << n << " up\n"
                 << "route add default via 10.99." << n << ".254 dev churn" << n << " metric "
                 << (100 + i) << "\n";
            dels << "link del churn" << n << "\n";
        }
        adds.close();
        dels.close();
        m_Child = ::fork();
        if (m_Child == 0) {
            ::setpgid(0, 0);
            const std::string loop = "while :; do ip -n " + ns + " -force -batch " + add +
                                     "; ip -n " + ns + " -force -batch " + del +
                                     "; done >/dev/null 2>&1";
            ::execl("/bin/sh", "sh", "-c", loop.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Set on both sides, so that the group exists whichever runs first.
        if (m_Child > 0) {
            ::setpgid(m_Child, m_Child);
        }
    }
    ~TLinkChurn() {
        if (m_Child > 0) {
            ::kill(-m_Child, SIGTERM);
            ::kill(m_Child, SIGTERM);
            ::waitpid(m_Child, nullptr, 0);
        }
    }
    TLinkChurn(const TLinkChurn&) = delete;
    TLinkChurn& operator=(const TLinkChurn&) = delete;
    bool Started() const { return m_Child > 0; }

private:
    pid_t m_Child = -1;
};

TEST_F(ProviderNamespace, ThousandsOfPollsWhileLinksComeAndGo) {
    const std::string folder = ::testing::TempDir();
    TLinkChurn churn(ns, folder);
    ASSERT_TRUE(churn.Started());
    constexpr int kPolls = 2000;
    int complete = 0;
    std::set<std::size_t> adapterCounts;
    Inside([&] {
        for (int poll = 0; poll < kPolls; ++poll) {
            // The raw size protocol, the buffer exactly as large as asked for.
            ULONG size = 640;
            auto buffer = std::make_unique<unsigned char[]>(size);
            ULONG status =
                qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.get()), &size);
            if (status == 111) {
                buffer = std::make_unique<unsigned char[]>(size);
                status =
                    qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.get()), &size);
            }
            ASSERT_TRUE(status == 0 || status == 111) << status;
            if (status == 0) {
                ++complete;
                const std::vector<std::uint32_t> indexes = WalkRecords(buffer.get(), size);
                adapterCounts.insert(indexes.size());
                for (const std::uint32_t index : indexes) {
                    MIB_IFROW row{};
                    row.dwIndex = index;
                    const DWORD rowStatus = qmr::GetIfEntry(&row);
                    EXPECT_TRUE(rowStatus == 0 || rowStatus == 13) << rowStatus;
                    if (rowStatus == 0) {
                        EXPECT_EQ(row.dwIndex, index);
                    }
                }
            }
            // And the window's whole poll.
            TDeviceList devices;
            const std::uint32_t pollStatus = ReadNetworkDevices(devices);
            EXPECT_TRUE(pollStatus == 0 || pollStatus == 111) << pollStatus;
        }
    });
    EXPECT_GT(complete, kPolls / 2);
    EXPECT_GT(adapterCounts.size(), 1u) << "the links never changed while polling";
}

} // namespace
} // namespace qmr
