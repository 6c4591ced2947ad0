// The date toolkit: calendar rules, steps, comparisons, the summer-time rule
// and the archive bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>

#include "FakeLink.h"
#include "common/PackedDate.h"
#include "tables/TableEngine.h"
#include "measurements/ArchiveBounds.h"
#include "common/MessageKind.h"

using namespace zmk;

namespace zmk {
void PrintTo(const PackedDate& d, std::ostream* os) {
    *os << int(d.Day) << '.' << int(d.Month) << '.' << int(d.Year) << ' ' << int(d.Hour) << ':' << int(d.Minute)
        << ':' << int(d.Second);
}
}  // namespace zmk

namespace {

PackedDate D(int day, int month, int year, int hour = 0, int minute = 0, int second = 0) {
    return PackedDate{uint8_t(year), uint8_t(month), uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second)};
}

// ---------------------------------------------------------------------------

TEST(Calendar, GregorianRuleAndTheStepRuleDifferIn2100) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2008));
    EXPECT_FALSE(IsLeapYear(2009));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);

    // 2000: both rules give a 29 February.
    PackedDate d = D(28, 2, 0);
    StepForward(d, UnitDay);
    EXPECT_EQ(d, D(29, 2, 0));
    EXPECT_TRUE(IsValidPackedDate(d));

    // 2100 (year byte 100): the steps still count a 29 February, validation does not.
    d = D(28, 2, 100);
    StepForward(d, UnitDay);
    EXPECT_EQ(d, D(29, 2, 100));
    EXPECT_FALSE(IsValidPackedDate(d));
    d = D(1, 3, 100);
    StepBack(d, UnitDay);
    EXPECT_EQ(d, D(29, 2, 100));
}

TEST(Calendar, MonthLengthsAndDayOfYear) {
    const int lengths2009[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m) EXPECT_EQ(DaysInMonth(2009, m), lengths2009[m - 1]) << m;
    EXPECT_EQ(DaysInMonth(2009, 0), 0);
    EXPECT_EQ(DaysInMonth(2009, 13), 0);

    EXPECT_EQ(DayOfYear(2009, 1, 1), 1);
    EXPECT_EQ(DayOfYear(2009, 3, 1), 60);
    EXPECT_EQ(DayOfYear(2008, 3, 1), 61);
    EXPECT_EQ(DayOfYear(2008, 12, 31), 366);
    EXPECT_EQ(DayOfYear(2009, 12, 31), 365);
}

TEST(Calendar, WeekDayCountsFromSunday6January2002) {
    EXPECT_EQ(WeekDay(D(6, 1, 2)), 1);
    EXPECT_EQ(WeekDay(D(7, 1, 2)), 2);
    EXPECT_EQ(WeekDay(D(12, 1, 2)), 7);
    EXPECT_EQ(WeekDay(D(13, 1, 2)), 1);
    EXPECT_EQ(WeekDay(D(30, 3, 8)), 1);   // a Sunday
    EXPECT_EQ(WeekDay(D(1, 3, 8)), 7);    // a Saturday
    EXPECT_EQ(WeekDay(D(1, 1, 24)), 2);   // a Monday
    EXPECT_EQ(WeekDay(D(5, 1, 2)), 0);    // before the origin
    EXPECT_EQ(WeekDay(D(6, 1, 2, 23, 59, 59)), 1);  // the time does not count
}

TEST(Calendar, DaysBetweenIsSigned) {
    EXPECT_EQ(DaysBetween(D(28, 2, 8), D(1, 3, 8)), 2);
    EXPECT_EQ(DaysBetween(D(28, 2, 9), D(1, 3, 9)), 1);
    EXPECT_EQ(DaysBetween(D(1, 3, 9), D(28, 2, 9)), -1);
    EXPECT_EQ(DaysBetween(D(1, 1, 0), D(1, 1, 1)), 366);
    EXPECT_EQ(DaysBetween(D(31, 12, 8, 23), D(1, 1, 9, 0)), 1);
}

