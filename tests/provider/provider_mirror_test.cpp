// The provider keeps each thread's view of the kernel between calls and follows the kernel's
// notices: every kind of change made between two calls of one thread shows at the second, just
// as a thread asking for the first time (a new mirror, filled from dumps) sees it. And the
// mirror itself: notices lost to a full buffer make it dump again, to what iproute2 sees.

#include "network/iphlpapi_binding.h"
#include "provider/kernel_mirror.h"
#include "provider_namespace_fixture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <memory>
#include <net/if.h>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qmr {
namespace {

std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        out += static_cast<char>(*text);
    }
    return out;
}

std::string SocketText(const SOCKET_ADDRESS& address) {
    char text[INET6_ADDRSTRLEN] = "?";
    if (address.lpSockaddr == nullptr) {
        return text;
    }
    if (address.lpSockaddr->sa_family == WS_AF_INET) {
        const auto* in = reinterpret_cast<const SOCKADDR_IN*>(address.lpSockaddr);
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        return text;
    }
    const auto* in6 = reinterpret_cast<const SOCKADDR_IN6*>(address.lpSockaddr);
    ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    return std::string(text) + "%" + std::to_string(in6->sin6_scope_id);
}

// What the calling thread is told of every link by the three kinds of call the poll makes,
// counters and lifetimes left out (they move by themselves).
std::string Picture() {
    std::ostringstream out;
    ULONG size = 0;
    std::vector<std::uint64_t> info;
    ULONG status = qmr::GetAdaptersInfo(nullptr, &size);
    while (status == 111) {
        info.assign(size / 8 + 1, 0);
        status = qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(info.data()), &size);
    }
    EXPECT_EQ(status, 0u);
    for (auto* a = status == 0 ? reinterpret_cast<const IP_ADAPTER_INFO*>(info.data()) : nullptr;
         a != nullptr; a = a->Next) {
        out << "info " << a->Index << ' ' << a->AdapterName << ' ' << a->Description;
        for (const IP_ADDR_STRING* s = &a->IpAddressList; s != nullptr; s = s->Next) {
            out << ' ' << s->IpAddress.String << '/' << s->IpMask.String;
        }
        for (const IP_ADDR_STRING* s = &a->GatewayList; s != nullptr; s = s->Next) {
            out << " via " << s->IpAddress.String;
        }
        out << '\n';
    }

    size = 0;
    std::vector<std::uint64_t> addresses;
    status = qmr::GetAdaptersAddresses(WS_AF_UNSPEC, GAA_FLAG_INCLUDE_GATEWAYS, nullptr, nullptr,
                                       &size);
    while (status == 111) {
        addresses.assign(size / 8 + 1, 0);
        status = qmr::GetAdaptersAddresses(
            WS_AF_UNSPEC, GAA_FLAG_INCLUDE_GATEWAYS, nullptr,
            reinterpret_cast<PIP_ADAPTER_ADDRESSES>(addresses.data()), &size);
    }
    EXPECT_EQ(status, 0u);
    for (auto* a = status == 0 ? reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(addresses.data())
                               : nullptr;
         a != nullptr; a = a->Next) {
        out << "addresses " << a->IfIndex << ' ' << a->AdapterName << " '"
            << Narrow(a->FriendlyName) << "' " << Narrow(a->Description) << " mtu " << a->Mtu
            << " type " << a->IfType << " oper " << a->OperStatus << " speed "
            << a->TransmitLinkSpeed;
        for (auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
            out << ' ' << SocketText(u->Address) << '/' << int{u->OnLinkPrefixLength} << " dad "
                << u->DadState;
        }
        for (auto* g = a->FirstGatewayAddress; g != nullptr; g = g->Next) {
            out << " via " << SocketText(g->Address);
        }
        out << '\n';
    }

    PMIB_IF_TABLE2 table = nullptr;
    EXPECT_EQ(qmr::GetIfTable2(&table), 0u);
    for (ULONG i = 0; table != nullptr && i < table->NumEntries; ++i) {
        const MIB_IF_ROW2& row = table->Table[i];
        out << "row " << row.InterfaceIndex << " '" << Narrow(row.Alias) << "' "
            << Narrow(row.Description) << " admin " << row.AdminStatus << " oper "
            << row.OperStatus << " media " << row.MediaConnectState << " mtu " << row.Mtu << '\n';
    }
    qmr::FreeMibTable(table);
    return out.str();
}

