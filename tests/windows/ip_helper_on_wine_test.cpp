// The binding and the device model on the real iphlpapi.dll (Wine's, serving this machine's
// adapters). Each device is checked against what the library answers when asked directly.

#include "tests/windows/wine_test_support.h"

#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"
#include "network/model_network_device.h"

#include <cstring>
#include <memory>

using qmr::TModelNetworkDevice;
using qmr::test::Ascii;

namespace {

// Holds one reference to the binding for the length of a test.
class IpHelperOnWine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(qmr::LoadIpHelper()) << "iphlpapi.dll did not load"; }
    void TearDown() override { qmr::ReleaseIpHelper(); }
};

std::u16string HardwareAddress(const BYTE* bytes, ULONG length) {
    std::u16string text;
    static const char16_t digits[] = u"0123456789ABCDEF";
    for (ULONG i = 0; i < length; ++i) {
        if (i > 0) {
            text += u'-';
        }
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

MIB_IFROW SystemRow(DWORD index) {
    MIB_IFROW row;
    std::memset(&row, 0, sizeof row);
    row.dwIndex = index;
    EXPECT_EQ(::GetIfEntry(&row), static_cast<DWORD>(NO_ERROR)) << "interface " << index;
    return row;
}

std::vector<std::u16string> DnsOfSystem(DWORD index) {
    ULONG size = 0;
    std::vector<std::uint64_t> buffer(1);
    DWORD status = ::GetPerAdapterInfo(index, nullptr, &size);
    if (status == ERROR_BUFFER_OVERFLOW) {
        buffer.assign((size + 7) / 8, 0);
        status = ::GetPerAdapterInfo(index, reinterpret_cast<PIP_PER_ADAPTER_INFO>(buffer.data()),
                                     &size);
    }
    std::vector<std::u16string> servers;
    if (status == NO_ERROR) {
        const auto* info = reinterpret_cast<const IP_PER_ADAPTER_INFO*>(buffer.data());
        for (const IP_ADDR_STRING* n = &info->DnsServerList; n != nullptr; n = n->Next) {
            servers.push_back(Ascii(n->IpAddress.String));
        }
    }
    return servers;
}

std::vector<std::u16string> ChainAddresses(const IP_ADDR_STRING* first, bool masks) {
    std::vector<std::u16string> out;
    for (const IP_ADDR_STRING* n = first; n != nullptr; n = n->Next) {
        out.push_back(Ascii(masks ? n->IpMask.String : n->IpAddress.String));
    }
    return out;
}

template <typename Get>
std::vector<std::u16string> Listed(const TModelNetworkDevice& device, int count, Get get) {
    std::vector<std::u16string> out;
    for (int i = 0; i < count; ++i) {
        out.push_back((device.*get)(i));
    }
    return out;
}

} // namespace

TEST_F(IpHelperOnWine, BindsTheEntryPointsTheLibraryExports) {
    EXPECT_TRUE(qmr::IpHelperLoaded());
    for (const char* name : {"GetAdaptersInfo", "GetIfEntry", "GetPerAdapterInfo"}) {
        EXPECT_TRUE(qmr::IpHelperEntryPointBound(name)) << name;
    }
    // GetIfEntry2 is bound exactly where the library has it.
    const HMODULE library = ::GetModuleHandleW(L"iphlpapi.dll");
    ASSERT_NE(library, nullptr);
    const bool exported = ::GetProcAddress(library, "GetIfEntry2") != nullptr;
    EXPECT_EQ(qmr::IpHelperEntryPointBound("GetIfEntry2"), exported);
    std::printf("GetIfEntry2 exported by this iphlpapi.dll: %s\n", exported ? "yes" : "no");
}

TEST_F(IpHelperOnWine, SmallBuffersAreAnsweredWith111AndTheSizeNeeded) {
    const auto system = qmr::test::ReadSystemAdapters();
    if (system.Status == ERROR_NO_DATA) {
        QMR_SKIP_OR_FAIL("the library reports no adapter on this machine");
    }
    ASSERT_EQ(system.Status, static_cast<ULONG>(NO_ERROR));
    const std::size_t count = system.Records().size();

    // One IP_ADAPTER_INFO is 704 bytes, so the poll's first 640-byte buffer never suffices.
    ULONG size = 640;
    std::vector<std::uint64_t> small(640 / 8);
    EXPECT_EQ(qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(small.data()), &size),
              ERROR_BUFFER_OVERFLOW);
    EXPECT_GE(size, count * sizeof(IP_ADAPTER_INFO));
    std::vector<std::uint64_t> enough((size + 7) / 8);
    EXPECT_EQ(qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(enough.data()), &size),
              ERROR_SUCCESS);

    // The per-adapter record is 64 bytes on 64-bit Windows; the device's first 52 are too few.
    const DWORD index = system.Records().front()->Index;
    ULONG perSize = 52;
    std::vector<std::uint64_t> perBuffer(64 / 8);
    EXPECT_EQ(qmr::GetPerAdapterInfo(
                  index, reinterpret_cast<PIP_PER_ADAPTER_INFO>(perBuffer.data()), &perSize),
              ERROR_BUFFER_OVERFLOW);
    EXPECT_GE(perSize, sizeof(IP_PER_ADAPTER_INFO));
    std::printf("adapters: %zu, GetAdaptersInfo needs %lu bytes, GetPerAdapterInfo(%lu) %lu\n",
                count, size, index, perSize);
}