TEST(Calendar, DateTimeValue) {
    EXPECT_DOUBLE_EQ(ToDateTime(D(1, 1, 0)), 36526.0);
    EXPECT_DOUBLE_EQ(ToDateTime(D(10, 3, 8, 12, 0, 0)), 39517.5);
    EXPECT_DOUBLE_EQ(ToDateTime(D(10, 3, 8, 6, 0, 36)), 39517.0 + (6 * 3600 + 36) / 86400.0);
    // A day past the month's end counts on into the next month.
    EXPECT_EQ(FromDateTime(ToDateTime(D(31, 2, 9))), D(3, 3, 9));
    EXPECT_EQ(FromDateTime(ToDateTime(D(31, 2, 8))), D(2, 3, 8));
    EXPECT_EQ(FromDateTime(ToDateTime(D(31, 4, 8, 10))), D(1, 5, 8, 10));

    const PackedDate samples[] = {D(1, 1, 0), D(29, 2, 8, 23, 59, 59), D(31, 12, 99, 23, 59, 59),
                                  D(10, 3, 8, 0, 2, 0), D(1, 3, 24, 12, 34, 56)};
    for (const PackedDate& s : samples) EXPECT_EQ(FromDateTime(ToDateTime(s)), s);

    // Rounded to the nearest second, carrying into the next day.
    EXPECT_EQ(FromDateTime(39517.0 - 0.4 / 86400), D(10, 3, 8));
    // Values the year byte cannot hold end at the range's ends.
    EXPECT_EQ(FromDateTime(0.0), D(1, 1, 0));
    EXPECT_EQ(FromDateTime(std::numeric_limits<double>::quiet_NaN()), D(1, 1, 0));
    EXPECT_EQ(FromDateTime(1e9), D(31, 12, 99, 23, 59, 59));
}