// Each kind of change, made between two calls of one thread.
TEST_F(ProviderNamespace, EveryKindOfChangeShowsAtTheNextCall) {
    // Addresses come and go at once, without duplicate detection keeping them tentative.
    ASSERT_EQ(Shell("ip netns exec " + ns + " sysctl -qw net.ipv6.conf.all.accept_dad=0 " +
                    "net.ipv6.conf.default.accept_dad=0"),
              0);
    Ip("link add lan index 40 type veth peer name lan-far netns " + far);
    Ip("link add spare index 41 type veth peer name spare-far netns " + far);
    Ip("link add mover type veth peer name mover-far netns " + far);
    ASSERT_EQ(Shell("ip -n " + far + " link set lan-far up"), 0);
    Ip("link set lan up");
    Ip("addr add 10.40.0.2/24 dev lan");
    Ip("addr add 10.40.1.2/24 dev lan");
    Ip("addr add 2001:db8:40::2/64 dev lan");
    Ip("route add default via 10.40.0.1 dev lan metric 10");
    Ip("route add default via 10.40.1.1 dev lan metric 20");
    // In the order made; NS and FAR stand for the two namespaces.
    const struct {
        const char* what;
        const char* change;
    } cases[] = {
        {"alias", "ip -n NS link set lan alias Office"},
        {"MTU", "ip -n NS link set lan mtu 1400"},
        {"IPv4 address added", "ip -n NS addr add 10.40.2.2/24 dev lan"},
        // The route through 10.40.1.1 goes with it, of which the kernel says nothing.
        {"IPv4 address removed", "ip -n NS addr del 10.40.1.2/24 dev lan"},
        {"IPv6 address added", "ip -n NS addr add 2001:db8:41::2/64 dev lan"},
        {"address deprecated", "ip -n NS addr change 2001:db8:40::2/64 dev lan preferred_lft 0"},
        {"IPv6 address removed", "ip -n NS addr del 2001:db8:40::2/64 dev lan"},
        {"default route added", "ip -n NS route add default via 10.40.0.254 dev lan metric 5"},
        {"default route re-metric'd",
         "printf 'route del default via 10.40.0.1 dev lan metric 10\\n"
         "route add default via 10.40.0.1 dev lan metric 3\\n' | ip -n NS -batch -"},
        {"default route removed", "ip -n NS route del default via 10.40.0.254 dev lan metric 5"},
        // The last default route goes with the link's last IPv4 address, again without a word.
        {"every IPv4 address removed", "ip -n NS -4 addr flush dev lan"},
        {"IPv6 default route added", "ip -n NS -6 route add default via fe80::1 dev lan metric 7"},
        {"carrier lost", "ip -n FAR link set lan-far down"},
        {"link up", "ip -n NS link set spare up"},
        {"link down", "ip -n NS link set spare down"},
        {"renamed", "ip -n NS link set spare name sparer"},
        {"link made again as another kind",
         "printf 'link del sparer\\nlink add spare index 41 type bridge\\n' | ip -n NS -batch -"},
        {"link moved away", "ip -n NS link set mover netns FAR"},
    };
    for (const auto& c : cases) {
        std::string change = c.change;
        for (const auto& [mark, name] : {std::pair{"NS", ns}, std::pair{"FAR", far}}) {
            for (std::size_t at; (at = change.find(mark)) != std::string::npos;) {
                change.replace(at, std::string(mark).size(), name);
            }
        }
        Inside([&] {
            const std::string before = Picture();
            ASSERT_EQ(Shell(change), 0) << c.what;
            // A link's operational state follows its flags and carrier within a second, with
            // a notice of its own.
            ::usleep(1'200'000);
            const std::string after = Picture();
            EXPECT_NE(after, before) << c.what << ": the change went unseen";
            // A thread of its own asks for the first time, so its answer is dumped afresh.
            std::string fresh;
            std::thread([&] {
                const int fd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
                ASSERT_EQ(::setns(fd, CLONE_NEWNET), 0);
                ::close(fd);
                fresh = Picture();
            }).join();
            EXPECT_EQ(after, fresh) << c.what;
        });
    }
}

// What a shell command prints.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r"); pipe != nullptr) {
        char block[4096];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, pipe)) > 0;) {
            text.append(block, n);
        }
        ::pclose(pipe);
    }
    return text;
}

