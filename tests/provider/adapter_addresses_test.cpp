#include "network/adapter_details.h"
#include "provider/adapter_addresses.h"
#include "provider/dns_servers.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <linux/if_addr.h>
#include <sys/socket.h>

namespace qmr {
namespace {

const std::vector<std::uint8_t> kMac = {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

TIpAddress Address(const char* text) {
    TIpAddress a;
    a.Family = std::strchr(text, ':') != nullptr ? AF_INET6 : AF_INET;
    EXPECT_EQ(::inet_pton(a.Family, text, a.Bytes.data()), 1) << text;
    return a;
}

TEST(DescribeUnicast, OriginsAndStatesFollowTheKernelsFlags) {
    const struct {
        const char* Address;
        unsigned Flags;
        IP_PREFIX_ORIGIN Prefix;
        IP_SUFFIX_ORIGIN Suffix;
        IP_DAD_STATE Dad;
    } cases[] = {
        {"10.0.0.5", IFA_F_PERMANENT, IpPrefixOriginManual, IpSuffixOriginManual,
         IpDadStatePreferred},
        {"10.0.0.5", 0, IpPrefixOriginDhcp, IpSuffixOriginDhcp, IpDadStatePreferred},
        {"127.0.0.1", IFA_F_PERMANENT, IpPrefixOriginWellKnown, IpSuffixOriginWellKnown,
         IpDadStatePreferred},
        {"::1", IFA_F_PERMANENT, IpPrefixOriginWellKnown, IpSuffixOriginWellKnown,
         IpDadStatePreferred},
        // The EUI-64 suffix of kMac: a kernel-made link-local address, and a SLAAC one.
        {"fe80::1a:2bff:fe3c:4d5e", IFA_F_PERMANENT, IpPrefixOriginWellKnown,
         IpSuffixOriginLinkLayerAddress, IpDadStatePreferred},
        {"2001:db8::1a:2bff:fe3c:4d5e", IFA_F_MANAGETEMPADDR, IpPrefixOriginRouterAdvertisement,
         IpSuffixOriginLinkLayerAddress, IpDadStatePreferred},
        {"2001:db8::a1b2:c3d4", IFA_F_TEMPORARY | IFA_F_DEPRECATED,
         IpPrefixOriginRouterAdvertisement, IpSuffixOriginRandom, IpDadStateDeprecated},
        {"2001:db8::77", IFA_F_STABLE_PRIVACY, IpPrefixOriginRouterAdvertisement,
         IpSuffixOriginOther, IpDadStatePreferred},
        {"fe80::1", IFA_F_PERMANENT | IFA_F_TENTATIVE, IpPrefixOriginWellKnown,
         IpSuffixOriginManual, IpDadStateTentative},
        {"2001:db8::99", 0, IpPrefixOriginDhcp, IpSuffixOriginDhcp, IpDadStatePreferred},
        {"fd00::5", IFA_F_PERMANENT | IFA_F_TENTATIVE | IFA_F_DADFAILED, IpPrefixOriginManual,
         IpSuffixOriginManual, IpDadStateDuplicate},
    };
    for (const auto& c : cases) {
        TIpAddressFacts facts;
        facts.Address = Address(c.Address);
        facts.Flags = c.Flags;
        const TUnicastEntry entry = DescribeUnicast(facts, kMac);
        EXPECT_EQ(entry.PrefixOrigin, c.Prefix) << c.Address;
        EXPECT_EQ(entry.SuffixOrigin, c.Suffix) << c.Address;
        EXPECT_EQ(entry.DadState, c.Dad) << c.Address;
    }
}

TEST(PackAdaptersAddresses, ChainsStayInsideTheSizeAndLinkInOrder) {
    std::vector<TAddressesRecord> records(2);
    records[0].AdapterName = "lo";
    records[1].AdapterName = "v0";
    records[1].FriendlyName = "Сеть";
    records[1].Index = 7;
    TIpAddressFacts facts;
    facts.Address = Address("fe80::1");
    facts.Address.ScopeId = 7;
    records[1].Unicast = {DescribeUnicast(facts, kMac)};
    records[1].Gateways = {Address("10.0.0.1"), facts.Address};
    records[1].DnsServers = {Address("2001:db8::53")};
    const std::size_t size = AdaptersAddressesSize(records);
    // One byte beyond the records shows any write past them.
    std::vector<std::uint64_t> buffer(size / 8 + 2, 0x5A5A5A5A5A5A5A5Aull);
    PackAdaptersAddresses(records, buffer.data());
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    EXPECT_EQ(bytes[size], 0x5A);
    const auto inside = [&](const void* p) {
        const auto* c = static_cast<const unsigned char*>(p);
        return c >= bytes && c < bytes + size &&
               (reinterpret_cast<std::uintptr_t>(c) - reinterpret_cast<std::uintptr_t>(bytes)) %
                       8 ==
                   0;
    };
    const auto* first = reinterpret_cast<const IP_ADAPTER_ADDRESSES_LH*>(buffer.data());
    ASSERT_TRUE(inside(first->Next));
    const IP_ADAPTER_ADDRESSES_LH& v0 = *first->Next;
    EXPECT_EQ(v0.Next, nullptr);
    EXPECT_STREQ(v0.AdapterName, "v0");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(v0.FriendlyName)), u"Сеть");
    ASSERT_TRUE(inside(v0.FirstUnicastAddress));
    const SOCKET_ADDRESS& unicast = v0.FirstUnicastAddress->Address;
    ASSERT_TRUE(inside(unicast.lpSockaddr));
    EXPECT_EQ(unicast.iSockaddrLength, static_cast<INT>(sizeof(SOCKADDR_IN6)));
    const auto* in6 = reinterpret_cast<const SOCKADDR_IN6*>(unicast.lpSockaddr);
    EXPECT_EQ(in6->sin6_family, WS_AF_INET6);
    EXPECT_EQ(in6->sin6_scope_id, 7u);
    ASSERT_TRUE(inside(v0.FirstGatewayAddress) && inside(v0.FirstGatewayAddress->Next));
    EXPECT_EQ(v0.FirstGatewayAddress->Address.lpSockaddr->sa_family, WS_AF_INET);
    EXPECT_EQ(v0.FirstGatewayAddress->Next->Address.lpSockaddr->sa_family, WS_AF_INET6);
    EXPECT_EQ(v0.FirstGatewayAddress->Next->Next, nullptr);
    EXPECT_TRUE(inside(v0.FirstDnsServerAddress));
    EXPECT_EQ(first->FirstUnicastAddress, nullptr);
}

// What the provider packs, read back as the poll reads it: the suffix, the search list in
// order, the DHCP server, and none of them for a record without them.
TEST(PackAdaptersAddresses, DnsSuffixSearchListAndDhcpServerReadBackByThePoll) {
    std::vector<TAddressesRecord> records(2);
    records[0].Index = 2;
    records[1].Index = 3;
    records[1].DnsSuffix = "corp.example";
    records[1].SearchDomains = {"corp.example", "lab.example", std::string(300, 'x')};
    records[1].Dhcpv4Server = TIpv4Address{10, 0, 0, 1};
    const std::size_t size = AdaptersAddressesSize(records);
    std::vector<std::uint64_t> buffer(size / 8 + 1, 0x5A5A5A5A5A5A5A5Aull);
    PackAdaptersAddresses(records, buffer.data());
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(buffer.data())[size], 0x5A);
    const TAdapterDetailsByIndex details =
        CollectAdapterDetails(reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()));
    EXPECT_FALSE(details.contains(2));
    ASSERT_TRUE(details.contains(3));
    const TAdapterDetails& three = details.at(3);
    EXPECT_EQ(three.DnsSuffix, u"corp.example");
    // A name longer than the field is cut to it, still ended.
    EXPECT_EQ(three.SearchDomains, (std::vector<std::u16string>{
                                       u"corp.example", u"lab.example",
                                       std::u16string(MAX_DNS_SUFFIX_STRING_LENGTH - 1, u'x')}));
    EXPECT_EQ(three.Dhcpv4Server, u"10.0.0.1");
}