TEST(Calendar, Validity) {
    struct Case {
        PackedDate date;
        bool valid;
    };
    const Case cases[] = {
        {D(31, 2, 8), false},  // February check
        {D(29, 2, 8), true},   {D(29, 2, 9), false}, {D(29, 2, 0), true},
        {D(31, 4, 8), true},   // 30-day months are not checked
        {D(1, 0, 8), false},   {D(1, 13, 8), false}, {D(0, 5, 8), false},   {D(32, 5, 8), false},
        {D(1, 5, 8, 24), false}, {D(1, 5, 8, 23, 60), false}, {D(1, 5, 8, 23, 59, 60), false},
        {D(1, 5, 8, 23, 59, 59), true}, {D(0, 0, 0), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidPackedDate(c.date), c.valid) << ::testing::PrintToString(c.date);
}

TEST(PackedDateCompare, PrecisionOfEachUnit) {
    const PackedDate a = D(10, 3, 8, 5, 10, 20);
    EXPECT_EQ(CompareDates(a, D(10, 3, 8, 6), UnitHour), -1);
    EXPECT_EQ(CompareDates(a, D(10, 3, 8, 6), UnitDay), 0);
    EXPECT_EQ(CompareDates(a, D(9, 3, 8, 23), UnitDay), 1);
    EXPECT_EQ(CompareDates(a, D(1, 3, 8), UnitMonth), 0);
    EXPECT_EQ(CompareDates(a, D(1, 4, 8), UnitMonth), -1);
    EXPECT_EQ(CompareDates(a, D(10, 3, 8, 5, 59), UnitHour), 0);
    EXPECT_EQ(CompareDates(a, D(1, 1, 9), UnitDay), -1);  // the year first
    EXPECT_EQ(CompareMinutes(a, D(10, 3, 8, 5, 10, 59)), 0);
    EXPECT_EQ(CompareMinutes(a, D(10, 3, 8, 5, 9, 59)), 1);
    EXPECT_EQ(CompareSeconds(a, D(10, 3, 8, 5, 10, 21)), -1);
    EXPECT_EQ(CompareSeconds(a, a), 0);
}

TEST(PackedDateSteps, ForwardAndBack) {
    struct Case {
        const char* name;
        PackedDate from;
        int unit;
        bool forward;
        PackedDate to;
    };
    const Case cases[] = {
        {"hour into the next year", D(31, 12, 8, 23), UnitHour, true, D(1, 1, 9, 0)},
        {"hour", D(10, 3, 8, 5), UnitHour, true, D(10, 3, 8, 6)},
        {"day into 29 February", D(28, 2, 8), UnitDay, true, D(29, 2, 8)},
        {"day over February", D(28, 2, 9), UnitDay, true, D(1, 3, 9)},
        {"day over April", D(30, 4, 9, 7), UnitDay, true, D(1, 5, 9, 7)},
        {"month keeps the day", D(31, 1, 9), UnitMonth, true, D(31, 2, 9)},
        {"month into the next year", D(15, 12, 9), UnitMonth, true, D(15, 1, 10)},
        {"hour back into the previous year", D(1, 1, 9, 0), UnitHour, false, D(31, 12, 8, 23)},
        {"day back from the 1st", D(1, 3, 8), UnitDay, false, D(29, 2, 8)},
        {"day back from the 1st, 2009", D(1, 3, 9, 10), UnitDay, false, D(28, 2, 9, 10)},
        {"day back from 1 May", D(1, 5, 9), UnitDay, false, D(30, 4, 9)},
        {"month back keeps the day", D(31, 3, 9), UnitMonth, false, D(31, 2, 9)},
        {"month back from January", D(20, 1, 9), UnitMonth, false, D(20, 12, 8)},
    };
    for (const Case& c : cases) {
        PackedDate d = c.from;
        if (c.forward)
            StepForward(d, c.unit);
        else
            StepBack(d, c.unit);
        EXPECT_EQ(d, c.to) << c.name;
    }
}

TEST(PackedDateSteps, FiveMinutes) {
    struct Case {
        PackedDate from;
        bool forward;
        PackedDate to;
    };
    const Case cases[] = {
        {D(10, 3, 8, 12, 50), true, D(10, 3, 8, 12, 55)},
        {D(10, 3, 8, 12, 51), true, D(10, 3, 8, 13, 0)},  // 56 or more becomes 0
        {D(10, 3, 8, 12, 55), true, D(10, 3, 8, 13, 0)},
        {D(31, 12, 8, 23, 55), true, D(1, 1, 9, 0, 0)},
        {D(10, 3, 8, 12, 5), false, D(10, 3, 8, 12, 0)},
        {D(10, 3, 8, 12, 0), false, D(10, 3, 8, 11, 55)},
        {D(1, 3, 8, 0, 0), false, D(29, 2, 8, 23, 55)},
    };
    for (const Case& c : cases) {
        PackedDate d = c.from;
        if (c.forward)
            StepFiveMinutes(d);
        else
            StepBackFiveMinutes(d);
        EXPECT_EQ(d, c.to) << ::testing::PrintToString(c.from);
    }
}

TEST(PackedDateSteps, FiveMinuteSlotsAndIntervals) {
    const PackedDate expected = D(10, 3, 8, 12, 35);
    EXPECT_TRUE(InFiveMinuteSlot(D(10, 3, 8, 12, 35, 59), expected));
    EXPECT_TRUE(InFiveMinuteSlot(D(10, 3, 8, 12, 40), expected));
    EXPECT_FALSE(InFiveMinuteSlot(D(10, 3, 8, 12, 41), expected));
    EXPECT_FALSE(InFiveMinuteSlot(D(10, 3, 8, 12, 34), expected));
    EXPECT_TRUE(InFiveMinuteSlot(D(1, 1, 9, 0, 0), D(31, 12, 8, 23, 55)));

    EXPECT_EQ(FiveMinuteIntervals(D(10, 3, 8, 12, 37), D(10, 3, 8, 12, 42)), 1);
    EXPECT_EQ(FiveMinuteIntervals(D(10, 3, 8, 12, 35), D(10, 3, 8, 12, 39)), 0);
    EXPECT_EQ(FiveMinuteIntervals(D(10, 3, 8), D(11, 3, 8)), 288);
    EXPECT_EQ(FiveMinuteIntervals(D(28, 2, 8, 23, 55), D(1, 3, 8, 0, 0)), 289);
    EXPECT_EQ(FiveMinuteIntervals(D(10, 1, 8), D(10, 3, 8)), 60 * 288);
    EXPECT_EQ(FiveMinuteIntervals(D(11, 3, 8), D(10, 3, 8, 23, 0)), -12);
}

TEST(SummerTime, LastSundayRules) {
    // Summer from the last Sunday of March at 2 h, winter from the last
    // Sunday of October at 3 h. 2008: 30 March and 26 October.
    const SummerTimeRule summer{3, 0xC9, 2};
    const SummerTimeRule winter{10, 0xC9, 3};
    EXPECT_EQ(SummerTimeFlag(D(30, 3, 8, 1), summer, winter), WinterTime);
    EXPECT_EQ(SummerTimeFlag(D(30, 3, 8, 2), summer, winter), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(29, 3, 8, 23), summer, winter), WinterTime);
    EXPECT_EQ(SummerTimeFlag(D(31, 3, 8, 0), summer, winter), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(26, 10, 8, 2), summer, winter), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(26, 10, 8, 3), summer, winter), WinterTime);
    EXPECT_EQ(SummerTimeFlag(D(15, 7, 8), summer, winter), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(15, 1, 8), summer, winter), WinterTime);
    EXPECT_EQ(SummerTimeFlag(D(1, 12, 8), summer, winter), WinterTime);
    // 2009: the last Sunday of March is the 29th.
    EXPECT_EQ(SummerTimeFlag(D(29, 3, 9, 2), summer, winter), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(28, 3, 9, 12), summer, winter), WinterTime);
}

