// The WLAN API's answers as the provider builds them from nl80211 facts: no radio is needed.

#include "network/wlan_binding.h"
#include "provider/interface_guid.h"
#include "provider/wlan_replies.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace qmr {
namespace {

struct TFree {
    void operator()(void* block) const { std::free(block); }
};
template <typename T> using TBlock = std::unique_ptr<T, TFree>;

TInterfaceFacts Wireless(std::uint32_t index, bool associated, const std::string& ssid = "Home",
                         std::optional<int> signal = -52, std::uint32_t mhz = 5180) {
    TInterfaceFacts facts;
    facts.Link.Index = index;
    facts.Link.HardwareAddress = {0x02, 0, 0, 0, 0, 0x03};
    facts.Identity.Type = IF_TYPE_IEEE80211;
    facts.Identity.Description = "Wi-Fi card";
    TWirelessFacts radio;
    radio.Associated = associated;
    radio.Ssid = ssid;
    radio.SignalDbm = signal;
    radio.FrequencyMhz = mhz;
    facts.Radio = radio;
    return facts;
}

TEST(WlanReplies, InterfaceGuidNamesTheIndexAndNothingElse) {
    const GUID guid = InterfaceGuidOfIndex(0x12345);
    EXPECT_EQ(IndexOfInterfaceGuid(guid), 0x12345u);
    const GUID seven = InterfaceGuidOfIndex(7);
    EXPECT_NE(std::memcmp(&guid, &seven, sizeof guid), 0);
    GUID foreign = guid;
    foreign.Data4[7] ^= 1;
    EXPECT_FALSE(IndexOfInterfaceGuid(foreign));
    // The 64-bit row carries the same GUID, so the core can match a row to a WLAN interface.
    MIB_IF_ROW2 row;
    FillIfRow2(Wireless(9, true), row);
    EXPECT_EQ(IndexOfInterfaceGuid(row.InterfaceGuid), 9u);
}

TEST(WlanReplies, InterfaceListHasTheWirelessLinksOnlyConnectedWhileAssociated) {
    TInterfaceFacts wired;
    wired.Link.Index = 2;
    wired.Identity.Type = MIB_IF_TYPE_ETHERNET;
    TInterfaceFacts downRadio = Wireless(5, false);
    downRadio.Radio.reset(); // set down: nl80211 was not asked
    const TBlock<WLAN_INTERFACE_INFO_LIST> list(
        MakeWlanInterfaceList({wired, Wireless(3, true), Wireless(4, false), downRadio}));
    ASSERT_EQ(list->dwNumberOfItems, 3u);
    const std::pair<std::uint32_t, WLAN_INTERFACE_STATE> expected[] = {
        {3, wlan_interface_state_connected},
        {4, wlan_interface_state_disconnected},
        {5, wlan_interface_state_disconnected}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(IndexOfInterfaceGuid(list->InterfaceInfo[i].InterfaceGuid), expected[i].first);
        EXPECT_EQ(list->InterfaceInfo[i].isState, expected[i].second);
    }
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(
                  list->InterfaceInfo[0].strInterfaceDescription)),
              u"Wi-Fi card");
    EXPECT_EQ(TBlock<WLAN_INTERFACE_INFO_LIST>(MakeWlanInterfaceList({wired}))->dwNumberOfItems,
              0u);
}

TEST(WlanReplies, CurrentConnectionCarriesTheSsidBytesAsSent) {
    // Any bytes, not only text, and 32 at most.
    const std::string ssid("caf\xC3\xA9\x00\xFF", 7);
    const TWlanBlock block = MakeCurrentConnection(Wireless(3, true, ssid));
    ASSERT_EQ(block.Status, ERROR_SUCCESS);
    const TBlock<WLAN_CONNECTION_ATTRIBUTES> attributes(
        static_cast<PWLAN_CONNECTION_ATTRIBUTES>(block.Data));
    EXPECT_EQ(block.Size, sizeof(WLAN_CONNECTION_ATTRIBUTES));
    EXPECT_EQ(attributes->isState, wlan_interface_state_connected);
    const DOT11_SSID& got = attributes->wlanAssociationAttributes.dot11Ssid;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(got.ucSSID), got.uSSIDLength), ssid);
    EXPECT_EQ(attributes->wlanAssociationAttributes.wlanSignalQuality, 96u); // -52 dBm

    const TWlanBlock longest = MakeCurrentConnection(Wireless(3, true, std::string(40, 'x')));
    const TBlock<WLAN_CONNECTION_ATTRIBUTES> cut(
        static_cast<PWLAN_CONNECTION_ATTRIBUTES>(longest.Data));
    EXPECT_EQ(cut->wlanAssociationAttributes.dot11Ssid.uSSIDLength, 32u);
}

