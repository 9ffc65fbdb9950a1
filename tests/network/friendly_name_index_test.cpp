#include "network/friendly_name_index.h"

#include <gtest/gtest.h>

namespace qmr {
namespace {

std::u16string NameOf(const TFriendlyNameTable& table, std::u16string_view adapter) {
    const std::u16string* found = TFriendlyNameIndex(table).Find(adapter);
    return found != nullptr ? *found : u"<none>";
}

// The index answers as the search through the table in its order would.
TEST(FriendlyNameIndex, AnswersAsTheSearchInTableOrder) {
    EXPECT_EQ(NameOf({}, u"eth0"), u"<none>");
    const TFriendlyNameTable names = {
        {u"eth0", u"Office"}, {u"eth1", u"Lab"}, {u"eth0", u"Second"}, {u"", u"Nameless"}};
    EXPECT_EQ(NameOf(names, u"eth0"), u"Office");
    EXPECT_EQ(NameOf(names, u"eth1"), u"Lab");
    EXPECT_EQ(NameOf(names, u""), u"Nameless");
    EXPECT_EQ(NameOf(names, u"eth2"), u"<none>");

    // A key that did not open is passed over, even one whose values could not be read.
    const TFriendlyNameEntry closed{u"eth0", u"Closed", false, false, false};
    EXPECT_EQ(NameOf({closed, {u"eth0", u"Open"}}, u"eth0"), u"Open");

    // An unreadable service name ends every search that reaches it; those that end before it
    // still find their entry.
    const TFriendlyNameEntry unreadable{u"", u"", true, false};
    const TFriendlyNameTable stopped = {{u"eth0", u"Before"}, unreadable, {u"eth1", u"After"}};
    EXPECT_EQ(NameOf(stopped, u"eth0"), u"Before");
    EXPECT_EQ(NameOf(stopped, u"eth1"), u"<none>");

    // The first match decides, even when its description cannot be read.
    const TFriendlyNameEntry noDescription{u"eth0", u"Hidden", true, true, false};
    EXPECT_EQ(NameOf({noDescription, {u"eth0", u"Later"}}, u"eth0"), u"<none>");
    EXPECT_EQ(NameOf({{u"eth0", u"First"}, noDescription}, u"eth0"), u"First");
}

} // namespace
} // namespace qmr
