// The Linux friendly-name table, read through the provider from inside a private namespace.

#include "network/friendly_name_table.h"
#include "network/iphlpapi_binding.h"
#include "provider_namespace_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace qmr {
namespace {

// The poll's adapter records, which name the links the table's rows describe, and the table
// made of them.
TFriendlyNameTable ReadTable() {
    ULONG size = 0;
    if (qmr::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) {
        return {};
    }
    std::vector<std::uint64_t> records((size + 7) / 8);
    auto* first = reinterpret_cast<PIP_ADAPTER_INFO>(records.data());
    return qmr::GetAdaptersInfo(first, &size) == ERROR_SUCCESS ? ReadFriendlyNameTable(first)
                                                               : TFriendlyNameTable{};
}

// One veth end carrying an alias, the other none.
TEST_F(ProviderNamespace, EveryLinkGivesItsAliasOrItsName) {
    Ip("link add office type veth peer name far netns " + far);
    Ip("link set office alias 'Office LAN <1>'");
    Ip("link add plain type veth peer name far2 netns " + far);
    TFriendlyNameTable table;
    Inside([&] { table = ReadTable(); });
    ASSERT_EQ(table.size(), 3u); // lo, office, plain
    EXPECT_EQ(table[0].ServiceName, u"lo");
    EXPECT_EQ(table[0].Description, u"lo");
    EXPECT_EQ(table[1].ServiceName, u"office");
    EXPECT_EQ(table[1].Description, u"Office LAN <1>");
    EXPECT_EQ(table[2].ServiceName, u"plain");
    EXPECT_EQ(table[2].Description, u"plain");
}

} // namespace
} // namespace qmr
