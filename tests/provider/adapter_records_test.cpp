#include "provider/adapter_records.h"
#include "provider/adapter_snapshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <linux/if_addr.h>
#include <memory>

namespace qmr {
namespace {

std::string Text(const IP_ADDRESS_STRING& s) {
    return std::string(s.String, ::strnlen(s.String, sizeof s.String));
}

std::vector<std::pair<std::string, std::string>> Chain(const IP_ADDR_STRING& first) {
    std::vector<std::pair<std::string, std::string>> nodes;
    for (const IP_ADDR_STRING* node = &first; node != nullptr; node = node->Next) {
        nodes.emplace_back(Text(node->IpAddress), Text(node->IpMask));
    }
    return nodes;
}

bool Inside(const void* p, const void* base, std::size_t size, std::size_t object) {
    const auto* c = static_cast<const char*>(p);
    const auto* b = static_cast<const char*>(base);
    return c >= b && c + object <= b + size;
}

TAdapterRecord Record(std::uint32_t index, std::size_t addresses, std::size_t gateways) {
    TAdapterRecord record;
    record.Name = "link" + std::to_string(index);
    record.Description = "veth";
    record.Index = index;
    record.Type = MIB_IF_TYPE_ETHERNET;
    record.HardwareAddress = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, static_cast<std::uint8_t>(index)};
    for (std::size_t i = 0; i < addresses; ++i) {
        record.Addresses.push_back(
            {{10, static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(i), 1}, 24});
    }
    for (std::size_t i = 0; i < gateways; ++i) {
        record.Gateways.push_back(
            {10, static_cast<std::uint8_t>(index), 0, static_cast<std::uint8_t>(254 - i)});
    }
    return record;
}

// Packed into a heap block of exactly the size asked for, so that a write past it is caught.
TEST(AdapterRecords, PackIntoExactlyTheSizeWithEveryNextInside) {
    const std::vector<TAdapterRecord> records = {Record(1, 0, 0), Record(2, 3, 2), Record(5, 1, 1)};
    const std::size_t size = AdaptersInfoSize(records);
    EXPECT_EQ(size, 3 * sizeof(IP_ADAPTER_INFO) + 3 * sizeof(IP_ADDR_STRING));
    auto buffer = std::make_unique<std::uint64_t[]>(size / 8);
    PackAdaptersInfo(records, buffer.get());

    std::vector<const IP_ADAPTER_INFO*> walked;
    for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.get()); a != nullptr;
         a = a->Next) {
        ASSERT_TRUE(Inside(a, buffer.get(), size, sizeof *a));
        for (const IP_ADDR_STRING* chain : {&a->IpAddressList, &a->GatewayList}) {
            for (const IP_ADDR_STRING* node = chain->Next; node != nullptr; node = node->Next) {
                ASSERT_TRUE(Inside(node, buffer.get(), size, sizeof *node));
            }
        }
        walked.push_back(a);
    }
    ASSERT_EQ(walked.size(), 3u);
    const IP_ADAPTER_INFO& empty = *walked[0];
    EXPECT_EQ(Chain(empty.IpAddressList),
              (decltype(Chain(empty.IpAddressList)){{"0.0.0.0", "0.0.0.0"}}));
    EXPECT_EQ(Chain(empty.GatewayList),
              (decltype(Chain(empty.GatewayList)){{"0.0.0.0", "0.0.0.0"}}));
    EXPECT_EQ(std::string(empty.AdapterName), "link1");

    const IP_ADAPTER_INFO& full = *walked[1];
    EXPECT_EQ(Chain(full.IpAddressList),
              (decltype(Chain(full.IpAddressList)){{"10.2.0.1", "255.255.255.0"},
                                                   {"10.2.1.1", "255.255.255.0"},
                                                   {"10.2.2.1", "255.255.255.0"}}));
    EXPECT_EQ(Chain(full.GatewayList),
              (decltype(Chain(full.GatewayList)){{"10.2.0.254", "255.255.255.255"},
                                                 {"10.2.0.253", "255.255.255.255"}}));
    EXPECT_EQ(full.Index, 2u);
    EXPECT_EQ(full.ComboIndex, 2u);
    EXPECT_EQ(full.AddressLength, 6u);
    EXPECT_EQ(full.Address[5], 2);
    EXPECT_EQ(full.CurrentIpAddress, nullptr);
    EXPECT_EQ(full.HaveWins, 0);
    EXPECT_EQ(Chain(full.PrimaryWinsServer).front().first, "0.0.0.0");
    EXPECT_EQ(walked[2]->Index, 5u);
}

