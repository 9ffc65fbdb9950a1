#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"
#include "tests/support/binding_fixture.h"

#include <gtest/gtest.h>

namespace qmr {
namespace {

// Whatever a library answers, a poll ends, stays small and says which call gave what; only the
// answers that are sound are used.
TEST(HostileProvider, BrokenAnswersAreRefusedAndSaid) {
    test::RebindIpHelper(test::TestBinaryFolder() + "libqmr-test-provider-hostile.so");
    ASSERT_TRUE(IpHelperLoaded());
    const auto set = test::ScriptedProviderFunction<void (*)(int)>("QmrHostileProvider_Set");
    const struct {
        int hostility;
        std::uint32_t status;
        std::size_t devices;
        std::size_t ipv6;
        std::string said;
    } cases[] = {
        {0, ERROR_NOT_ENOUGH_MEMORY, 0, 0, "GetAdaptersInfo failed with status 8"},
        {1, ERROR_INVALID_DATA, 0, 0, "GetAdaptersInfo gave an answer that cannot be sound"},
        {2, ERROR_INVALID_DATA, 0, 0, "GetAdaptersInfo gave an answer that cannot be sound"},
        {3, ERROR_SUCCESS, 1, 0, "GetAdaptersAddresses gave an answer that cannot be sound"},
        {4, ERROR_SUCCESS, 1, 0, "GetAdaptersAddresses failed with status 8"},
        {5, ERROR_SUCCESS, 1, 0, "GetAdaptersAddresses gave an answer that cannot be sound"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hostility);
        set(c.hostility);
        TDeviceList devices;
        TPollFailures failures;
        EXPECT_EQ(ReadNetworkDevicesTellingFailures(devices, failures), c.status);
        ASSERT_EQ(devices.size(), c.devices);
        if (!devices.empty()) {
            EXPECT_EQ(devices[0]->m_Ipv6.Addresses.size(), c.ipv6);
            EXPECT_EQ(devices[0]->GetIpAddress(0), u"10.9.9.9"); // the sound answer still shows
        }
        EXPECT_EQ(failures.Text().substr(0, c.said.size()), c.said);
        EXPECT_EQ(DescribeNoAdapters(c.status, failures).empty(), c.status == ERROR_SUCCESS);
    }
    test::UnbindIpHelper();
}

} // namespace
} // namespace qmr
