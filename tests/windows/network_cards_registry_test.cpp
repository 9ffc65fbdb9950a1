// Friendly names from the NetworkCards keys of the real registry (the Wine prefix's HKLM), for
// the real adapters of a poll: the keys Wine itself writes, and keys each test writes.

#include "tests/windows/wine_test_support.h"

#include "base/utf16_text.h"
#include "network/adapter_poll.h"
#include "network/friendly_name_table.h"
#include "network/iphlpapi_binding.h"

#include <cstring>
#include <cwctype>
#include <optional>
#include <variant>

namespace {

constexpr const wchar_t* kNetworkCards =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";

using TValue = std::variant<std::u16string, DWORD>;

void DeleteNetworkCards() {
    const LONG rc = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kNetworkCards);
    ASSERT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) << "RegDeleteTreeW: " << rc;
}

void SetValue(HKEY key, const wchar_t* name, const TValue& value) {
    LONG rc;
    if (const auto* text = std::get_if<std::u16string>(&value)) {
        rc = ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                              static_cast<DWORD>((text->size() + 1) * sizeof(char16_t)));
    } else {
        const DWORD number = std::get<DWORD>(value);
        rc = ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                              sizeof number);
    }
    ASSERT_EQ(rc, ERROR_SUCCESS) << "RegSetValueExW";
}

// One NetworkCards subkey; a value left out is not written.
void AddCard(const std::wstring& subkey, const std::optional<TValue>& serviceName,
             const std::optional<TValue>& description) {
    const std::wstring path = std::wstring(kNetworkCards) + L"\\" + subkey;
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (serviceName) {
        SetValue(key, L"ServiceName", *serviceName);
    }
    if (description) {
        SetValue(key, L"Description", *description);
    }
    ::RegCloseKey(key);
}

struct TCard {
    std::wstring Subkey;
    std::optional<TValue> ServiceName;
    std::optional<TValue> Description;
};

std::optional<TValue> ReadValue(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    BYTE data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (::RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type == REG_DWORD) {
        DWORD number = 0;
        std::memcpy(&number, data, sizeof number);
        return TValue(number);
    }
    std::u16string text(reinterpret_cast<const char16_t*>(data), size / sizeof(char16_t));
    while (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return TValue(text);
}

// The cards as the registry lists them, read with the registry API alone.
std::vector<TCard> ReadCards() {
    std::vector<TCard> cards;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kNetworkCards, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return cards;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        TCard card{std::wstring(name, length), std::nullopt, std::nullopt};
        HKEY sub = nullptr;
        if (::RegOpenKeyExW(key, card.Subkey.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            card.ServiceName = ReadValue(sub, L"ServiceName");
            card.Description = ReadValue(sub, L"Description");
            ::RegCloseKey(sub);
        }
        cards.push_back(std::move(card));
    }
    ::RegCloseKey(key);
    return cards;
}

std::u16string TextOf(const std::optional<TValue>& value) {
    const auto* text = value ? std::get_if<std::u16string>(&*value) : nullptr;
    return text != nullptr ? *text : std::u16string();
}

// Wine's ndis.sys registers every adapter under NetworkCards when a Wine session starts. Each
// test takes those keys away for its own and puts them back afterwards, for the tests that
// follow in the same session.
class NetworkCardsOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(qmr::LoadIpHelper());
        qmr::TDeviceList devices;
        ASSERT_EQ(qmr::ReadNetworkDevices(devices), ERROR_SUCCESS);
        if (devices.empty()) {
            QMR_SKIP_OR_FAIL("the library reports no adapter on this machine");
        }
        m_AdapterName = devices.front()->m_AdapterName;
        m_Description = devices.front()->m_Description;
        ASSERT_FALSE(qmr::IsBlankText(m_Description));
        m_SystemCards = ReadCards();
        ASSERT_NO_FATAL_FAILURE(DeleteNetworkCards());
    }
    void TearDown() override {
        DeleteNetworkCards();
        for (const TCard& card : m_SystemCards) {
            AddCard(card.Subkey, card.ServiceName, card.Description);
        }
        qmr::ReleaseIpHelper();
    }

    // The friendly name the first adapter gets from a fresh poll.
    std::u16string PolledName() const {
        qmr::TDeviceList devices;
        EXPECT_EQ(qmr::ReadNetworkDevices(devices), ERROR_SUCCESS);
        for (const auto& device : devices) {
            if (device->m_AdapterName == m_AdapterName) {
                return device->m_FriendlyName;
            }
        }
        ADD_FAILURE() << "the adapter left the poll";
        return {};
    }

    std::u16string m_AdapterName;
    std::u16string m_Description;
    std::vector<TCard> m_SystemCards;
};

} // namespace