TEST(WlanReplies, NotAssociatedOrSignalUntoldAnswersInvalidStateWithNoBlock) {
    TInterfaceFacts unasked = Wireless(3, true);
    unasked.Radio.reset();
    for (const TInterfaceFacts& facts : {Wireless(3, false), unasked}) {
        for (const TWlanBlock& block : {MakeCurrentConnection(facts), MakeRssi(facts)}) {
            EXPECT_EQ(block.Status, ERROR_INVALID_STATE);
            EXPECT_EQ(block.Data, nullptr);
        }
    }
    EXPECT_EQ(MakeRssi(Wireless(3, true, "Home", std::nullopt)).Status, ERROR_INVALID_STATE);
}

TEST(WlanReplies, RssiIsTheSignalInDbm) {
    const TWlanBlock block = MakeRssi(Wireless(3, true, "Home", -71));
    ASSERT_EQ(block.Status, ERROR_SUCCESS);
    const TBlock<LONG> rssi(static_cast<LONG*>(block.Data));
    EXPECT_EQ(block.Size, sizeof(LONG));
    EXPECT_EQ(*rssi, -71);
}

TEST(WlanReplies, BssListGivesTheCentreFrequencyInKilohertzOfTheAssociatedNetwork) {
    for (const std::uint32_t mhz : {2412u, 5180u, 5955u}) {
        const TBlock<WLAN_BSS_LIST> list(static_cast<PWLAN_BSS_LIST>(
            MakeBssList(Wireless(3, true, "Home", -60, mhz), nullptr).Data));
        ASSERT_EQ(list->dwNumberOfItems, 1u);
        EXPECT_EQ(list->wlanBssEntries[0].ulChCenterFrequency, mhz * 1000);
        EXPECT_EQ(list->wlanBssEntries[0].lRssi, -60);
    }
    DOT11_SSID other{};
    other.uSSIDLength = 4;
    std::memcpy(other.ucSSID, "Work", 4);
    DOT11_SSID same = other;
    std::memcpy(same.ucSSID, "Home", 4);
    const TBlock<WLAN_BSS_LIST> named(
        static_cast<PWLAN_BSS_LIST>(MakeBssList(Wireless(3, true), &same).Data));
    EXPECT_EQ(named->dwNumberOfItems, 1u);
    for (const auto& [facts, ssid] :
         {std::pair{Wireless(3, true), &other},
          std::pair{Wireless(3, false), static_cast<DOT11_SSID*>(nullptr)}}) {
        const TBlock<WLAN_BSS_LIST> none(
            static_cast<PWLAN_BSS_LIST>(MakeBssList(facts, ssid).Data));
        EXPECT_EQ(none->dwNumberOfItems, 0u);
    }
}

TEST(WlanReplies, ConnectionNamesTheAccessPointRatesAndSecurityAndTheChannelIsAsked) {
    TInterfaceFacts facts = Wireless(3, true, "Home", -52, 5500);
    facts.Radio->Bssid = std::array<std::uint8_t, 6>{0x02, 0xAB, 0, 0, 0, 0x07};
    facts.Radio->RxBitrate = 576500000;
    facts.Radio->TxBitrate = 866700000;
    TWirelessSecurity security;
    security.Privacy = security.Rsn = true;
    security.KeyManagement = 0x000FAC02;
    security.PairwiseCipher = 0x000FAC04;
    facts.Radio->Security = security;
    const TBlock<WLAN_CONNECTION_ATTRIBUTES> attributes(
        static_cast<PWLAN_CONNECTION_ATTRIBUTES>(MakeCurrentConnection(facts).Data));
    const WLAN_ASSOCIATION_ATTRIBUTES& association = attributes->wlanAssociationAttributes;
    EXPECT_EQ(association.dot11Bssid[1], 0xAB);
    EXPECT_EQ(association.dot11Bssid[5], 0x07);
    EXPECT_EQ(association.ulRxRate, 576500u); // kbit/s
    EXPECT_EQ(association.ulTxRate, 866700u);
    EXPECT_TRUE(attributes->wlanSecurityAttributes.bSecurityEnabled);
    EXPECT_EQ(attributes->wlanSecurityAttributes.dot11AuthAlgorithm, DOT11_AUTH_ALGO_RSNA_PSK);
    EXPECT_EQ(attributes->wlanSecurityAttributes.dot11CipherAlgorithm, DOT11_CIPHER_ALGO_CCMP);

    const TWlanBlock channel = MakeChannel(facts);
    ASSERT_EQ(channel.Status, ERROR_SUCCESS);
    EXPECT_EQ(channel.Size, sizeof(ULONG));
    EXPECT_EQ(*TBlock<ULONG>(static_cast<ULONG*>(channel.Data)), 100u);
    for (const TInterfaceFacts& none : {Wireless(3, false), Wireless(3, true, "Home", -52, 0)}) {
        const TWlanBlock nothing = MakeChannel(none);
        EXPECT_EQ(nothing.Status, ERROR_INVALID_STATE);
        EXPECT_EQ(nothing.Data, nullptr);
    }
}

