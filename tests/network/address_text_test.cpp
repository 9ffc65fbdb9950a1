#include "base/utf16_text.h"
#include "network/address_text.h"
#include "network/ipv6_facts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qmr {
namespace {

// The sixteen bytes of eight groups written out in full: "2001:0db8:0:0:...".
struct TBytes {
    std::uint8_t Value[16];
};

TBytes FromGroups(const char* full) {
    TBytes bytes{};
    unsigned groups[8] = {};
    EXPECT_EQ(std::sscanf(full, "%x:%x:%x:%x:%x:%x:%x:%x", &groups[0], &groups[1], &groups[2],
                          &groups[3], &groups[4], &groups[5], &groups[6], &groups[7]),
              8)
        << full;
    for (int i = 0; i < 8; ++i) {
        bytes.Value[2 * i] = static_cast<std::uint8_t>(groups[i] >> 8);
        bytes.Value[2 * i + 1] = static_cast<std::uint8_t>(groups[i]);
    }
    return bytes;
}

TEST(Ipv6Text, WritesTheRfc5952Form) {
    const struct {
        const char* Full;
        const char* Text;
    } cases[] = {
        {"2001:db8:0:0:0:0:0:1", "2001:db8::1"},
        {"2001:0DB8:0005:0:0:0:0:0005", "2001:db8:5::5"},
        // A single zero group is written as 0, never as "::".
        {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},
        // The longest run wins; of two equal runs, the first.
        {"2001:0:0:1:0:0:0:1", "2001:0:0:1::1"},
        {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},
        {"0:0:0:0:0:0:0:0", "::"},
        {"0:0:0:0:0:0:0:1", "::1"},
        {"fe80:0:0:0:0:0:0:0", "fe80::"},
        {"fe80:0:0:0:abcd:ef01:2345:6789", "fe80::abcd:ef01:2345:6789"},
        {"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
        // IPv4-mapped addresses end in dotted form.
        {"0:0:0:0:0:ffff:c000:0280", "::ffff:192.0.2.128"},
        {"0:0:0:0:0:ffff:0:0", "::ffff:0.0.0.0"},
        {"64:ff9b:0:0:0:0:c000:0201", "64:ff9b::c000:201"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(Ipv6Text(FromGroups(c.Full).Value)), c.Text) << c.Full;
    }
}

TEST(Ipv6Scope, LinkLocalUniqueLocalGlobalAndTheRest) {
    const struct {
        const char* Full;
        TIpv6Scope Scope;
    } cases[] = {
        {"fe80:0:0:0:0:0:0:1", TIpv6Scope::LinkLocal},
        {"febf:0:0:0:0:0:0:1", TIpv6Scope::LinkLocal},
        {"fc00:0:0:0:0:0:0:1", TIpv6Scope::UniqueLocal},
        {"fd00:5:0:0:0:0:0:5", TIpv6Scope::UniqueLocal},
        {"2001:db8:0:0:0:0:0:1", TIpv6Scope::Global},
        {"3fff:0:0:0:0:0:0:1", TIpv6Scope::Global},
        {"0:0:0:0:0:0:0:1", TIpv6Scope::Other},
        {"ff02:0:0:0:0:0:0:1", TIpv6Scope::Other},
        {"fec0:0:0:0:0:0:0:1", TIpv6Scope::Other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Ipv6Scope(FromGroups(c.Full).Value), c.Scope) << c.Full;
    }
}

TIpv6Address Shown(const char16_t* text, TIpv6Scope scope, bool temporary = false,
                   bool deprecated = false, bool tentative = false) {
    TIpv6Address a;
    a.Text = text;
    a.Scope = scope;
    a.Temporary = temporary;
    a.Deprecated = deprecated;
    a.Tentative = tentative;
    return a;
}

TEST(ChooseShownIpv6Address, PreferredGlobalThenTemporaryThenUniqueLocal) {
    using S = TIpv6Scope;
    const struct {
        std::vector<TIpv6Address> Addresses;
        const char16_t* Shown; // nullptr: none
    } cases[] = {
        {{}, nullptr},
        {{Shown(u"fe80::1", S::LinkLocal)}, nullptr},
        {{Shown(u"fd00::5", S::UniqueLocal), Shown(u"2001:db8::5", S::Global)}, u"2001:db8::5"},
        {{Shown(u"2001:db8::t", S::Global, true), Shown(u"2001:db8::5", S::Global)},
         u"2001:db8::5"},
        {{Shown(u"2001:db8::t", S::Global, true), Shown(u"fd00::5", S::UniqueLocal)},
         u"2001:db8::t"},
        {{Shown(u"2001:db8::d", S::Global, false, true), Shown(u"fd00::5", S::UniqueLocal)},
         u"fd00::5"},
        {{Shown(u"2001:db8::n", S::Global, false, false, true)}, nullptr},
    };
    for (const auto& c : cases) {
        const TIpv6Address* shown = ChooseShownIpv6Address(c.Addresses);
        EXPECT_EQ(shown != nullptr ? shown->Text : u"(none)", c.Shown ? c.Shown : u"(none)");
    }
}

} // namespace
} // namespace qmr