TEST(AdapterRecords, DhcpServerOnlyWhenDhcpIsOnAndLongTextsAreCutBetweenCharacters) {
    TAdapterRecord record = Record(3, 1, 0);
    record.DhcpServer = TIpv4Address{192, 168, 1, 1};
    // 131 bytes fit; the cut must not split the two-byte "é" that straddles the limit.
    record.Description = std::string(130, 'x') + "\xC3\xA9" + "tail";
    record.HardwareAddress.assign(20, 0xAB); // infiniband-sized: the field holds 8
    record.LeaseObtained = 1700000000;
    auto buffer = std::make_unique<std::uint64_t[]>(AdaptersInfoSize({record}) / 8);
    auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get());

    PackAdaptersInfo({record}, info);
    EXPECT_EQ(Chain(info->DhcpServer).front().first, "0.0.0.0");
    EXPECT_EQ(std::string(info->Description), std::string(130, 'x'));
    EXPECT_EQ(info->AddressLength, 8u);

    record.DhcpEnabled = true;
    PackAdaptersInfo({record}, info);
    EXPECT_EQ(Chain(info->DhcpServer),
              (decltype(Chain(info->DhcpServer)){{"192.168.1.1", "255.255.255.255"}}));
    EXPECT_EQ(info->LeaseObtained, 1700000000);
}

TEST(AdapterRecords, PerAdapterRecordHoldsTheServersInOrderOrOneEmptyNode) {
    EXPECT_EQ(PerAdapterInfoSize({}), sizeof(IP_PER_ADAPTER_INFO));
    const std::vector<TIpv4Address> servers = {{10, 0, 0, 53}, {1, 1, 1, 1}, {9, 9, 9, 9}};
    const std::size_t size = PerAdapterInfoSize(servers);
    ASSERT_EQ(size, sizeof(IP_PER_ADAPTER_INFO) + 2 * sizeof(IP_ADDR_STRING));
    auto buffer = std::make_unique<std::uint64_t[]>(size / 8);
    auto* info = reinterpret_cast<IP_PER_ADAPTER_INFO*>(buffer.get());
    PackPerAdapterInfo(servers, info);
    const auto chain = Chain(info->DnsServerList);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0].first, "10.0.0.53");
    EXPECT_EQ(chain[2].first, "9.9.9.9");
    EXPECT_TRUE(Inside(info->DnsServerList.Next->Next, buffer.get(), size, sizeof(IP_ADDR_STRING)));

    PackPerAdapterInfo({}, info);
    EXPECT_EQ(Chain(info->DnsServerList),
              (decltype(Chain(info->DnsServerList)){{"0.0.0.0", "0.0.0.0"}}));
}

TEST(AdapterRecords, MaskFromPrefixLength) {
    EXPECT_EQ(MaskText(0), "0.0.0.0");
    EXPECT_EQ(MaskText(1), "128.0.0.0");
    EXPECT_EQ(MaskText(23), "255.255.254.0");
    EXPECT_EQ(MaskText(32), "255.255.255.255");
    EXPECT_EQ(MaskText(40), "255.255.255.255");
}