TEST_F(NetworkCardsOnWine, WithoutTheKeyTheAdapterDescriptionIsTheName) {
    EXPECT_TRUE(qmr::ReadFriendlyNameTable(nullptr).empty());
    EXPECT_EQ(PolledName(), m_Description);
}

TEST_F(NetworkCardsOnWine, TheMatchingCardGivesItsDescriptionAsRead) {
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0001", u"{00000000-0000-0000-0000-000000000000}", u"Other"));
    const std::u16string name = u"  Подключение по локальной сети 2 ";
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0007", m_AdapterName, name));

    const qmr::TFriendlyNameTable table = qmr::ReadFriendlyNameTable(nullptr);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].Description, u"Other");
    EXPECT_EQ(table[1].ServiceName, m_AdapterName);
    EXPECT_EQ(PolledName(), name); // untrimmed, and wide characters intact
}

TEST_F(NetworkCardsOnWine, OfTwoCardsWithTheSameServiceNameTheFirstListedWins) {
    // Written in the opposite order of their names, so neither order alone decides.
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0002", m_AdapterName, u"Card 0002"));
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0001", m_AdapterName, u"Card 0001"));
    const std::vector<TCard> listed = ReadCards();
    ASSERT_EQ(listed.size(), 2u);
    std::printf("the registry lists %ls before %ls\n", listed[0].Subkey.c_str(),
                listed[1].Subkey.c_str());
    EXPECT_EQ(PolledName(), TextOf(listed[0].Description));
}

TEST_F(NetworkCardsOnWine, AServiceNameDifferingOnlyInCaseDoesNotMatch) {
    std::u16string otherCase = m_AdapterName;
    for (char16_t& c : otherCase) {
        c = static_cast<char16_t>(std::iswupper(c) ? std::towlower(c) : std::towupper(c));
    }
    ASSERT_NE(otherCase, m_AdapterName) << "the adapter name has no letters";
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0001", otherCase, u"Wrong case"));
    EXPECT_EQ(PolledName(), m_Description);
}

TEST_F(NetworkCardsOnWine, ABlankDescriptionLeavesTheAdapterDescription) {
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0001", m_AdapterName, u" \t  "));
    EXPECT_EQ(PolledName(), m_Description);
}

TEST_F(NetworkCardsOnWine, ANumberWhereTextBelongsEndsTheSearch) {
    // A DWORD Description on the matching card: no later card is consulted.
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0001", m_AdapterName, DWORD{7}));
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0002", m_AdapterName, u"Later card"));
    EXPECT_EQ(PolledName(), m_Description);

    // A DWORD ServiceName on an earlier card ends it before the matching one.
    ASSERT_NO_FATAL_FAILURE(DeleteNetworkCards());
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0001", DWORD{1}, u"Number"));
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0002", m_AdapterName, u"Would match"));
    EXPECT_EQ(PolledName(), m_Description);
}

TEST_F(NetworkCardsOnWine, AMissingValueReadsAsEmptyAndTheSearchGoesOn) {
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0001", std::nullopt, u"No service name"));
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0002", m_AdapterName, std::nullopt));
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0003", m_AdapterName, u"Third"));
    // 0002 matches with no Description: empty, so blank, so the adapter description; the search
    // ended there and 0003 is not read.
    EXPECT_EQ(PolledName(), m_Description);

    ASSERT_NO_FATAL_FAILURE(DeleteNetworkCards());
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0001", std::nullopt, u"No service name"));
    ASSERT_NO_FATAL_FAILURE(AddCard(L"0002", m_AdapterName, u"Second"));
    EXPECT_EQ(PolledName(), u"Second");
}

TEST(NetworkCardsOfWine, TheKeysWineWritesAreReadAndNameTheirAdapters) {
    ASSERT_TRUE(qmr::LoadIpHelper());
    qmr::TDeviceList devices;
    ASSERT_EQ(qmr::ReadNetworkDevices(devices), ERROR_SUCCESS);
    const std::vector<TCard> cards = ReadCards();
    const qmr::TFriendlyNameTable table = qmr::ReadFriendlyNameTable(nullptr);
    qmr::ReleaseIpHelper();

    ASSERT_EQ(table.size(), cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i) {
        EXPECT_EQ(table[i].ServiceName, TextOf(cards[i].ServiceName));
        EXPECT_EQ(table[i].Description, TextOf(cards[i].Description));
    }
    int named = 0;
    for (const auto& device : devices) {
        for (const TCard& card : cards) {
            if (TextOf(card.ServiceName) == device->m_AdapterName) {
                ++named;
                const std::u16string description = TextOf(card.Description);
                EXPECT_EQ(device->m_FriendlyName,
                          qmr::IsBlankText(description) ? device->m_Description : description);
                break;
            }
        }
    }
    std::printf("NetworkCards keys: %zu; adapters named by one: %d of %zu\n", cards.size(), named,
                devices.size());
}
