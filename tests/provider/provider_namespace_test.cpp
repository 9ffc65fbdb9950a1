// The provider library as the program loads it, called from a thread inside a private network
// namespace: the size protocol at the edges of the buffer, the interface table, and polling
// while links come and go.

#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <net/if.h>
#include <sched.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qmr {
namespace {

int Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

class ProviderNamespace : public ::testing::Test {
protected:
    const std::string ns = "qmr-pv-" + std::to_string(::getpid());
    const std::string far = ns + "-far";

    void SetUp() override {
        if (Shell("ip netns add " + ns) != 0) {
            const char* ci = std::getenv("CI");
            if (ci != nullptr && std::string(ci) == "true") {
                FAIL() << "cannot create a network namespace (root needed)";
            }
            GTEST_SKIP() << "cannot create a network namespace (root needed)";
        }
        ASSERT_EQ(Shell("ip netns add " + far), 0);
    }
    void TearDown() override {
        Shell("ip netns del " + ns);
        Shell("ip netns del " + far);
    }
    void Ip(const std::string& arguments) {
        ASSERT_EQ(Shell("ip -n " + ns + " " + arguments), 0) << arguments;
    }

    // setns moves only the calling thread, so the test's own thread stays where it was.
    template <typename Work> void Inside(Work work) {
        std::thread([&] {
            const int fd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::setns(fd, CLONE_NEWNET), 0);
            ::close(fd);
            work();
        }).join();
    }
};

// Every record and every further address node lies inside the buffer; the records come in
// ifindex order. Returns the indexes.
std::vector<std::uint32_t> WalkRecords(const void* buffer, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer);
    const auto inside = [&](const void* p, std::size_t object) {
        const auto at = reinterpret_cast<std::uintptr_t>(p);
        return at >= begin && at + object <= begin + size && (at - begin) % 8 == 0;
    };
    std::vector<std::uint32_t> indexes;
    for (auto* a = static_cast<const IP_ADAPTER_INFO*>(buffer); a != nullptr; a = a->Next) {
        EXPECT_TRUE(inside(a, sizeof *a)) << "record outside the buffer";
        if (!inside(a, sizeof *a) || indexes.size() > size / sizeof *a) {
            break;
        }
        EXPECT_TRUE(indexes.empty() || a->Index > indexes.back());
        EXPECT_NE(a->AdapterName[0], '\0');
        EXPECT_NE(a->Description[0], '\0');
        for (const IP_ADDR_STRING* chain : {&a->IpAddressList, &a->GatewayList}) {
            for (const IP_ADDR_STRING* node = chain->Next; node != nullptr; node = node->Next) {
                EXPECT_TRUE(inside(node, sizeof *node)) << "address node outside the buffer";
                if (!inside(node, sizeof *node)) {
                    break;
                }
            }
        }
        indexes.push_back(a->Index);
    }
    return indexes;
}

std::unique_ptr<unsigned char[]> Filled(std::size_t size) {
    std::unique_ptr<unsigned char[]> block(new unsigned char[size]);
    std::fill(block.get(), block.get() + size, 0xA5);
    return block;
}

bool Untouched(const unsigned char* block, std::size_t size) {
    return std::all_of(block, block + size, [](unsigned char b) { return b == 0xA5; });
}

TEST_F(ProviderNamespace, TooSmallBuffersGetTheExactSizeAndStayUntouched) {
    Ip("link add wide type veth peer name wide-far netns " + far);
    for (int i = 1; i <= 5; ++i) {
        Ip("addr add 10.7." + std::to_string(i) + ".2/24 dev wide");
    }
    Ip("link set wide up");
    Ip("route add default via 10.7.1.1 dev wide metric 10");
    Ip("route add default via 10.7.2.1 dev wide metric 20");
    Inside([&] {
        ULONG size = 0;
        ASSERT_EQ(qmr::GetAdaptersInfo(nullptr, &size), 111u);
        // lo and wide; four more addresses and one more gateway.
        ASSERT_EQ(size, 2 * sizeof(IP_ADAPTER_INFO) + 5 * sizeof(IP_ADDR_STRING));
        EXPECT_EQ(
            qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(Filled(8).get()), nullptr),
            87u);
        for (const ULONG small : {ULONG{0}, ULONG{1}, ULONG{640}, ULONG{704}, size - 1}) {
            auto block = Filled(size);
            ULONG asked = small;
            EXPECT_EQ(qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(block.get()), &asked),
                      111u);
            EXPECT_EQ(asked, size);
            EXPECT_TRUE(Untouched(block.get(), size)) << "written with room for " << small;
        }
        // Exactly the size: the heap block ends there, so a write past it is caught.
        auto exact = Filled(size);
        ULONG asked = size;
        ASSERT_EQ(qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(exact.get()), &asked),
                  0u);
        EXPECT_EQ(WalkRecords(exact.get(), size).size(), 2u);

        MIB_IFROW row{};
        row.dwIndex = 0x7FFFFFF0u;
        EXPECT_EQ(qmr::GetIfEntry(&row), 13u);
        EXPECT_EQ(qmr::GetIfEntry(nullptr), 87u);
        MIB_IF_ROW2 row2{};
        row2.InterfaceIndex = 0x7FFFFFF0u;
        EXPECT_EQ(qmr::GetIfEntry2(&row2), 2u);

        const ULONG lo = 1;
        ULONG perSize = 52;
        auto per = Filled(sizeof(IP_PER_ADAPTER_INFO));
        ASSERT_EQ(
            qmr::GetPerAdapterInfo(lo, reinterpret_cast<PIP_PER_ADAPTER_INFO>(per.get()), &perSize),
            111u);
        EXPECT_GE(perSize, sizeof(IP_PER_ADAPTER_INFO));
        EXPECT_TRUE(Untouched(per.get(), sizeof(IP_PER_ADAPTER_INFO)));
        auto perExact = Filled(perSize);
        EXPECT_EQ(qmr::GetPerAdapterInfo(lo, reinterpret_cast<PIP_PER_ADAPTER_INFO>(perExact.get()),
                                         &perSize),
                  0u);
        EXPECT_NE(qmr::GetPerAdapterInfo(0x7FFFFFF0u,
                                         reinterpret_cast<PIP_PER_ADAPTER_INFO>(perExact.get()),
                                         &perSize),
                  0u);
        EXPECT_EQ(qmr::GetPerAdapterInfo(lo, nullptr, nullptr), 87u);
    });
}

