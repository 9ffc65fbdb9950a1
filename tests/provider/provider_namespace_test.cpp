// The provider library as the program loads it, called from a thread inside a private network
// namespace: the size protocol at the edges of the buffer, the interface tables, and a link
// made again as another kind.

#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"
#include "provider_namespace_fixture.h"

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
#include <tuple>
#include <unistd.h>

namespace qmr {
namespace {

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

// One block holds every link's row, in ifindex order, each as GetIfEntry2 fills it; the 32-bit
// table likewise, each row as GetIfEntry fills it.
TEST_F(ProviderNamespace, InterfaceTablesHaveEveryLinksRowInIndexOrder) {
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

        // Without a buffer, or with too small a one, only the size: 122, never a byte written.
        const ULONG exact = static_cast<ULONG>(4 + indexes.size() * sizeof(MIB_IFROW));
        ULONG size = 0;
        ASSERT_EQ(qmr::GetIfTable(nullptr, &size, 1), 122u);
        EXPECT_EQ(size, exact);
        std::vector<std::uint64_t> rows((exact + 7) / 8, ~0ull);
        auto* table32 = reinterpret_cast<PMIB_IFTABLE>(rows.data());
        size = exact - 1;
        ASSERT_EQ(qmr::GetIfTable(table32, &size, 1), 122u);
        EXPECT_EQ(size, exact);
        EXPECT_EQ(rows[0], ~0ull);
        ASSERT_EQ(qmr::GetIfTable(table32, &size, 0), 0u);
        ASSERT_EQ(table32->dwNumEntries, indexes.size());
        for (std::size_t i = 0; i < indexes.size(); ++i) {
            const MIB_IFROW& row = table32->table[i];
            MIB_IFROW single{};
            single.dwIndex = indexes[i];
            ASSERT_EQ(qmr::GetIfEntry(&single), 0u);
            // The counters may move between the two readings; everything else may not.
            const auto stable = [](const MIB_IFROW& r) {
                return std::make_tuple(std::u16string(r.wszName), r.dwIndex, r.dwType, r.dwMtu,
                                       r.dwAdminStatus, r.dwOperStatus,
                                       std::string(r.bPhysAddr, r.bPhysAddr + r.dwPhysAddrLen),
                                       std::string(r.bDescr, r.bDescr + r.dwDescrLen));
            };
            EXPECT_EQ(stable(row), stable(single)) << indexes[i];
        }
        EXPECT_EQ(qmr::GetIfTable(table32, nullptr, 1), 87u);
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

} // namespace
} // namespace qmr
