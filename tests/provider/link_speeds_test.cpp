// The links' speeds from one ethtool dump against each link's own ioctl, in a private namespace.

#include "provider/link_speeds.h"
#include "provider_namespace_fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace qmr {
namespace {

TEST_F(ProviderNamespace, TheSpeedDumpTellsWhatEachLinksIoctlTells) {
    Ip("link add fast type veth peer name fast-far netns " + far);
    Ip("link set fast up");
    Ip("link add idle type veth peer name idle-far netns " + far);
    Ip("tuntap add mode tap name tap0");
    Ip("link set tap0 up");
    Ip("link set lo up");
    Inside([&] {
        TRouteSocket socket;
        ASSERT_TRUE(socket.DumpLinkSpeeds()) << "ethtool's netlink family could not be asked";
        TLinkSpeeds dumped(socket, true);
        TLinkSpeeds asked(socket, false);
        std::map<std::string, std::uint64_t> speeds;
        for (const TLinkFacts& link : socket.DumpLinks()) {
            speeds[link.Name] = dumped.Of(link);
            EXPECT_EQ(speeds[link.Name], asked.Of(link)) << link.Name;
        }
        // A link set down has negotiated nothing; loopback's driver knows no speed.
        EXPECT_EQ(speeds.size(), 4u);
        EXPECT_EQ(speeds["fast"], 10'000'000'000u);
        EXPECT_NE(speeds["tap0"], 0u);
        EXPECT_EQ(speeds["idle"], 0u);
        EXPECT_EQ(speeds["lo"], 0u);
    });
}

} // namespace
} // namespace qmr