// IPv6 addresses and routes are not the IPv4 records' to show.
TEST(AdapterSnapshot, LinksInIndexOrderAddressesInKernelOrderGatewaysByMetric) {
    TLinkFacts a;
    a.Index = 7;
    a.Name = "seven";
    TLinkFacts b;
    b.Index = 2;
    b.Name = "two";
    TIpAddress v6;
    v6.Family = AF_INET6;
    v6.Bytes[0] = 0x20;
    const std::vector<TIpAddressFacts> addresses = {{7, FromIpv4({10, 7, 0, 2}), 24},
                                                    {99, FromIpv4({10, 99, 0, 1}), 24},
                                                    {7, v6, 64},
                                                    {7, FromIpv4({10, 7, 0, 1}), 16},
                                                    {2, FromIpv4({10, 2, 0, 1}), 8}};
    const std::vector<TDefaultRoute> routes = {{7, FromIpv4({10, 7, 0, 254}), 300},
                                               {2, FromIpv4({10, 2, 0, 254}), 100},
                                               {7, v6, 1},
                                               {7, FromIpv4({10, 7, 0, 253}), 50},
                                               {7, FromIpv4({10, 7, 0, 252}), 300}};

    const TAdapterSnapshot snapshot = GroupAdapterFacts({&a, &b}, addresses, routes);
    ASSERT_EQ(snapshot.Records.size(), 2u);
    EXPECT_EQ(snapshot.Records[0].Name, "two");
    const TAdapterRecord& seven = snapshot.Records[1];
    ASSERT_EQ(seven.Addresses.size(), 2u);
    EXPECT_EQ(seven.Addresses[0].Address, (TIpv4Address{10, 7, 0, 2}));
    EXPECT_EQ(seven.Addresses[1].PrefixLength, 16);
    // Equal metrics keep the kernel's order.
    EXPECT_EQ(seven.Gateways,
              (std::vector<TIpv4Address>{{10, 7, 0, 253}, {10, 7, 0, 254}, {10, 7, 0, 252}}));
    EXPECT_EQ(snapshot.Addresses[1].size(), 2u);
}

TEST(AdapterSnapshot, DhcpFromDynamicAddressesOrLease) {
    const TClockReading clocks{1700000000, 500000}; // 5000 s after boot
    TIpAddressFacts permanent{
        1, FromIpv4({10, 0, 0, 5}), 24, IFA_F_PERMANENT, 0xFFFFFFFFu, 0xFFFFFFFFu, 100};
    TIpAddressFacts dynamic{1, FromIpv4({10, 0, 0, 6}), 24, 0, 3600, 1800, 500000 - 120 * 100};

    TAdapterRecord record;
    ApplyDhcp(record, {permanent}, std::nullopt, clocks);
    EXPECT_FALSE(record.DhcpEnabled);
    EXPECT_EQ(record.LeaseObtained, 0);

    record = {};
    ApplyDhcp(record, {permanent, dynamic}, std::nullopt, clocks);
    EXPECT_TRUE(record.DhcpEnabled);
    EXPECT_FALSE(record.DhcpServer.has_value());
    EXPECT_EQ(record.LeaseObtained, 1700000000 - 120);
    EXPECT_EQ(record.LeaseExpires, 1700000000 + 3600);

    // A lease for a permanent address still makes it DHCP; its times win over lifetimes.
    TDhcpLease lease{{10, 0, 0, 5}, TIpv4Address{10, 0, 0, 1}, 1699990000, 1700090000};
    record = {};
    ApplyDhcp(record, {permanent, dynamic}, lease, clocks);
    EXPECT_TRUE(record.DhcpEnabled);
    EXPECT_EQ(record.DhcpServer, (TIpv4Address{10, 0, 0, 1}));
    EXPECT_EQ(record.LeaseExpires, 1700090000);

    // Without times of its own the lease takes the leased address's lifetimes: forever has no end.
    lease.Obtained = lease.Expires = 0;
    record = {};
    ApplyDhcp(record, {dynamic, permanent}, lease, clocks);
    EXPECT_EQ(record.LeaseObtained, 1700000000 - 4999);
    EXPECT_EQ(record.LeaseExpires, 0);
}

} // namespace
} // namespace qmr
