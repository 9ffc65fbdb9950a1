// The default-route reader against route messages the kernel would not send (the witness tests
// give it those it does): it must read neither past a message nor past a next hop.

#include "provider/route_replies.h"

#include <gtest/gtest.h>
#include <netlink/attr.h>
#include <netlink/msg.h>

#include <arpa/inet.h>
#include <functional>
#include <linux/rtnetlink.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using qmr::DefaultRouteHops;

struct TRouteMessage {
    nl_msg* Message;
    explicit TRouteMessage(unsigned char table) : Message(nlmsg_alloc_simple(RTM_NEWROUTE, 0)) {
        rtmsg header{};
        header.rtm_family = AF_INET;
        header.rtm_table = table;
        header.rtm_type = RTN_UNICAST;
        nlmsg_append(Message, &header, sizeof header, NLMSG_ALIGNTO);
    }
    ~TRouteMessage() { nlmsg_free(Message); }
    void Gateway(const char* text) {
        in_addr address{};
        inet_pton(AF_INET, text, &address);
        nla_put(Message, RTA_GATEWAY, sizeof address, &address);
    }
    // One next hop of RTA_MULTIPATH, claiming `extra` bytes beyond what it holds.
    void Hop(int link, const char* gateway, int extra = 0) {
        auto* hop = static_cast<rtnexthop*>(nlmsg_reserve(Message, sizeof(rtnexthop), NLA_ALIGNTO));
        hop->rtnh_ifindex = link;
        Gateway(gateway);
        const auto* end = static_cast<const char*>(nlmsg_tail(nlmsg_hdr(Message)));
        hop->rtnh_len = static_cast<unsigned short>(end - reinterpret_cast<char*>(hop) + extra);
    }
};

std::vector<std::pair<int, std::string>> Hops(nl_msg* message) {
    std::vector<std::pair<int, std::string>> hops;
    for (const qmr::TDefaultRouteHop& hop : DefaultRouteHops(nlmsg_hdr(message), AF_INET)) {
        char text[INET_ADDRSTRLEN] = "-";
        if (hop.Gateway != nullptr && nla_len(hop.Gateway) == 4) {
            inet_ntop(AF_INET, nla_data(hop.Gateway), text, sizeof text);
        }
        hops.emplace_back(static_cast<int>(hop.LinkIndex), text);
        EXPECT_EQ(hop.Metric, 7u);
    }
    return hops;
}

TEST(DefaultRouteHops, ReadsEachNextHopAndNothingPastTheMessage) {
    using THops = std::vector<std::pair<int, std::string>>;
    const struct {
        const char* what;
        unsigned char table;
        std::function<void(TRouteMessage&)> fill;
        THops expected;
    } cases[] = {
        {"the table attribute names the main table",
         RT_TABLE_COMPAT,
         [](TRouteMessage& m) {
             nla_put_u32(m.Message, RTA_TABLE, RT_TABLE_MAIN);
             m.Gateway("10.0.0.1");
         },
         {{0, "10.0.0.1"}}},
        {"the table attribute names another table",
         RT_TABLE_MAIN,
         [](TRouteMessage& m) {
             nla_put_u32(m.Message, RTA_TABLE, 1000);
             m.Gateway("10.0.0.1");
         },
         {}},
        {"a hop longer than the list ends it",
         RT_TABLE_MAIN,
         [](TRouteMessage& m) {
             nlattr* list = nla_nest_start(m.Message, RTA_MULTIPATH);
             m.Hop(3, "10.0.0.1");
             m.Hop(4, "10.0.1.1", 64);
             nla_nest_end(m.Message, list);
         },
         {{3, "10.0.0.1"}}},
        {"a hop with a malformed attribute drops the route",
         RT_TABLE_MAIN,
         [](TRouteMessage& m) {
             nlattr* list = nla_nest_start(m.Message, RTA_MULTIPATH);
             m.Hop(3, "10.0.0.1");
             auto* hop = static_cast<rtnexthop*>(nlmsg_reserve(m.Message, sizeof(rtnexthop), 4));
             hop->rtnh_ifindex = 4;
             const std::uint16_t half = 1;
             nla_put(m.Message, RTA_OIF, sizeof half, &half); // a u32 of two bytes
             hop->rtnh_len = sizeof(rtnexthop) + NLA_HDRLEN + 4;
             nla_nest_end(m.Message, list);
         },
         {}},
        {"a second metric of two bytes drops the route",
         RT_TABLE_MAIN,
         [](TRouteMessage& m) {
             const std::uint16_t half = 7;
             nla_put(m.Message, RTA_PRIORITY, sizeof half, &half);
             m.Gateway("10.0.0.1");
         },
         {}},
    };
    for (const auto& c : cases) {
        TRouteMessage message(c.table);
        nla_put_u32(message.Message, RTA_PRIORITY, 7);
        c.fill(message);
        EXPECT_EQ(Hops(message.Message), c.expected) << c.what;
    }
}

} // namespace
