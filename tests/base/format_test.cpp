#include "base/format.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qmr {
namespace {

TEST(Format, ConversionsTheReportsUse) {
    EXPECT_EQ(Format(u"<b>%s</b>:   %s", {u"MAC", u"00-1A"}), u"<b>MAC</b>:   00-1A");
    EXPECT_EQ(Format(u"%s%i:   %s", {u"IP Address", 2, u"10.0.0.6"}), u"IP Address2:   10.0.0.6");
    EXPECT_EQ(Format(u"%i %s", {-42, u"bps"}), u"-42 bps");
    EXPECT_EQ(Format(u"%u", {4294967295u}), u"4294967295");
    EXPECT_EQ(Format(u"%s%03u", {u" ", 7u}), u" 007");
    EXPECT_EQ(Format(u"%02X", {0x0Au}), u"0A");
    EXPECT_EQ(Format(u"%04X%04X", {0x419, 0x4E3}), u"041904E3");
    EXPECT_EQ(Format(u"#%06X", {0xF09040}), u"#F09040");
    EXPECT_EQ(Format(u"#%06X", {0}), u"#000000");
    EXPECT_EQ(Format(u"100%%", {}), u"100%");
}

TEST(Format, WidthPadsWithSpacesBeforeTheSignOrZerosAfterIt) {
    EXPECT_EQ(Format(u"[%5i]", {-42}), u"[  -42]");
    EXPECT_EQ(Format(u"[%05i]", {-42}), u"[-0042]");
    EXPECT_EQ(Format(u"[%05i]", {42}), u"[00042]");
    EXPECT_EQ(Format(u"[%4s]", {u"ab"}), u"[  ab]");
    EXPECT_EQ(Format(u"[%2u]", {12345u}), u"[12345]");
}

TEST(Format, SixtyFourBitValuesAreNotCut) {
    EXPECT_EQ(Format(u"%u", {18446744073709551615ull}), u"18446744073709551615");
    EXPECT_EQ(Format(u"%i", {static_cast<long long>(INT64_MIN)}), u"-9223372036854775808");
}

TEST(Format, NegativeIntegerThroughUnsignedWrapsLikeThirtyTwoBits) {
    EXPECT_EQ(Format(u"%u", {-1}), u"4294967295");
    EXPECT_EQ(Format(u"%X", {-1}), u"FFFFFFFF");
}

TEST(Format, MismatchesAreErrorsNotUndefinedBehaviour) {
    EXPECT_THROW(Format(u"%s", {5}), std::invalid_argument);
    EXPECT_THROW(Format(u"%i", {u"text"}), std::invalid_argument);
    EXPECT_THROW(Format(u"%s %s", {u"one"}), std::invalid_argument);
    EXPECT_THROW(Format(u"%q", {1}), std::invalid_argument);
    EXPECT_THROW(Format(u"50%", {}), std::invalid_argument);
}

TEST(Format, TextIsCopiedAsItStands) {
    // No escape processing of arguments: a percent sign in a value stays a percent sign.
    EXPECT_EQ(Format(u"%s", {u"100% <b>&"}), u"100% <b>&");
    EXPECT_EQ(Format(u"%s", {u""}), u"");
}

} // namespace
} // namespace qmr
