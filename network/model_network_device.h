#pragma once
// One network adapter as read at one poll: the adapter record, completed with its interface
// row, its per-adapter record and its friendly name. Complete when constructed or refilled (by
// the next poll), read only in between.

#include "network/friendly_name_index.h"
#include "network/friendly_name_table.h"
#include "network/interface_row_tables.h"
#include "network/iphlpapi_records.h"
#include "network/ipv6_facts.h"
#include "network/wlan_facts.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qmr {

class TModelNetworkDevice {
public:
    struct tagIP_ADDRESS {
        std::u16string IpAddress;
        std::u16string IpMask;
        std::uint32_t Context = 0;
    };
    using TAddressList = std::vector<tagIP_ADDRESS>;

    // `adapter` may be null: the device then keeps its starting values. `names` is the
    // friendly-name table of the poll; without one the device reads the table itself.
    explicit TModelNetworkDevice(const IP_ADAPTER_INFO* adapter,
                                 const TFriendlyNameTable* names = nullptr);
    // As above, with the index of the poll's table, which a poll builds once for all devices,
    // and the adapter's IPv6 facts from the poll's one GetAdaptersAddresses call, if any. A
    // wireless adapter asks `wlan`, the poll's WLAN session, for its connection. Its interface
    // rows come from the poll's `rows` where they hold them, and its DNS servers from the poll's
    // `dns` where that lists the interface; otherwise the device asks for them itself. Its DNS
    // suffix and search list come from `details`, which also names the DHCP server where the
    // adapter record does not.
    TModelNetworkDevice(const IP_ADAPTER_INFO* adapter, const TFriendlyNameIndex& names,
                        const TIpv6Facts* ipv6 = nullptr, const TWlanSession* wlan = nullptr,
                        const TInterfaceRowTables* rows = nullptr,
                        const TDnsServersByIndex* dns = nullptr,
                        const TAdapterDetails* details = nullptr);
    virtual ~TModelNetworkDevice();
    // Makes this device what the constructor above makes of the same arguments, keeping the
    // room its texts and lists hold: a poll fills the last poll's devices again rather than
    // allocating every text anew.
    void Refill(const IP_ADAPTER_INFO* adapter, const TFriendlyNameIndex& names,
                const TIpv6Facts* ipv6, const TWlanSession* wlan, const TInterfaceRowTables* rows,
                const TDnsServersByIndex* dns, const TAdapterDetails* details);
    TModelNetworkDevice(const TModelNetworkDevice&) = delete;
    TModelNetworkDevice& operator=(const TModelNetworkDevice&) = delete;

    // Indexed accessors: the index must be below the count; outside it std::out_of_range.
    std::u16string GetIpAddress(int i) const;
    std::u16string GetIpMask(int i) const;
    int GetIpAddressCount() const;
    std::u16string GetGateway(int i) const;
    int GetGatewayCount() const;
    std::u16string GetWinsServer(int i) const;
    std::u16string GetDnsServer(int i) const;
    int GetDnsServerCount() const;
    std::uint32_t GetIfIndex() const { return m_IfIndex; }