// Counters change without notice: every call that answers them reads them, and they match what
// iproute2 reads right after.
TEST_F(ProviderNamespace, CountersAreReadAtEveryCall) {
    // Without IPv6 the links send nothing of their own (no router solicitations).
    for (const std::string& space : {ns, far}) {
        ASSERT_EQ(Shell("ip netns exec " + space + " sysctl -qw net.ipv6.conf.all.disable_ipv6=1 " +
                        "net.ipv6.conf.default.disable_ipv6=1"),
                  0);
    }
    Ip("link add near type veth peer name yonder netns " + far);
    Ip("addr add 10.50.0.1/24 dev near");
    ASSERT_EQ(Shell("ip -n " + far + " addr add 10.50.0.2/24 dev yonder"), 0);
    ASSERT_EQ(Shell("ip -n " + far + " link set yonder up"), 0);
    Ip("link set near up");
    Inside([&] {
        const std::uint32_t index = ::if_nametoindex("near");
        ASSERT_NE(index, 0u);
        MIB_IF_ROW2 before{};
        before.InterfaceIndex = index;
        ASSERT_EQ(qmr::GetIfEntry2(&before), 0u);
        ASSERT_EQ(Shell("ip netns exec " + far + " ping -c 3 -i 0.2 -W 1 10.50.0.1"), 0);
        const std::string witness = Output(
            "ip -n " + ns + " -s -j link show near | python3 -c 'import json, sys; "
            "s = json.load(sys.stdin)[0][\"stats64\"]; print(s[\"rx\"][\"bytes\"], "
            "s[\"tx\"][\"bytes\"])'");
        MIB_IF_ROW2 row{};
        row.InterfaceIndex = index;
        ASSERT_EQ(qmr::GetIfEntry2(&row), 0u);
        EXPECT_GT(row.InOctets, before.InOctets + 3 * 84);
        EXPECT_EQ(std::to_string(row.InOctets) + " " + std::to_string(row.OutOctets) + "\n",
                  witness);
        PMIB_IF_TABLE2 table = nullptr;
        ASSERT_EQ(qmr::GetIfTable2(&table), 0u);
        for (ULONG i = 0; i < table->NumEntries; ++i) {
            if (table->Table[i].InterfaceIndex == index) {
                EXPECT_EQ(table->Table[i].InOctets, row.InOctets);
                EXPECT_EQ(table->Table[i].OutOctets, row.OutOctets);
            }
        }
        qmr::FreeMibTable(table);
        MIB_IFROW narrow{};
        narrow.dwIndex = index;
        ASSERT_EQ(qmr::GetIfEntry(&narrow), 0u);
        EXPECT_EQ(narrow.dwInOctets, static_cast<DWORD>(row.InOctets));
    });
}

// The links, addresses and routes iproute2 lists, in its order, as lines like the mirror's.
std::string IpLines(const std::string& ns) {
    const std::string command =
        "ip -n " + ns + " -j addr show | python3 -c '"
        "import json, sys\n"
        "for link in json.load(sys.stdin):\n"
        "    print(link[\"ifindex\"], link[\"ifname\"], link[\"mtu\"])\n"
        "    for a in link.get(\"addr_info\", []):\n"
        "        print(\" \", a[\"local\"], a[\"prefixlen\"])\n"
        "'";
    return Output(command);
}

std::string MirrorLines(const TKernelMirror& mirror) {
    std::string text;
    for (const auto& [index, link] : mirror.Links()) {
        text += std::to_string(index) + " " + link.Facts.Name + " " +
                std::to_string(link.Facts.Mtu) + "\n";
        for (const auto* list : {&link.Ipv4, &link.Ipv6}) {
            for (const TKeptAddress& address : *list) {
                char shown[INET6_ADDRSTRLEN] = "";
                ::inet_ntop(address.Facts.Address.Family, address.Facts.Address.Bytes.data(),
                            shown, sizeof shown);
                text += std::string("  ") + shown + " " +
                        std::to_string(address.Facts.PrefixLength) + "\n";
            }
        }
    }
    return text;
}