TEST(WlanReplies, SecurityAsTheWlanApiNamesIt) {
    struct Case {
        const char* name;
        bool privacy, rsn, wpa;
        std::uint32_t keyManagement, pairwise;
        BOOL enabled;
        int auth, cipher;
    };
    const Case cases[] = {
        {"open", false, false, false, 0, 0, 0, DOT11_AUTH_ALGO_80211_OPEN, DOT11_CIPHER_ALGO_NONE},
        {"WEP", true, false, false, 0, 0, 1, DOT11_AUTH_ALGO_80211_OPEN, DOT11_CIPHER_ALGO_WEP},
        {"WPA-Personal", true, false, true, 0x0050F202, 0x0050F202, 1, DOT11_AUTH_ALGO_WPA_PSK,
         DOT11_CIPHER_ALGO_TKIP},
        {"WPA-Enterprise", true, false, true, 0x0050F201, 0x0050F204, 1, DOT11_AUTH_ALGO_WPA,
         DOT11_CIPHER_ALGO_CCMP},
        {"WPA2-Enterprise", true, true, false, 0x000FAC01, 0x000FAC04, 1, DOT11_AUTH_ALGO_RSNA,
         DOT11_CIPHER_ALGO_CCMP},
        {"WPA3-Personal, GCMP-256", true, true, false, 0x000FAC08, 0x000FAC09, 1, 9, 9},
        {"OWE", true, true, false, 0x000FAC12, 0x000FAC04, 1, 10, DOT11_CIPHER_ALGO_CCMP},
        {"WPA3-Enterprise 192-bit", true, true, false, 0x000FAC0C, 0x000FAC09, 1, 8, 9},
        {"a vendor's suite", true, true, false, 0x00112201, 0x00112204, 1, DOT11_AUTH_ALGO_RSNA,
         DOT11_CIPHER_ALGO_NONE},
    };
    for (const Case& c : cases) {
        TWirelessSecurity security;
        security.Privacy = c.privacy;
        security.Rsn = c.rsn;
        security.Wpa = c.wpa;
        security.KeyManagement = c.keyManagement;
        security.PairwiseCipher = c.pairwise;
        const WLAN_SECURITY_ATTRIBUTES out = DescribeSecurity(security);
        EXPECT_EQ(out.bSecurityEnabled, c.enabled) << c.name;
        EXPECT_EQ(static_cast<int>(out.dot11AuthAlgorithm), c.auth) << c.name;
        EXPECT_EQ(static_cast<int>(out.dot11CipherAlgorithm), c.cipher) << c.name;
    }
}

// Through the binding, from the built library: handles are checked before anything is read,
// and a GUID that is not ours names no interface.
TEST(WlanProvider, HandlesAndForeignGuidsAreRefusedBeforeTheKernelIsAsked) {
    DWORD version = 0;
    HANDLE handle = nullptr;
    ASSERT_EQ(qmr::WlanOpenHandle(WLAN_API_VERSION_2_0, nullptr, &version, &handle), 0u);
    EXPECT_EQ(version, WLAN_API_VERSION_2_0);
    PWLAN_INTERFACE_INFO_LIST list = nullptr;
    HANDLE invented = reinterpret_cast<HANDLE>(std::uintptr_t{0xBAD});
    EXPECT_EQ(qmr::WlanEnumInterfaces(invented, nullptr, &list), ERROR_INVALID_HANDLE);
    GUID foreign{};
    DWORD size = 0;
    PVOID data = nullptr;
    EXPECT_EQ(qmr::WlanQueryInterface(handle, &foreign, wlan_intf_opcode_rssi, nullptr, &size,
                                      &data, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(qmr::WlanCloseHandle(handle, nullptr), 0u);
    EXPECT_EQ(qmr::WlanCloseHandle(handle, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(qmr::WlanEnumInterfaces(handle, nullptr, &list), ERROR_INVALID_HANDLE);
    EXPECT_EQ(list, nullptr);
}

} // namespace
} // namespace qmr