TEST(SummerTime, OrdinalsFromTheStartAndFixedDays) {
    // 1 March 2008 is a Saturday. The first Sunday (0x89) is the 2nd, the
    // second Monday (0x92) the 10th, the second to last Saturday (0xFA) the 22nd.
    const SummerTimeRule winterLate{11, 1, 0};
    EXPECT_EQ(SummerTimeFlag(D(2, 3, 8, 5), {3, 0x89, 5}, winterLate), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(2, 3, 8, 4), {3, 0x89, 5}, winterLate), WinterTime);
    EXPECT_EQ(SummerTimeFlag(D(1, 3, 8, 23), {3, 0x89, 5}, winterLate), WinterTime);
    EXPECT_EQ(SummerTimeFlag(D(10, 3, 8, 0), {3, 0x92, 0}, winterLate), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(9, 3, 8, 23), {3, 0x92, 0}, winterLate), WinterTime);
    EXPECT_EQ(SummerTimeFlag(D(22, 3, 8, 1), {3, 0xFA, 1}, winterLate), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(21, 3, 8, 23), {3, 0xFA, 1}, winterLate), WinterTime);
    // Fixed days: from 15 April 10 h to 1 November 0 h.
    EXPECT_EQ(SummerTimeFlag(D(15, 4, 8, 9), {4, 15, 10}, winterLate), WinterTime);
    EXPECT_EQ(SummerTimeFlag(D(15, 4, 8, 10), {4, 15, 10}, winterLate), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(31, 10, 8, 23), {4, 15, 10}, winterLate), SummerTime);
    EXPECT_EQ(SummerTimeFlag(D(1, 11, 8, 0), {4, 15, 10}, winterLate), WinterTime);
}

// ---------------------------------------------------------------------------

