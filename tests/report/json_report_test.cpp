#include "report/json_report.h"

#include <gtest/gtest.h>

namespace qmr {
namespace {

TEST(JsonReport, PrefixLengthsOfMasks) {
    const struct {
        std::u16string mask;
        int length;
    } cases[] = {
        {u"255.255.255.0", 24},   {u"255.255.255.255", 32},
        {u"0.0.0.0", 0},          {u"255.255.128.0", 17},
        {u"255.0.255.0", -1},     {u"255.255.255", -1},
        {u"255.255.255.256", -1}, {u"", -1},
        {u"1.2.3.4.5", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrefixLengthOfMask(c.mask), c.length);
    }
}

} // namespace
} // namespace qmr