TEST(ParseServerAddress, BothFamiliesWithPortsZonesAndNames) {
    const auto indexOf = [](const char* name) -> std::uint32_t {
        return std::strcmp(name, "v0") == 0 ? 9 : 0;
    };
    const struct {
        const char* Text;
        const char* Address; // nullptr: refused
        std::uint32_t Scope;
    } cases[] = {
        {"10.0.0.53", "10.0.0.53", 0},       {"10.0.0.53:53#dns.example", "10.0.0.53", 0},
        {"2001:db8::53", "2001:db8::53", 0}, {"[2001:db8::53]:53", "2001:db8::53", 0},
        {"fe80::53%v0", "fe80::53", 9},      {"fe80::53%4#resolver", "fe80::53", 4},
        {"10.0.0.53%v0", nullptr, 0},        {"not-an-address", nullptr, 0},
        {"[2001:db8::53", nullptr, 0},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseServerAddress(c.Text, indexOf);
        ASSERT_EQ(parsed.has_value(), c.Address != nullptr) << c.Text;
        if (parsed) {
            EXPECT_EQ(*parsed, [&] {
                TIpAddress a = Address(c.Address);
                a.ScopeId = c.Scope;
                return a;
            }()) << c.Text;
        }
    }
}

} // namespace
} // namespace qmr