TEST(ArchiveBounds, FiveMinuteArchive) {
    struct Case {
        const char* name;
        PackedDate raw;
        PackedDate now;
        bool ok;
        PackedDate oldest;
        PackedDate newest;
    };
    const Case cases[] = {
        {"two months back", D(1, 1, 1), D(10, 3, 8, 0, 2, 0), true, D(10, 1, 8, 0, 0), D(9, 3, 8, 23, 55)},
        {"31.03 stays 31.01", D(1, 1, 1), D(31, 3, 9, 12, 4, 30), true, D(31, 1, 9, 12, 0), D(31, 3, 9, 11, 55)},
        {"30.04 gives 01.03", D(1, 1, 1), D(30, 4, 9, 12, 0, 0), true, D(1, 3, 9, 12, 0), D(30, 4, 9, 11, 55)},
        {"into the previous year", D(1, 1, 1), D(15, 1, 9, 8, 17), true, D(15, 11, 8, 8, 15), D(15, 1, 9, 8, 10)},
        {"later raw date, rounded", D(5, 3, 8, 10, 7, 33), D(10, 3, 8, 0, 2), true, D(5, 3, 8, 10, 5),
         D(9, 3, 8, 23, 55)},
        {"raw date after newest", D(10, 3, 8, 0, 1), D(10, 3, 8, 0, 2), false, D(10, 3, 8, 0, 0),
         D(9, 3, 8, 23, 55)},
    };
    for (const Case& c : cases) {
        ArchiveBounds b;
        EXPECT_EQ(ComputeFiveMinuteBounds(c.raw, c.now, b), c.ok) << c.name;
        EXPECT_EQ(b.Oldest, c.oldest) << c.name;
        EXPECT_EQ(b.Newest, c.newest) << c.name;
    }
}

TEST(ArchiveBounds, HourlyDailyMonthly) {
    struct Case {
        const char* name;
        PackedDate raw;
        PackedDate now;
        int unit;
        bool dayFlag;
        int contractHour;
        bool ok;
        PackedDate oldest;  // compared at the unit's precision
        PackedDate newest;
    };
    const Case cases[] = {
        {"daily before the contract hour", D(1, 1, 1), D(15, 5, 9, 5, 30), UnitDay, false, 10, true,
         D(14, 5, 5), D(13, 5, 9)},
        {"daily after the contract hour", D(1, 1, 1), D(15, 5, 9, 11, 0), UnitDay, false, 10, true,
         D(15, 5, 5), D(14, 5, 9)},
        {"daily raw date later", D(20, 4, 9), D(15, 5, 9, 11), UnitDay, false, 10, true, D(20, 4, 9),
         D(14, 5, 9)},
        {"daily raw date later with the day flag", D(20, 4, 9), D(15, 5, 9, 11), UnitDay, true, 10, true,
         D(19, 4, 9), D(14, 5, 9)},
        {"daily, raw not later, day flag ignored", D(1, 1, 1), D(15, 5, 9, 11), UnitDay, true, 10, true,
         D(15, 5, 5), D(14, 5, 9)},
        {"daily, year 1: the raw date", D(3, 2, 1, 10), D(15, 5, 1, 11), UnitDay, false, 10, true, D(3, 2, 1),
         D(14, 5, 1)},
        {"hourly one year back", D(1, 1, 1), D(10, 3, 8, 0, 30), UnitHour, false, 10, true, D(10, 3, 7, 0),
         D(9, 3, 8, 23)},
        {"hourly, contract hour does not matter", D(1, 1, 1), D(10, 3, 8, 5), UnitHour, false, 10, true,
         D(10, 3, 7, 5), D(10, 3, 8, 4)},
        {"hourly 29.02 a year back", D(1, 1, 1), D(29, 2, 8, 5), UnitHour, false, 10, true, D(1, 3, 7, 5),
         D(29, 2, 8, 4)},
        {"hourly, year 1: the raw date", D(1, 3, 1, 5), D(10, 6, 1, 12), UnitHour, false, 0, true, D(1, 3, 1, 5),
         D(10, 6, 1, 11)},
        {"hourly raw after newest", D(10, 6, 9, 12), D(10, 6, 9, 12, 30), UnitHour, false, 0, false,
         D(10, 6, 9, 12), D(10, 6, 9, 11)},
        {"monthly on the 1st before the contract hour", D(1, 1, 1), D(1, 6, 9, 5), UnitMonth, false, 10, true,
         D(1, 5, 7), D(1, 4, 9)},
        {"monthly on the 1st after the contract hour", D(1, 1, 1), D(1, 6, 9, 11), UnitMonth, false, 10, true,
         D(1, 6, 7), D(1, 5, 9)},
        {"monthly on the 2nd before the contract hour", D(1, 1, 1), D(2, 6, 9, 5), UnitMonth, false, 10, true,
         D(2, 6, 7), D(2, 5, 9)},
        {"monthly raw on the 1st with the day flag", D(1, 2, 9), D(2, 6, 9, 11), UnitMonth, true, 10, true,
         D(1, 1, 9), D(2, 5, 9)},
    };
    for (const Case& c : cases) {
        ArchiveBounds b;
        EXPECT_EQ(ComputeBounds(c.raw, c.now, b, c.unit, c.dayFlag, c.contractHour), c.ok) << c.name;
        const int bytes = c.unit == UnitHour ? 4 : (c.unit == UnitDay ? 3 : 2);
        EXPECT_EQ(b.Oldest.Prefix(bytes), c.oldest.Prefix(bytes)) << c.name;
        EXPECT_EQ(b.Newest.Prefix(bytes), c.newest.Prefix(bytes)) << c.name;
        EXPECT_EQ(b.Oldest.Minute, 0) << c.name;
        EXPECT_EQ(b.Newest.Minute, 0) << c.name;
    }
    ArchiveBounds b;
    EXPECT_FALSE(ComputeBounds(D(1, 1, 1), D(1, 6, 9), b, UnitFiveMinutes, false, 0));
}

