#include "report/device_status.h"

#include "lang/text_ids.h"
#include "language_fixture.h"
#include "test_devices.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace qmr {
namespace {

using test::LanguageTest;

class DeviceStatusTest : public LanguageTest {};

std::unique_ptr<TModelNetworkDevice> DeviceWith(std::uint32_t operStatus, std::uint32_t type) {
    auto device = std::make_unique<TModelNetworkDevice>(nullptr);
    device->m_OperStatus = operStatus;
    device->m_Type = type;
    return device;
}

struct StatusRow {
    std::uint32_t OperStatus;
    std::uint32_t Type;
    const char16_t* Text;
    std::uint32_t Color;
    const char16_t* Picture;
    int ImageIndex;
};

TEST_F(DeviceStatusTest, ClassifiesEveryOperationalStatus) {
    const StatusRow rows[] = {
        {0, 6, u"Non Operational", 0xF00000, u"error", 2},
        {1, 6, u"Unreachable", 0xF00000, u"error", 2},
        {2, 6, u"Disconnected", 0xF00000, u"error", 2},
        {2, 71, u"No Carrier", 0xF00000, u"error", 2},
        {3, 6, u"Connecting", 0xF09040, u"warning", 3},
        {4, 6, u"Connected", 0x00A000, u"online", 1},
        {5, 6, u"Online", 0x00A000, u"online", 1},
        // Beyond the known codes, including values that are negative as signed numbers.
        {7, 6, u"Online", 0x00A000, u"online", 1},
        {0x80000000u, 71, u"Online", 0x00A000, u"online", 1},
        {0xFFFFFFFFu, 6, u"Online", 0x00A000, u"online", 1},
    };
    for (const StatusRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "status " << row.OperStatus << " type " << row.Type);
        const auto device = DeviceWith(row.OperStatus, row.Type);
        EXPECT_EQ(GetStatusText(*device), row.Text);
        EXPECT_EQ(GetStatusColor(*device), row.Color);
        EXPECT_EQ(GetStatusPicture(*device), row.Picture);
        EXPECT_EQ(GetStatusImageIndex(device.get()), row.ImageIndex);
    }
}

TEST_F(DeviceStatusTest, NoDeviceHasPictureZero) {
    EXPECT_EQ(GetStatusImageIndex(nullptr), 0);
}

TEST_F(DeviceStatusTest, SpeedTextTruncatesIntoBpsKbpsOrMbps) {
    const struct {
        std::uint64_t Speed;
        const char16_t* Text;
    } rows[] = {
        {0, u"0 bps"},
        {999, u"999 bps"},
        {1000, u"1 Kbps"},
        {999999, u"999 Kbps"},
        {1000000, u"1 Mbps"},
        {1500000, u"1 Mbps"},
        {54000000, u"54 Mbps"},
        {1000000000, u"1000 Mbps"},
        {4294967295u, u"4294 Mbps"},
        // Beyond what a 32-bit speed could hold.
        {4294967296ull, u"4294 Mbps"},
        {10000000000ull, u"10000 Mbps"},
        {400000000000ull, u"400000 Mbps"},
        {std::numeric_limits<std::uint64_t>::max(), u"18446744073709 Mbps"},
    };
    auto device = std::make_unique<TModelNetworkDevice>(nullptr);
    for (const auto& row : rows) {
        device->m_Speed = row.Speed;
        EXPECT_EQ(GetSpeedText(*device), row.Text) << "speed " << row.Speed;
    }
}

