#pragma once

// The controller's packed dates and the calendar arithmetic on them:
// comparisons at a chosen precision, steps, conversion to and from the
// date-time value of the user interface, and the summer-time rule.

#include <cstdint>

namespace zmk {

// Date-time as days since 30 December 1899, the fraction being the time of day.
using DateTimeValue = double;

// The local wall-clock time now as a date-time value.
DateTimeValue CurrentDateTimeValue();

// The controller's date and time, one byte per field, in this order. The
// shorter precisions use a prefix of the bytes: 5 (to the minute) for
// 5-minute periods, 4 (to the hour) for hourly, 3 (to the day) for daily
// periods; the bytes past the prefix are then 0.
struct PackedDate {
    static constexpr int Size = 6;

    uint8_t Year = 0;    // year - 2000, 0..99
    uint8_t Month = 0;   // 1..12
    uint8_t Day = 0;     // 1..31
    uint8_t Hour = 0;    // 0..23
    uint8_t Minute = 0;  // 0..59
    uint8_t Second = 0;  // 0..59

    // The first `count` bytes (0..6) from `bytes`; the rest 0.
    static PackedDate FromBytes(const uint8_t* bytes, int count = Size);
    // Writes the first `count` bytes (0..6).
    void ToBytes(uint8_t* bytes, int count = Size) const;
    // The first `count` bytes kept, the rest set to 0.
    PackedDate Prefix(int count) const;

    int FullYear() const { return 2000 + Year; }

    bool operator==(const PackedDate&) const = default;
};
static_assert(sizeof(PackedDate) == PackedDate::Size);

// Unit of stepping and precision of comparison; the same numbers name the
// archives (0 hourly, 1 daily, 3 five-minute; no archive is monthly).
enum ArchiveUnit : int32_t {
    UnitHour = 0,
    UnitDay = 1,
    UnitMonth = 2,
    UnitFiveMinutes = 3,
};

// A summer- or winter-time switch as held in table 6 (fields 0..2 the
// switch to summer time, 3..5 the switch to winter time).
struct SummerTimeRule {
    uint8_t Month = 0;  // 1..12 (0 = no switch; evaluated like any other value here)
    // Bit 7 clear: the byte is a fixed day of the month. Bit 7 set: a weekday
    // rule, bits 3..5 the weekday (1 = Sunday .. 7 = Saturday), bit 6 clear =
    // n-th from the start of the month, set = n-th from the end, bits 0..1 = n.
    uint8_t DaySelector = 0;
    uint8_t Hour = 0;   // hour of the switch

    static SummerTimeRule FromBytes(const uint8_t bytes[3]);
};

// Time kinds of the clock (table 2 field 7) and of SummerTimeFlag.
inline constexpr uint8_t SummerTime = 0x00;
inline constexpr uint8_t WinterTime = 0x80;

// ---------------------------------------------------------------------------
// Calendar. Years here are full years (2008, not 8).

// Gregorian rule: divisible by 400, or by 4 and not by 100.
bool IsLeapYear(int year);
// 28/29 for February by IsLeapYear, 30 for April, June, September and
// November, 31 otherwise; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
// The day plus the lengths of the months before it (February by IsLeapYear).
// A month outside 1..12 counts no preceding months beyond December.
int DayOfYear(int year, int month, int day);

// Signed number of days from one calendar date to the other (time ignored).
int DaysBetween(const PackedDate& from, const PackedDate& to);
// 1 = Sunday .. 7 = Saturday, counted from Sunday 6 January 2002: days since
// that date modulo 7, plus 1. Earlier dates give 0 or less.
int WeekDay(const PackedDate& date);

// Days since 30.12.1899 plus (hour*3600 + minute*60 + second) / 86400. A day
// past the month's end counts on into the next month (31.02 is 03.03 or 02.03).
DateTimeValue ToDateTime(const PackedDate& date);
// The 6-byte date of a date-time value, rounded to the nearest second. A
// value outside 2000..2099 (or not a number) gives the nearest end of that
// range, since the year byte cannot hold it.
PackedDate FromDateTime(DateTimeValue value);

// A day beyond its month's length becomes the 1st of the next month.
void MoveOverlongDay(PackedDate& date);

// Month 1..12, day 1..31, February at most 29 in a leap year and 28
// otherwise, hour <= 23, minute <= 59, second <= 59. The day is not checked
// against the 30-day months.
bool IsValidPackedDate(const PackedDate& date);

// -1, 0, 1 comparing year, month, then (unit <= UnitDay) day, then
// (unit == UnitHour) hour. Any other unit (UnitMonth, UnitFiveMinutes)
// compares year and month only: use CompareMinutes for minute precision.
int CompareDates(const PackedDate& a, const PackedDate& b, int unit);
// -1, 0, 1 over year..minute.
int CompareMinutes(const PackedDate& a, const PackedDate& b);
// -1, 0, 1 over year..second.
int CompareSeconds(const PackedDate& a, const PackedDate& b);

// One unit forward or back, in place: UnitHour carries into the day, UnitDay
// into the month, UnitMonth into the year; UnitFiveMinutes as the five-minute
// steps. StepBack from day 1 gives the last day of the previous month; a
// month step keeps the day number. Inside the steps February has 29 days
// when year - 2000 is divisible by 4 (the same as the Gregorian rule for
// 2000..2099). Years wrap within the byte.
void StepForward(PackedDate& date, int unit);
void StepBack(PackedDate& date, int unit);
// Minute + 5 (a minute reaching 56 or more becomes 0 of the next hour) and
// minute - 5 (back from 0 gives 55 of the previous hour).
void StepFiveMinutes(PackedDate& date);
void StepBackFiveMinutes(PackedDate& date);

// True when expected <= record <= expected + 5 minutes (to the minute).
bool InFiveMinuteSlot(const PackedDate& recordDate, const PackedDate& expected);
// Whole 5-minute intervals from one date to the other (to the minute, each
// minute first rounded down to a multiple of 5); negative when `to` is earlier.
int FiveMinuteIntervals(const PackedDate& from, const PackedDate& to);

// SummerTime (0) or WinterTime (0x80) for the date under the two switches.
uint8_t SummerTimeFlag(const PackedDate& date, const SummerTimeRule& summerRule,
                       const SummerTimeRule& winterRule);

// Whole hours from stamp a to stamp b (bytes year-2000, month, day, hour);
// negative when b is earlier. 0 when either stamp is not a real date and hour.
int32_t HoursBetween(const uint8_t a[4], const uint8_t b[4]);

enum PeriodKind : int32_t {
    PeriodHours = 0,
    PeriodDays = 1,
    PeriodMonths = 2,
};

// Length of an archive period for sizing a progress bar: the hours as they
// are for PeriodHours; whole days, or whole days / 30, but at least 1, for
// PeriodDays and PeriodMonths; 1 for any other kind.
int32_t PeriodLength(const uint8_t a[4], const uint8_t b[4], int32_t kind);

}  // namespace zmk