    std::u16string m_AdapterName;
    std::u16string m_Description;
    std::u16string m_Address;
    std::uint32_t m_Index = 0;
    std::uint32_t m_Type = 0;
    bool m_DhcpEnabled = false;
    std::unique_ptr<TAddressList> m_IpAddressList;
    std::unique_ptr<TAddressList> m_GatewayList;
    std::unique_ptr<TAddressList> m_DhcpServerList;
    bool m_HaveWins = false;
    tagIP_ADDRESS m_PrimaryWinsServer;
    tagIP_ADDRESS m_SecondaryWinsServer;
    std::uint32_t m_LeaseObtained = 0;
    std::uint32_t m_LeaseExpires = 0;
    std::u16string m_FriendlyName;
    std::u16string m_IfName;
    std::uint32_t m_IfIndex = 0;
    std::uint32_t m_IfType = 0;
    std::uint32_t m_Mtu = 0;
    // Speed and traffic counters are 64-bit: the 32-bit row overflows at 4.3 Gbit/s and wraps
    // its counters after 4 GiB, so they come from the 64-bit row where the library has one.
    std::uint64_t m_Speed = 0;
    std::u16string m_PhysAddress;
    bool m_AdminStatus = false;
    // A link with a device behind it, as the 64-bit row says; false where there is no such row.
    bool m_HardwareInterface = false;
    std::uint32_t m_OperStatus = 0;
    std::uint32_t m_LastChange = 0;
    std::uint64_t m_InOctets = 0;
    std::uint64_t m_InUcastPkts = 0;
    std::uint64_t m_InNUcastPkts = 0;
    std::uint64_t m_InDiscards = 0;
    std::uint64_t m_InErrors = 0;
    std::uint64_t m_InUnknownProtos = 0;
    std::uint64_t m_OutOctets = 0;
    std::uint64_t m_OutUcastPkts = 0;
    std::uint64_t m_OutNUcastPkts = 0;
    std::uint64_t m_OutDiscards = 0;
    std::uint64_t m_OutErrors = 0;
    std::uint64_t m_OutQLen = 0;
    // Whether the counters came from the 32-bit row (the 64-bit one did not answer): they wrap
    // at 2^32, which the traffic rates must know.
    bool m_Counters32Bit = false;
    std::u16string m_IfDescription;
    // From the per-adapter record, which a poll asks only where its GetAdaptersAddresses call
    // failed: false otherwise.
    bool m_AutoconfigEnabled = false;
    bool m_AutoconfigActive = false;
    std::unique_ptr<TAddressList> m_DnsServerList;
    // Empty for an adapter without IPv6, or where the library cannot tell.
    TIpv6Facts m_Ipv6;
    // The 64-bit row's interface GUID, by which the WLAN API names the interface; nothing where
    // there is no such row.
    std::optional<GUID> m_InterfaceGuid;
    // Only for a wireless adapter that is connected, where the WLAN API tells.
    std::optional<TWlanConnection> m_Wlan;
    // The burnt-in hardware address, as m_Address is written, where the 64-bit row names one
    // that differs from the current address (a randomised Wi-Fi address, one set by hand);
    // empty otherwise.
    std::u16string m_PermanentAddress;
    // The connection-specific DNS suffix and the DNS search list; empty where there are none.
    std::u16string m_DnsSuffix;
    std::vector<std::u16string> m_SearchDomains;

    // The DHCP server that leased the address, or empty text where none is named.
    std::u16string GetDhcpServer() const;
    // A member added above is forgotten in ForgetFacts as well, or a refilled device keeps it.

    // "%02X" bytes joined by "-"; length 0 gives empty text.
    static std::u16string FormatHardwareAddress(const BYTE* bytes, std::size_t length);

private:
    void CreateLists();
    void ForgetFacts();
    void Fill(const IP_ADAPTER_INFO* adapter, const TFriendlyNameIndex& names,
              const TIpv6Facts* ipv6, const TWlanSession* wlan, const TInterfaceRowTables* rows,
              const TDnsServersByIndex* dns, const TAdapterDetails* details);
    void FillFromAdapter(const IP_ADAPTER_INFO* adapter, const TFriendlyNameIndex& names,
                         const TInterfaceRowTables* rows, const TDnsServersByIndex* dns);
    void FillFromInterfaceRows(const TInterfaceRowTables* rows);
    void FillFromRow(const TInterfaceRow& row);
    void FillFromRow2(const TInterfaceRow2& row2);
    void SetCounters(const TInterfaceCounters& counters);
    void FillDnsServers(const TDnsServersByIndex* dns);
    void FillFromPerAdapterInfo();
    void FillFromDetails(const TAdapterDetails& details);
    // Writes the chain over the list's entries, which keep the room of their texts.
    static void CopyAddressChain(const IP_ADDR_STRING* first, TAddressList& list);
    static void ClearAddressList(TAddressList* list);
    static std::u16string LookupFriendlyName(const std::u16string& adapterName,
                                             const std::u16string& adapterDescription,
                                             const TFriendlyNameIndex& names);
};

} // namespace qmr