// One block holds every link's row, in ifindex order, each as GetIfEntry2 fills it.
TEST_F(ProviderNamespace, InterfaceTableHasEveryLinksRowInIndexOrder) {
    Ip("link add office type veth peer name office-far netns " + far);
    Ip("link set office alias 'Office LAN'");
    ASSERT_EQ(Shell("ip -n " + far + " link set office-far up"), 0);
    Ip("link set office up");
    Ip("link add plain type veth peer name plain-far netns " + far);
    Ip("link add br0 type bridge");
    Ip("link set br0 up");
    // The carrier comes a moment after the link is set up; the two readings must not straddle it.
    ASSERT_EQ(Shell("for i in $(seq 50); do ip -n " + ns +
                    " link show office | grep -q 'state UP' && exit 0; sleep 0.1; done; exit 1"),
              0);
    Inside([&] {
        std::vector<std::uint32_t> indexes;
        struct if_nameindex* names = ::if_nameindex();
        ASSERT_NE(names, nullptr);
        for (const struct if_nameindex* n = names; n->if_index != 0; ++n) {
            indexes.push_back(n->if_index);
        }
        ::if_freenameindex(names);
        std::sort(indexes.begin(), indexes.end());

        PMIB_IF_TABLE2 table = nullptr;
        ASSERT_EQ(qmr::GetIfTable2(&table), 0u);
        ASSERT_NE(table, nullptr);
        std::vector<std::uint32_t> listed;
        for (const MIB_IF_ROW2* row = table->Table; row != table->Table + table->NumEntries;
             ++row) {
            listed.push_back(row->InterfaceIndex);
            MIB_IF_ROW2 single{};
            single.InterfaceIndex = row->InterfaceIndex;
            ASSERT_EQ(qmr::GetIfEntry2(&single), 0u);
            EXPECT_EQ(std::u16string(row->Alias), std::u16string(single.Alias));
            EXPECT_EQ(std::u16string(row->Description), std::u16string(single.Description));
            EXPECT_EQ(row->Type, single.Type);
            EXPECT_EQ(row->OperStatus, single.OperStatus) << row->InterfaceIndex;
            ASSERT_EQ(row->PhysicalAddressLength, single.PhysicalAddressLength);
            EXPECT_TRUE(std::equal(row->PhysicalAddress,
                                   row->PhysicalAddress + row->PhysicalAddressLength,
                                   single.PhysicalAddress));
        }
        qmr::FreeMibTable(table);
        EXPECT_EQ(listed, indexes); // lo, office, plain, br0
        qmr::FreeMibTable(nullptr);
        EXPECT_EQ(qmr::GetIfTable2(nullptr), 87u);
    });
}

// The link's description as the poll, GetIfEntry2, GetIfTable2 and GAA tell it.
std::vector<std::u16string> DescriptionsOf(std::uint32_t index) {
    std::vector<std::u16string> seen;
    TDeviceList devices;
    EXPECT_EQ(ReadNetworkDevices(devices), 0u);
    for (const auto& device : devices) {
        if (device->m_Index == index) {
            seen.push_back(device->m_Description);
            seen.push_back(device->m_IfDescription);
        }
    }
    MIB_IF_ROW2 row{};
    row.InterfaceIndex = index;
    EXPECT_EQ(qmr::GetIfEntry2(&row), 0u);
    seen.emplace_back(row.Description);
    PMIB_IF_TABLE2 table = nullptr;
    EXPECT_EQ(qmr::GetIfTable2(&table), 0u);
    for (ULONG i = 0; table != nullptr && i < table->NumEntries; ++i) {
        if (table->Table[i].InterfaceIndex == index) {
            seen.emplace_back(table->Table[i].Description);
        }
    }
    qmr::FreeMibTable(table);
    ULONG size = 64 * 1024;
    std::vector<std::uint64_t> buffer(size / 8);
    auto* first = reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data());
    EXPECT_EQ(qmr::GetAdaptersAddresses(WS_AF_UNSPEC, 0, nullptr, first, &size), 0u);
    for (const IP_ADAPTER_ADDRESSES* a = first; a != nullptr; a = a->Next) {
        if (a->IfIndex == index) {
            seen.emplace_back(a->Description);
        }
    }
    return seen;
}

// What is kept of a link dies with it: made again as another kind, it reads as that kind.
TEST_F(ProviderNamespace, ALinkMadeAgainWithAnotherKindIsDescribedByItsNewKind) {
    Ip("link add remade index 4242 type veth peer name remade-far netns " + far);
    Inside([&] {
        EXPECT_EQ(DescriptionsOf(4242), std::vector<std::u16string>(5, u"veth"));
        ASSERT_EQ(Shell("ip -n " + ns + " link del remade"), 0);
        ASSERT_EQ(Shell("ip -n " + ns + " link add remade index 4242 type bridge"), 0);
        EXPECT_EQ(DescriptionsOf(4242), std::vector<std::u16string>(5, u"bridge"));
    });
}

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
    std::thread([&] {
        ASSERT_TRUE(EnterNamespace(ns));
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