TEST_F(IpHelperOnWine, EveryDeviceOfAPollHoldsWhatTheLibraryReports) {
    const DWORD ticksBefore = ::GetTickCount();
    const auto before = qmr::test::ReadSystemAdapters();
    if (before.Status == ERROR_NO_DATA) {
        QMR_SKIP_OR_FAIL("the library reports no adapter on this machine");
    }
    ASSERT_EQ(before.Status, static_cast<ULONG>(NO_ERROR));
    const std::vector<const IP_ADAPTER_INFO*> records = before.Records();
    std::vector<MIB_IFROW> rowsBefore;
    for (const IP_ADAPTER_INFO* a : records) {
        rowsBefore.push_back(SystemRow(a->Index));
    }

    qmr::TDeviceList devices;
    ASSERT_EQ(qmr::ReadNetworkDevices(devices), ERROR_SUCCESS);

    const auto after = qmr::test::ReadSystemAdapters();
    const DWORD ticksAfter = ::GetTickCount();

    ASSERT_EQ(after.Records().size(), records.size()) << "adapters came or went";
    std::size_t next = 0;
    for (std::size_t at = 0; at < records.size(); ++at) {
        const IP_ADAPTER_INFO& a = *records[at];
        if (a.Type == MIB_IF_TYPE_LOOPBACK) {
            continue; // the poll skips loopback
        }
        ASSERT_LT(next, devices.size());
        const TModelNetworkDevice& d = *devices[next++];
        SCOPED_TRACE(a.Description);
        const MIB_IFROW& row = rowsBefore[at];
        const MIB_IFROW rowAfter = SystemRow(a.Index);

        EXPECT_EQ(d.m_AdapterName, Ascii(a.AdapterName));
        EXPECT_EQ(d.m_Description, Ascii(a.Description));
        EXPECT_EQ(d.m_Address, HardwareAddress(a.Address, a.AddressLength));
        EXPECT_EQ(d.m_Index, a.Index);
        EXPECT_EQ(d.m_Type, a.Type);
        EXPECT_EQ(d.m_DhcpEnabled, a.DhcpEnabled != 0);
        EXPECT_EQ(Listed(d, d.GetIpAddressCount(), &TModelNetworkDevice::GetIpAddress),
                  ChainAddresses(&a.IpAddressList, false));
        EXPECT_EQ(Listed(d, d.GetIpAddressCount(), &TModelNetworkDevice::GetIpMask),
                  ChainAddresses(&a.IpAddressList, true));
        EXPECT_EQ(Listed(d, d.GetGatewayCount(), &TModelNetworkDevice::GetGateway),
                  ChainAddresses(&a.GatewayList, false));
        EXPECT_EQ(d.m_HaveWins, a.HaveWins != 0);

        // The interface row was read: its index identifies the device across polls.
        EXPECT_EQ(d.GetIfIndex(), a.Index);
        const std::size_t nameLength = ::wcsnlen(row.wszName, MAX_INTERFACE_NAME_LEN);
        EXPECT_EQ(d.m_IfName,
                  std::u16string(reinterpret_cast<const char16_t*>(row.wszName), nameLength));
        EXPECT_EQ(d.m_IfType, row.dwType);
        EXPECT_EQ(d.m_Mtu, row.dwMtu);
        EXPECT_EQ(d.m_PhysAddress, HardwareAddress(row.bPhysAddr, row.dwPhysAddrLen));
        EXPECT_EQ(d.m_AdminStatus, row.dwAdminStatus == MIB_IF_ADMIN_STATUS_UP);
        EXPECT_EQ(d.m_OperStatus, row.dwOperStatus);
        EXPECT_EQ(
            d.m_IfDescription,
            Ascii(std::string(reinterpret_cast<const char*>(row.bDescr), row.dwDescrLen).c_str()));
        if (row.dwLastChange == 0) {
            EXPECT_GE(d.m_LastChange, ticksBefore);
            EXPECT_LE(d.m_LastChange, ticksAfter);
        } else {
            EXPECT_EQ(d.m_LastChange, row.dwLastChange);
        }
        // Counters run on between the readings; the device's lie between them.
        EXPECT_GE(d.m_InOctets, row.dwInOctets);
        EXPECT_GE(d.m_OutOctets, row.dwOutOctets);
        EXPECT_GE(d.m_InUcastPkts, row.dwInUcastPkts);
        EXPECT_GE(d.m_OutUcastPkts, row.dwOutUcastPkts);
        if (rowAfter.dwInOctets >= row.dwInOctets) { // no 32-bit wrap in between
            EXPECT_LE(d.m_InOctets & 0xFFFFFFFFu, rowAfter.dwInOctets);
            EXPECT_LE(d.m_OutOctets & 0xFFFFFFFFu, rowAfter.dwOutOctets);
        }

        MIB_IF_ROW2 row2;
        std::memset(&row2, 0, sizeof row2);
        row2.InterfaceIndex = a.Index;
        if (::GetIfEntry2(&row2) == NO_ERROR) {
            EXPECT_EQ(d.m_Speed, row2.ReceiveLinkSpeed);
            EXPECT_LE(d.m_InOctets, row2.InOctets);
        } else {
            EXPECT_EQ(d.m_Speed, row.dwSpeed);
        }

        // Wine's own NetworkCards key for the adapter holds the same Linux interface name.
        EXPECT_EQ(d.m_FriendlyName, d.m_Description);
        EXPECT_EQ(Listed(d, d.GetDnsServerCount(), &TModelNetworkDevice::GetDnsServer),
                  DnsOfSystem(a.Index));
    }
    EXPECT_EQ(next, devices.size());
}