// The daily bounds are computed on 4-byte dates: the hour byte is carried
// (the passports compare their start with the oldest bound at the hour).
TEST(ArchiveBounds, DailyBoundsKeepTheHourTheyWereComputedWith) {
    ArchiveBounds b;
    ASSERT_TRUE(ComputeBounds(D(1, 1, 1), D(15, 5, 9, 5, 30), b, UnitDay, false, 10));
    EXPECT_EQ(b.Newest, D(13, 5, 9, 5));
    EXPECT_EQ(b.Oldest, D(14, 5, 5, 5));
    ASSERT_TRUE(ComputeBounds(D(20, 4, 9, 10, 0, 0), D(15, 5, 9, 11, 45), b, UnitDay, false, 10));
    EXPECT_EQ(b.Newest, D(14, 5, 9, 11));
    EXPECT_EQ(b.Oldest, D(20, 4, 9, 10));
}

TEST(ArchiveBounds, TenByteLayout) {
    const ArchiveBounds b{D(10, 1, 8, 0, 5), D(9, 3, 8, 23, 55)};
    uint8_t bytes[ArchiveBounds::Size];
    b.ToBytes(bytes);
    const uint8_t expected[] = {8, 1, 10, 0, 5, 8, 3, 9, 23, 55};
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), bytes));
    EXPECT_EQ(ArchiveBounds::FromBytes(bytes), b);

    const uint8_t raw[] = {8, 3, 10, 12, 30, 45};
    EXPECT_EQ(PackedDate::FromBytes(raw, 4), D(10, 3, 8, 12));
    EXPECT_EQ(PackedDate::FromBytes(raw).Prefix(3), D(10, 3, 8));
}

TEST(ArchiveBoundsMessages, InvalidDateText) {
    EXPECT_EQ(InvalidDateLine1(D(31, 2, 8, 7, 5, 9)).toStdString(),
              "Прочитанные параметры даты и времени (31.02.08 07:05:09)");
    EXPECT_EQ(InvalidDateLine2().toStdString(), "не соответствуют допустимым значениям");
}

