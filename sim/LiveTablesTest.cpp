#include "Controller.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zmksim {
namespace {

float FloatAt(std::span<const uint8_t> table, std::size_t field) {
    float v;
    std::memcpy(&v, table.data() + field * 4, 4);
    return v;
}

void SetFloat(std::span<uint8_t> table, std::size_t field, float v) { std::memcpy(table.data() + field * 4, &v, 4); }

struct LiveFixture : ::testing::Test {
    std::time_t now = 1'765'000'000;  // December 2025
    ControllerOptions options;
    Controller Make() { return Controller(options, [this] { return now; }); }
};

TEST_F(LiveFixture, PollTimeAndValuesFollowTheClock) {
    Controller c = Make();
    const Bytes first(c.Table(30).begin(), c.Table(30).end());
    const auto clock = c.Table(2);
    EXPECT_EQ(first[0], clock[0]);  // year
    EXPECT_EQ(first[2], clock[2]);  // day
    EXPECT_EQ(first[6], clock[5]);  // second
    now += 1;
    const Bytes next(c.Table(30).begin(), c.Table(30).end());
    EXPECT_EQ(next[6], (first[6] + 1) % 60);
    int changed = 0;
    for (std::size_t p = 0; p < 18; ++p) {
        const float a = FloatAt(first, 2 + p), b = FloatAt(next, 2 + p);
        EXPECT_GT(a, 0.0f) << p;
        EXPECT_LT(std::abs(a - b), 0.01f * a) << p;  // a drift, not a jump
        if (a != b) ++changed;
    }
    EXPECT_GE(changed, 16);
    EXPECT_EQ(FloatAt(next, 20), 0.0f);  // parameters 18 and 19 are not used
    // The sum of the components is about 100 %.
    float sum = 0;
    for (std::size_t p : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15}) sum += FloatAt(next, 2 + p);
    EXPECT_NEAR(sum + FloatAt(next, 2 + 0), 100.0f, 0.5f);
    // Dew points below zero, the pressure in tens of bar.
    const auto m = c.Table(37);
    EXPECT_LT(FloatAt(m, 2), 0.0f);
    EXPECT_GT(FloatAt(m, 4), 10.0f);
}

TEST_F(LiveFixture, ZonesJudgeTheValuesAgainstTheLimits) {
    Controller c = Make();
    const float methane = FloatAt(c.Table(30), 2 + 8);
    struct Case {
        std::size_t table;
        float limit;
        uint8_t zone;
    };
    // One limit moved past the value at a time; the others stay 0 .. 100.
    for (const Case& k : {Case{25, methane + 1, 3}, Case{26, methane - 1, 4}, Case{23, methane + 1, 1},
                          Case{24, methane - 1, 2}}) {
        Controller fresh = Make();
        SetFloat(fresh.Table(k.table), 8, k.limit);
        EXPECT_EQ(fresh.Table(32)[8], k.zone) << "table " << k.table;
        EXPECT_EQ(fresh.Table(32)[7], 0);
        EXPECT_EQ(fresh.Table(16)[10], 1);  // a value outside its normal zone
        // Parameter 8 is bit 8 of the word in fields 12-13, low byte first
        // while identification field 10 says so, high byte first otherwise.
        EXPECT_EQ(fresh.Table(16)[12], 0);
        EXPECT_EQ(fresh.Table(16)[13], 1);
        fresh.Table(0)[10] = 0;
        EXPECT_EQ(fresh.Table(16)[12], 1);
        EXPECT_EQ(fresh.Table(16)[13], 0);
    }
    EXPECT_EQ(c.Table(16)[10], 0);
}

TEST_F(LiveFixture, LostLinksAndTheSelfDiagnosticsFlag) {
    options.live.chromLinkLost = true;
    options.live.selfDiagnosticFault = true;
    Controller c = Make();
    const Bytes first(c.Table(30).begin(), c.Table(30).end());
    now += 5;
    EXPECT_EQ(Bytes(c.Table(30).begin(), c.Table(30).end()), first);  // no new poll
    EXPECT_EQ(c.Table(33)[0], 0);
    EXPECT_EQ(c.Table(33)[1], 1);
    EXPECT_EQ(c.Table(16)[7], 1);
    EXPECT_EQ(c.Table(16)[9], 1);
    EXPECT_EQ(c.Table(16)[6], 0);
    Controller plain(ControllerOptions{}, [this] { return now; });
    EXPECT_EQ(plain.Table(33)[0], 1);
    EXPECT_EQ(plain.Table(16)[9], 0);
}

}  // namespace
}  // namespace zmksim