TEST_F(IpHelperOnWine, ARecordWhoseInterfaceRowFailsKeepsIndexZero) {
    const auto system = qmr::test::ReadSystemAdapters();
    if (system.Status == ERROR_NO_DATA) {
        QMR_SKIP_OR_FAIL("the library reports no adapter on this machine");
    }
    ASSERT_EQ(system.Status, static_cast<ULONG>(NO_ERROR));
    IP_ADAPTER_INFO record = *system.Records().front();
    record.Next = nullptr;
    record.Index = 0x7FFFFFF0; // no such interface
    MIB_IFROW probe;
    std::memset(&probe, 0, sizeof probe);
    probe.dwIndex = record.Index;
    ASSERT_NE(::GetIfEntry(&probe), static_cast<DWORD>(NO_ERROR));

    const TModelNetworkDevice device(&record);
    EXPECT_EQ(device.GetIfIndex(), 0u);
    EXPECT_TRUE(device.m_IfName.empty());
    EXPECT_EQ(device.m_Speed, 0u);
    EXPECT_EQ(device.m_InOctets, 0u);
    EXPECT_EQ(device.m_FriendlyName, Ascii(record.Description));
    // The per-adapter record is then asked for interface 0, which the library does not know.
    EXPECT_EQ(device.GetDnsServerCount(), static_cast<int>(DnsOfSystem(0).size()));
}

TEST_F(IpHelperOnWine, BlankDescriptionsLeaveTheInterfaceDescriptionAsName) {
    const auto system = qmr::test::ReadSystemAdapters();
    if (system.Status == ERROR_NO_DATA) {
        QMR_SKIP_OR_FAIL("the library reports no adapter on this machine");
    }
    ASSERT_EQ(system.Status, static_cast<ULONG>(NO_ERROR));
    IP_ADAPTER_INFO record = *system.Records().front();
    record.Next = nullptr;
    std::strcpy(record.Description, " \t ");
    const MIB_IFROW row = SystemRow(record.Index);
    ASSERT_GT(row.dwDescrLen, 0u);

    const TModelNetworkDevice device(&record);
    EXPECT_EQ(device.m_FriendlyName, device.m_IfDescription);
    EXPECT_EQ(
        device.m_FriendlyName,
        Ascii(std::string(reinterpret_cast<const char*>(row.bDescr), row.dwDescrLen).c_str()));
}