// Twenty thousand changes overflow the smallest buffer many times over: the mirror must notice
// that it lost notices and read everything again rather than answer from what it has.
TEST_F(ProviderNamespace, NoticesLostToAFullBufferMakeTheMirrorReadEverythingAgain) {
    Ip("link add wide type veth peer name wide-far netns " + far);
    Ip("link set lo up");
    Ip("link set wide up");
    std::string batch;
    for (int i = 0; i < 12000; ++i) {
        batch += "addr add 10." + std::to_string(100 + i / 250) + "." + std::to_string(i % 250) +
                 ".1/32 dev wide\n";
    }
    for (int i = 0; i < 8000; ++i) {
        batch += "addr del 10." + std::to_string(100 + i / 250) + "." + std::to_string(i % 250) +
                 ".1/32 dev wide\n";
    }
    Inside([&] {
        TRouteSocket socket;
        TKernelMirror mirror(1024); // the kernel makes the least it allows of it
        mirror.Refresh(socket, HundredthsSinceBoot());
        ASSERT_EQ(mirror.Fills(), 1u);
        FILE* ip = ::popen(("ip -n " + ns + " -batch - >/dev/null").c_str(), "w");
        ASSERT_NE(ip, nullptr);
        std::fwrite(batch.data(), 1, batch.size(), ip);
        ASSERT_EQ(::pclose(ip), 0);

        mirror.Refresh(socket, HundredthsSinceBoot());
        EXPECT_EQ(mirror.Fills(), 2u) << "the overrun went unnoticed";
        const std::string seen = MirrorLines(mirror);
        EXPECT_EQ(seen, IpLines(ns));
        EXPECT_NE(seen.find("10.147.249.1 32"), std::string::npos);
        EXPECT_EQ(seen.find("10.100.0.1 32"), std::string::npos);
    });
}

// A link with an address, and `check` run inside the namespace on a mirror that has heard the
// last of the link's coming up.
class QuietMirror : public ProviderNamespace {
protected:
    template <typename Check> void WithSettledMirror(Check check) {
        Ip("link add quiet type veth peer name quiet-far netns " + far);
        Ip("link set quiet up");
        Ip("addr add 10.9.0.2/24 dev quiet");
        Inside([&] {
            TRouteSocket socket;
            TKernelMirror mirror;
            mirror.Refresh(socket, HundredthsSinceBoot());
            // The link's own notices of coming up may still be on their way.
            ::usleep(200'000);
            mirror.Refresh(socket, HundredthsSinceBoot());
            check(socket, mirror);
        });
    }
};

// Where nothing changed, the next refresh asks the kernel nothing: no dump of links, addresses
// or routes.
TEST_F(QuietMirror, AMirrorWithNothingToHearOfAsksTheKernelNothing) {
    WithSettledMirror([&](TRouteSocket& socket, TKernelMirror& mirror) {
        const std::size_t asked = socket.Requests();
        for (int i = 0; i < 5; ++i) {
            mirror.Refresh(socket, HundredthsSinceBoot());
        }
        EXPECT_EQ(socket.Requests(), asked);
        EXPECT_EQ(mirror.Fills(), 1u);
        ASSERT_EQ(Shell("ip -n " + ns + " addr add 10.9.1.2/24 dev quiet"), 0);
        mirror.Refresh(socket, HundredthsSinceBoot());
        // One dump of that link's IPv4 addresses, nothing more.
        EXPECT_EQ(socket.Requests(), asked + 1);
        EXPECT_EQ(MirrorLines(mirror), IpLines(ns));
    });
}

// Notices of what the mirror does not keep (routes of other tables, routes to a subnet) ask the
// kernel nothing and leave the mirror as it was.
TEST_F(QuietMirror, NoticesOfWhatTheMirrorDoesNotKeepAskTheKernelNothing) {
    WithSettledMirror([&](TRouteSocket& socket, TKernelMirror& mirror) {
        for (const char* change :
             {"route add default via 10.9.0.1 table 100", "-6 route add default dev quiet table 100",
              "route add default via 10.9.0.1 table 1000", "route add 10.20.0.0/16 via 10.9.0.1"}) {
            const std::size_t asked = socket.Requests();
            ASSERT_EQ(Shell("ip -n " + ns + " " + change), 0) << change;
            ::usleep(50'000);
            mirror.Refresh(socket, HundredthsSinceBoot());
            EXPECT_EQ(socket.Requests(), asked) << change;
        }
        EXPECT_EQ(mirror.Fills(), 1u);
        EXPECT_TRUE(mirror.DefaultRoutes(AF_INET).empty());
        EXPECT_TRUE(mirror.DefaultRoutes(AF_INET6).empty());
        // A default route of the main table is still heard of.
        const std::size_t asked = socket.Requests();
        ASSERT_EQ(Shell("ip -n " + ns + " route add default via 10.9.0.1"), 0);
        mirror.Refresh(socket, HundredthsSinceBoot());
        EXPECT_EQ(socket.Requests(), asked + 1);
        EXPECT_EQ(mirror.DefaultRoutes(AF_INET).size(), 1u);
    });
}

} // namespace
} // namespace qmr