// ---------------------------------------------------------------------------
// ReadArchiveBounds over a scripted controller.

struct RecordedMessages : ArchiveMessages {
    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override {
        shown.push_back({int32_t(kind), line1.toStdString(), line2.toStdString()});
    }
    struct Shown {
        int32_t kind;
        std::string line1, line2;
    };
    std::vector<Shown> shown;
};

struct BoundsFixture : ::testing::Test {
    BoundsFixture() : link(1), engine(link, image, noRetry) {
        channel = UseScriptChannel(link, clock);
        link.AnswerWaitMs = 10;
        channel->peer = [this](const std::vector<uint8_t>& req) -> std::vector<uint8_t> {
            const uint8_t table = req[5], first = req[6], count = req[7];
            requests.push_back({table, first, count});
            if (table == silentTable) return {};
            const std::vector<uint8_t>* t = table == 27 ? &table27 : table == 2 ? &table2 : &table6;
            const int size = table == 27 ? 6 : 1;
            std::vector<uint8_t> data{table, first, count};
            data.insert(data.end(), t->begin() + first * size, t->begin() + (first + count) * size);
            return AnswerFrame(1, 0x81, 0, data);
        };
    }
    void SetOldest(int field, PackedDate d) { d.ToBytes(table27.data() + field * 6); }
    void SetClock(PackedDate d) { d.ToBytes(table2.data()); }

    FakeClock clock;
    ControllerLink link;
    ConfigImage image;
    NoRetry noRetry;
    TableEngine engine;
    ScriptChannel* channel = nullptr;
    RecordedMessages messages;
    ArchiveBoundsReading reading;
    std::vector<std::array<int, 3>> requests;
    int silentTable = -1;
    std::vector<uint8_t> table27 = std::vector<uint8_t>(18, 0);
    std::vector<uint8_t> table2 = {8, 3, 10, 0, 2, 0, 2, 0x80};
    std::vector<uint8_t> table6 = {3, 0xC9, 2, 10, 0xC9, 3, 10, 1, 1, 0, 0, 0};
};

TEST_F(BoundsFixture, FiveMinuteArchiveReadsItsFieldTheClockAndTheSystemTable) {
    SetOldest(0, D(5, 2, 7, 13, 20, 11));
    SetOldest(1, D(1, 1, 1));  // other fields are not looked at
    ASSERT_TRUE(ReadArchiveBounds(engine, nullptr, UnitFiveMinutes, messages, reading));
    const std::vector<std::array<int, 3>> expected = {{27, 0, 1}, {2, 0, 8}, {6, 0, 12}};
    EXPECT_EQ(requests, expected);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(reading.Bounds.Oldest, D(10, 1, 8, 0, 0));
    EXPECT_EQ(reading.Bounds.Newest, D(9, 3, 8, 23, 55));
    EXPECT_EQ(reading.RawOldest, D(5, 2, 7, 13, 20, 11));
    EXPECT_EQ(reading.Clock, D(10, 3, 8, 0, 2, 0));
    EXPECT_FALSE(reading.DayFlag);
    // Fields 9..11 of the system table are kept as 1, 0, 0 in the image.
    EXPECT_EQ(image.Table(6)[9], 1);
    EXPECT_EQ(image.Table(6)[10], 0);
}

TEST_F(BoundsFixture, DailyArchiveTakesTheDayFlagAndTheContractHour) {
    SetClock(D(15, 5, 9, 5, 0, 0));
    SetOldest(2, D(20, 4, 9, 10, 0, 0x80));
    ASSERT_TRUE(ReadArchiveBounds(engine, nullptr, UnitDay, messages, reading));
    EXPECT_EQ(requests.front(), (std::array<int, 3>{27, 2, 1}));
    EXPECT_TRUE(reading.DayFlag);
    EXPECT_EQ(reading.RawOldest, D(20, 4, 9, 10, 0, 0));
    EXPECT_EQ(reading.Bounds.Oldest.Prefix(3), D(19, 4, 9));
    EXPECT_EQ(reading.Bounds.Newest.Prefix(3), D(13, 5, 9));

    // With the contract hour at 4 the gas day of the 15th has begun.
    table6[6] = 4;
    requests.clear();
    ASSERT_TRUE(ReadArchiveBounds(engine, nullptr, UnitDay, messages, reading));
    EXPECT_EQ(reading.Bounds.Newest.Prefix(3), D(14, 5, 9));
}

