// The Linux friendly-name table, read through the provider from inside a private namespace.

#include "network/friendly_name_table.h"
#include "network/iphlpapi_binding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qmr {
namespace {

int Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// A private network namespace with a veth pair (peer in a second namespace), one end carrying
// an alias, the other none.
class AliasNamespace : public ::testing::Test {
protected:
    const std::string ns = "qmr-fn-" + std::to_string(::getpid());
    const std::string peer = ns + "-peer";

    void SetUp() override {
        if (Shell("ip netns add " + ns) != 0) {
            if (std::getenv("CI") != nullptr && std::string(std::getenv("CI")) == "true") {
                FAIL() << "cannot create a network namespace (root needed)";
            }
            GTEST_SKIP() << "cannot create a network namespace (root needed)";
        }
        Shell("ip netns add " + peer);
        ASSERT_EQ(Shell("ip -n " + ns + " link add office type veth peer name far netns " + peer),
                  0);
        ASSERT_EQ(Shell("ip -n " + ns + " link set office alias 'Office LAN <1>'"), 0);
        ASSERT_EQ(Shell("ip -n " + ns + " link add plain type veth peer name far2 netns " + peer),
                  0);
    }
    void TearDown() override {
        Shell("ip netns del " + ns);
        Shell("ip netns del " + peer);
    }

    TFriendlyNameTable ReadInside() {
        TFriendlyNameTable table;
        // setns moves only the calling thread, so the test's own thread stays where it was.
        std::thread([&] {
            const int fd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0) {
                // The poll's adapter records, which name the links the table's rows describe.
                ULONG size = 0;
                if (qmr::GetAdaptersInfo(nullptr, &size) == ERROR_BUFFER_OVERFLOW) {
                    std::vector<std::uint64_t> records((size + 7) / 8);
                    auto* first = reinterpret_cast<PIP_ADAPTER_INFO>(records.data());
                    if (qmr::GetAdaptersInfo(first, &size) == ERROR_SUCCESS) {
                        table = ReadFriendlyNameTable(first);
                    }
                }
            }
            if (fd >= 0) {
                ::close(fd);
            }
        }).join();
        return table;
    }
};

TEST_F(AliasNamespace, EveryLinkGivesItsAliasOrItsName) {
    const TFriendlyNameTable table = ReadInside();
    ASSERT_EQ(table.size(), 3u); // lo, office, plain
    EXPECT_EQ(table[0].ServiceName, u"lo");
    EXPECT_EQ(table[0].Description, u"lo");
    EXPECT_EQ(table[1].ServiceName, u"office");
    EXPECT_EQ(table[1].Description, u"Office LAN <1>");
    EXPECT_EQ(table[2].ServiceName, u"plain");
    EXPECT_EQ(table[2].Description, u"plain");
}

} // namespace
} // namespace qmr
