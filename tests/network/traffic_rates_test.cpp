#include "network/traffic_rates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace qmr {
namespace {

constexpr std::uint64_t k32 = std::uint64_t{1} << 32;

struct TRateCase {
    const char* Name;
    TTrafficSample Previous;
    TTrafficSample Current;
    // Empty when the rate must start afresh.
    std::optional<TTrafficRate> Expected;
};

TEST(TrafficRateTest, RatesFromConsecutiveSamples) {
    const TRateCase cases[] = {
        {"steady traffic", {0, 0, 1000}, {125000, 250000, 2000}, TTrafficRate{1e6, 2e6}},
        {"an uneven interval", {100, 100, 1000}, {1600, 100, 2500}, TTrafficRate{8000, 0}},
        {"an idle link", {7, 9, 1000}, {7, 9, 2000}, TTrafficRate{0, 0}},
        {"a receive counter reset", {5000, 10, 1000}, {100, 20, 2000}, std::nullopt},
        {"a send counter reset", {10, 5000, 1000}, {20, 100, 2000}, std::nullopt},
        {"a 32-bit wrap", {k32 - 256, 0, 1000, true}, {256, 0, 2000, true}, TTrafficRate{4096, 0}},
        {"a 32-bit counter a little lower",
         {1000, 0, 1000, true},
         {500, 0, 2000, true},
         std::nullopt},
        {"a 64-bit counter does not wrap at 2^32",
         {k32 - 256, 0, 1000},
         {256, 0, 2000},
         std::nullopt},
        {"rows changed from 32 to 64 bits", {0, 0, 1000, true}, {8, 8, 2000}, std::nullopt},
        {"a gap of the longest allowed", {0, 0, 1000}, {5000, 0, 6000}, TTrafficRate{8000, 0}},
        {"a gap beyond it", {0, 0, 1000}, {5000, 0, 6001}, std::nullopt},
        {"a clock that did not advance", {0, 0, 1000}, {5000, 0, 1000}, std::nullopt},
        {"a clock that went back", {0, 0, 2000}, {5000, 0, 1000}, std::nullopt},
        {"a full 10 Gbit/s link",
         {1, 2, 1000},
         {1 + 1250000000ull, 2 + 1250000000ull, 2000},
         TTrafficRate{1e10, 1e10}},
        {"a full 10 Gbit/s link on wrapping counters",
         {4000000000ull, 0, 1000, true},
         {(4000000000ull + 1250000000ull) % k32, 0, 2000, true},
         TTrafficRate{1e10, 0}},
    };
    for (const TRateCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTrafficRate rate{-1, -1};
        const bool computed = ComputeTrafficRate(c.Previous, c.Current, rate);
        ASSERT_EQ(computed, c.Expected.has_value());
        if (computed) {
            EXPECT_DOUBLE_EQ(rate.InBps, c.Expected->InBps);
            EXPECT_DOUBLE_EQ(rate.OutBps, c.Expected->OutBps);
        }
    }
}

class TrafficHistoryTest : public ::testing::Test {
protected:
    TDeviceList devices;

    TModelNetworkDevice& Add(std::uint32_t index, const char16_t* name) {
        devices.push_back(std::make_unique<TModelNetworkDevice>(nullptr));
        devices.back()->m_IfIndex = index;
        devices.back()->m_AdapterName = name;
        return *devices.back();
    }
    static std::vector<double> Received(const TTrafficTrack& track) {
        std::vector<double> out;
        for (int i = 0; i < track.Count(); ++i) {
            out.push_back(track.Point(i).InBps);
        }
        return out;
    }
};

TEST_F(TrafficHistoryTest, FirstSampleReadsZeroThenEachPollAddsItsRate) {
    TTrafficHistory history;
    TModelNetworkDevice& eth = Add(2, u"eth0");
    eth.m_InOctets = 1000000; // traffic before the window started is no rate
    history.Record(devices, 10000);
    ASSERT_NE(history.Find(eth), nullptr);
    EXPECT_EQ(Received(*history.Find(eth)), std::vector<double>{0});
    eth.m_InOctets += 1000;
    eth.m_OutOctets += 500;
    history.Record(devices, 11000);
    EXPECT_EQ(Received(*history.Find(eth)), (std::vector<double>{0, 8000}));
    EXPECT_DOUBLE_EQ(history.Find(eth)->Latest().OutBps, 4000);
    // An extra poll within the same second adds no point; the next second measures from the
    // last point.
    eth.m_InOctets += 1000;
    history.Record(devices, 11400);
    EXPECT_EQ(history.Find(eth)->Count(), 2);
    history.Record(devices, 12000);
    EXPECT_EQ(Received(*history.Find(eth)), (std::vector<double>{0, 8000, 8000}));
}

TEST_F(TrafficHistoryTest, KeepsTheLastHundredAndTwentyPointsOldestFirst) {
    TTrafficHistory history;
    TModelNetworkDevice& eth = Add(2, u"eth0");
    for (int second = 0; second < 130; ++second) {
        eth.m_InOctets += static_cast<std::uint64_t>(second);
        history.Record(devices, 1000 * static_cast<std::uint64_t>(second + 1));
    }
    const TTrafficTrack& track = *history.Find(eth);
    ASSERT_EQ(track.Count(), TTrafficTrack::kCapacity);
    EXPECT_DOUBLE_EQ(track.Point(0).InBps, 10 * 8);
    EXPECT_DOUBLE_EQ(track.Latest().InBps, 129 * 8);
}

TEST_F(TrafficHistoryTest, VanishedAdaptersAreDroppedAndARenamedOneStartsAfresh) {
    TTrafficHistory history;
    Add(2, u"eth0");
    Add(3, u"wlan0");
    history.Record(devices, 1000);
    devices[1]->m_InOctets = 1000;
    history.Record(devices, 2000);
    EXPECT_EQ(history.Size(), 2u);

    devices.erase(devices.begin());
    devices[0]->m_AdapterName = u"wlan1"; // same index, another name
    history.Record(devices, 3000);
    EXPECT_EQ(history.Size(), 1u);
    ASSERT_NE(history.Find(*devices[0]), nullptr);
    EXPECT_EQ(history.Find(*devices[0])->Count(), 1);

    // A device of the same index under its old name is not the track's.
    TDeviceList old;
    old.push_back(std::make_unique<TModelNetworkDevice>(nullptr));
    old[0]->m_IfIndex = 3;
    old[0]->m_AdapterName = u"wlan0";
    EXPECT_EQ(history.Find(*old[0]), nullptr);
}

} // namespace
} // namespace qmr
