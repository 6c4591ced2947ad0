#include <gtest/gtest.h>

#include "common/PackedDate.h"

using namespace zmk;

TEST(HoursBetween, CalendarBoundaries) {
    struct Case {
        uint8_t a[4];
        uint8_t b[4];
        int32_t hours;
    } cases[] = {
        {{24, 5, 10, 3}, {24, 5, 10, 3}, 0},
        {{24, 5, 10, 3}, {24, 5, 10, 23}, 20},
        {{24, 5, 10, 23}, {24, 5, 11, 0}, 1},
        {{24, 5, 11, 0}, {24, 5, 10, 23}, -1},       // backwards
        {{23, 1, 31, 10}, {23, 2, 1, 10}, 24},       // month end
        {{23, 2, 28, 0}, {23, 3, 1, 0}, 24},         // no 29 February in 2023
        {{24, 2, 28, 0}, {24, 3, 1, 0}, 48},         // leap year
        {{0, 2, 28, 0}, {0, 3, 1, 0}, 48},           // 2000 is a leap year
        {{23, 12, 31, 23}, {24, 1, 1, 0}, 1},        // year end
        {{23, 1, 1, 0}, {24, 1, 1, 0}, 365 * 24},
        {{24, 1, 1, 0}, {25, 1, 1, 0}, 366 * 24},
        {{24, 4, 30, 6}, {24, 5, 31, 6}, 31 * 24},
        {{99, 12, 31, 23}, {100, 1, 1, 0}, 1},       // 2099 -> 2100, not a leap year
        {{100, 2, 28, 12}, {100, 3, 1, 12}, 24},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HoursBetween(c.a, c.b), c.hours)
            << int(c.a[0]) << '-' << int(c.a[1]) << '-' << int(c.a[2]) << ' ' << int(c.a[3]) << " -> "
            << int(c.b[0]) << '-' << int(c.b[1]) << '-' << int(c.b[2]) << ' ' << int(c.b[3]);
    }
}

TEST(HoursBetween, StampsThatAreNoTimeGiveZero) {
    const uint8_t good[4] = {24, 5, 10, 3};
    const uint8_t bad[][4] = {
        {24, 0, 10, 3}, {24, 13, 10, 3}, {24, 5, 0, 3}, {24, 4, 31, 3},
        {23, 2, 29, 3}, {24, 5, 10, 24}, {255, 255, 255, 255},
    };
    for (const auto& b : bad) {
        EXPECT_EQ(HoursBetween(good, b), 0);
        EXPECT_EQ(HoursBetween(b, good), 0);
    }
    EXPECT_EQ(HoursBetween(nullptr, good), 0);
}

TEST(PeriodLength, HoursAsTheyAreDaysAndMonthsAtLeastOne) {
    const uint8_t from[4] = {24, 1, 1, 0};
    struct Case {
        uint8_t to[4];
        int32_t kind;
        int32_t length;
    } cases[] = {
        {{24, 1, 2, 5}, PeriodHours, 29},
        {{24, 1, 1, 0}, PeriodHours, 0},
        {{23, 12, 31, 22}, PeriodHours, -2},
        {{24, 1, 1, 0}, PeriodDays, 1},
        {{24, 1, 1, 23}, PeriodDays, 1},
        {{24, 1, 11, 0}, PeriodDays, 10},
        {{24, 3, 1, 0}, PeriodDays, 60},  // January 31 + February 29
        {{23, 12, 20, 0}, PeriodDays, 1},
        {{24, 1, 20, 0}, PeriodMonths, 1},
        {{24, 3, 1, 0}, PeriodMonths, 2},
        {{25, 1, 1, 0}, PeriodMonths, 12},  // 366 days / 30
        {{24, 3, 1, 0}, 3, 1},
        {{24, 3, 1, 0}, -1, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PeriodLength(from, c.to, c.kind), c.length)
            << "kind " << c.kind << " to " << int(c.to[0]) << '-' << int(c.to[1]) << '-' << int(c.to[2]);
}