TEST_F(DeviceStatusTest, RateTextHasOneDecimalInTheUnitThatKeepsItBelowAThousand) {
    const struct {
        double Bps;
        const char16_t* Text;
    } rows[] = {
        {0, u"0.0 bps"},        {-5, u"0.0 bps"},
        {0.04, u"0.0 bps"},     {0.05, u"0.1 bps"},
        {999.94, u"999.9 bps"}, {999.95, u"1.0 Kbps"}, // rounds to a thousand, so the next unit
        {12500, u"12.5 Kbps"},  {999949, u"999.9 Kbps"},
        {54e6, u"54.0 Mbps"},   {999.96e6, u"1.0 Gbps"},
        {1e10, u"10.0 Gbps"},   {4e12, u"4000.0 Gbps"}, // no unit above Gbps
    };
    for (const auto& row : rows) {
        EXPECT_EQ(GetRateText(row.Bps), row.Text) << row.Bps;
    }
    UseLanguageFile("[ru_RU]\nName=Russian\n" + std::to_string(LANGUAGE::TextGbps) + "=Гбит/с\n",
                    u"ru_RU");
    EXPECT_EQ(GetRateText(2.5e9), u"2.5 Гбит/с");
}

TEST_F(DeviceStatusTest, LinkShareIsOfTheKnownSpeedOnly) {
    auto device = DeviceWith(5, 6);
    EXPECT_EQ(GetLinkShareText(*device, 1e6), u"");
    device->m_Speed = 10000000000ull;
    EXPECT_EQ(GetLinkShareText(*device, 1.25e9), u" (12.5 %)");
    EXPECT_EQ(GetLinkShareText(*device, 1e10), u" (100.0 %)");
    EXPECT_EQ(GetLinkShareText(*device, 1500), u" (0.0 %)");
}

TEST(FormatCount, GroupsDigitsByThreeWithSpaces) {
    const struct {
        std::uint64_t Value;
        const char16_t* Text;
    } rows[] = {
        {0, u"0"},
        {7, u"7"},
        {999, u"999"},
        {1000, u"1 000"},
        {1005, u"1 005"},
        {1000500, u"1 000 500"},
        {1000000, u"1 000 000"},
        {1234567, u"1 234 567"},
        {2147483648u, u"2 147 483 648"},
        {4294967295u, u"4 294 967 295"},
        {4294967296ull, u"4 294 967 296"},
        {std::numeric_limits<std::uint64_t>::max(), u"18 446 744 073 709 551 615"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatCount(row.Value), row.Text) << "value " << row.Value;
    }
}

TEST(SelectCountWord, PicksTheFormByTheLastDigitWithOnlyElevenToNineteenAsTeens) {
    const std::u16string one = u"one", few = u"few", many = u"many";
    const std::uint64_t ones[] = {
        1, 21, 101, 111, 211, 1001, 2147483651ull, 4294967291ull, 10000000001ull};
    const std::uint64_t fews[] = {2, 3, 4, 22, 104, 112, 2147483652ull, 4294967294ull};
    const std::uint64_t manys[] = {0,
                                   5,
                                   10,
                                   11,
                                   12,
                                   14,
                                   19,
                                   20,
                                   25,
                                   2147483648ull,
                                   4294967295ull,
                                   std::numeric_limits<std::uint64_t>::max()};
    for (const std::uint64_t n : ones) {
        EXPECT_EQ(&SelectCountWord(n, one, few, many), &one) << n;
    }
    for (const std::uint64_t n : fews) {
        EXPECT_EQ(&SelectCountWord(n, one, few, many), &few) << n;
    }
    for (const std::uint64_t n : manys) {
        EXPECT_EQ(&SelectCountWord(n, one, few, many), &many) << n;
    }
}

TEST_F(DeviceStatusTest, StatusAndUnitsFollowTheCurrentLanguage) {
    auto device = DeviceWith(2, 6);
    device->m_Speed = 54000000;
    EXPECT_EQ(GetStatusText(*device), u"Disconnected");
    UseLanguageFile("[ru_RU]\nName=Russian\n1014=Отключено\n1021=Мбит/с\n", u"ru_RU");
    EXPECT_EQ(GetStatusText(*device), u"Отключено");
    EXPECT_EQ(GetSpeedText(*device), u"54 Мбит/с");
    // Texts the language leaves out fall back to the built-in ones.
    device->m_Speed = 999;
    EXPECT_EQ(GetSpeedText(*device), u"999 bps");
}

} // namespace
} // namespace qmr