TEST_F(BoundsFixture, HourlyArchiveReadsField1) {
    SetOldest(1, D(1, 1, 7, 3));
    ASSERT_TRUE(ReadArchiveBounds(engine, nullptr, UnitHour, messages, reading));
    EXPECT_EQ(requests.front(), (std::array<int, 3>{27, 1, 1}));
    EXPECT_EQ(reading.Bounds.Oldest, D(10, 3, 7, 0));
    EXPECT_EQ(reading.Bounds.Newest, D(9, 3, 8, 23));
}

TEST_F(BoundsFixture, RefusalsAndTheirMessages) {
    struct Case {
        const char* name;
        int archive;
        PackedDate raw;
        PackedDate clock;
        std::string line1, line2;
        size_t tablesRead;
    };
    const PackedDate goodClock = D(10, 3, 8, 0, 2, 0);
    const Case cases[] = {
        {"empty archive", UnitFiveMinutes, D(1, 1, 1), goodClock, "В архиве нет данных", "", 1},
        {"empty daily archive with the day flag", UnitDay, D(1, 1, 1, 0, 0, 0x80), goodClock, "В архиве нет данных",
         "", 1},
        {"31 February", UnitHour, D(31, 2, 8), goodClock, "Прочитанные параметры даты и времени (31.02.08 00:00:00)",
         "не соответствуют допустимым значениям", 1},
        {"zeros", UnitFiveMinutes, D(0, 0, 0), goodClock,
         "Прочитанные параметры даты и времени (00.00.00 00:00:00)", "не соответствуют допустимым значениям", 1},
        {"seconds flag outside the daily archive", UnitHour, D(5, 3, 8, 1, 0, 0x80), goodClock,
         "Прочитанные параметры даты и времени (05.03.08 01:00:128)", "не соответствуют допустимым значениям", 1},
        {"invalid clock", UnitFiveMinutes, D(5, 3, 8), D(10, 13, 8, 0, 2, 0),
         "Прочитанные параметры даты и времени (10.13.08 00:02:00)", "не соответствуют допустимым значениям", 2},
        {"nothing recorded yet", UnitFiveMinutes, D(10, 3, 8, 0, 0, 30), goodClock,
         "В архиве еще нет ни одной записи", "", 3},
    };
    for (const Case& c : cases) {
        requests.clear();
        messages.shown.clear();
        SetOldest(c.archive == UnitFiveMinutes ? 0 : c.archive == UnitHour ? 1 : 2, c.raw);
        SetClock(c.clock);
        EXPECT_FALSE(ReadArchiveBounds(engine, nullptr, c.archive, messages, reading)) << c.name;
        ASSERT_EQ(messages.shown.size(), 1u) << c.name;
        EXPECT_EQ(messages.shown[0].kind, 6) << c.name;
        EXPECT_EQ(messages.shown[0].line1, c.line1) << c.name;
        EXPECT_EQ(messages.shown[0].line2, c.line2) << c.name;
        EXPECT_EQ(requests.size(), c.tablesRead) << c.name;
    }
}

TEST_F(BoundsFixture, FailedReadOrUnknownArchiveEndsWithoutMessage) {
    SetOldest(0, D(5, 3, 8));
    silentTable = 2;
    EXPECT_FALSE(ReadArchiveBounds(engine, nullptr, UnitFiveMinutes, messages, reading));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(requests.size(), 2u);

    requests.clear();
    EXPECT_FALSE(ReadArchiveBounds(engine, nullptr, UnitMonth, messages, reading));
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
