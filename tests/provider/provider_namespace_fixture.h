#pragma once
// A private network namespace (and a far one for veth peers) per test, made and removed with
// iproute2, a way to call the provider from a thread inside it, and a check of the records'
// layout.

#include "network/iphlpapi_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qmr {

inline int Shell(const std::string& command) {
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
inline std::vector<std::uint32_t> WalkRecords(const void* buffer, std::size_t size) {
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

} // namespace qmr
