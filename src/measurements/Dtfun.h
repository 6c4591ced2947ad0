#pragma once

// The date toolkit: the controller's packed dates, calendar arithmetic,
// comparisons at a chosen precision, conversion to and from the date-time
// value of the user interface, the summer-time rule, and the oldest and
// newest record of each measurement archive. QtCore only: no windows.

#include <QString>
#include <cstdint>

#include "app/Rd_wr_ini.h"  // DateTimeValue

namespace zmk {

class StatusBarPanel;
class TableEngine;

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

// Oldest and newest record of an archive. Stored as 10 bytes: the two dates
// as 5-byte prefixes. In the hourly archive the minute is 0 (4 significant
// bytes). In the daily archive the minute is 0 and 3 bytes are significant;
// the hour byte is the one the bounds were computed with (the clock's hour,
// or the raw oldest record's), and the passports compare it at the hour.
struct ArchiveBounds {
    static constexpr int Size = 10;

    PackedDate Oldest;  // seconds always 0
    PackedDate Newest;  // seconds always 0

    static ArchiveBounds FromBytes(const uint8_t bytes[Size]);
    void ToBytes(uint8_t bytes[Size]) const;

    bool operator==(const ArchiveBounds&) const = default;
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

// ---------------------------------------------------------------------------
// Archive bounds.

// Bounds of the 5-minute archive from the raw oldest date (table 27) and the
// controller clock: newest = clock rounded down to 5 minutes, minus 5
// minutes; oldest = two months before newest + 5 minutes, or the raw date when
// that is later. True when oldest <= newest.
bool ComputeFiveMinuteBounds(const PackedDate& rawOldest, const PackedDate& now,
                             ArchiveBounds& bounds);
// Bounds of the hourly (UnitHour), daily (UnitDay) or monthly (UnitMonth)
// archive. contractHour is the hour the gas day begins (table 6 field 6);
// dayFlag is the daily archive's flag from the raw oldest date. True when
// oldest <= newest at the unit's precision. False for any other unit.
bool ComputeBounds(const PackedDate& rawOldest, const PackedDate& now, ArchiveBounds& bounds,
                   int unit, bool dayFlag, int contractHour);

// How ReadArchiveBounds tells the user why it failed. The window layer shows
// the shared message dialog (setting Shared().MessageKind to `kind` first);
// command-line use prints the lines. Exchange failures are not reported
// here: the table engine asks its own RetryQuestion.
class ArchiveMessages {
public:
    virtual ~ArchiveMessages() = default;
    // kind is a MessageKindValue (always MsgInfo here).
    virtual void ShowMessage(int32_t kind, const QString& line1, const QString& line2) = 0;
};

// What ReadArchiveBounds found besides the bounds.
struct ArchiveBoundsReading {
    ArchiveBounds Bounds;
    // The oldest record's date as read from table 27 (6 bytes), with the day
    // flag (bit 7 of the daily archive's seconds byte) cleared.
    PackedDate RawOldest;
    // The daily archive's day flag; false for the other archives.
    bool DayFlag = false;
    // The controller clock as read (table 2 fields 0..5).
    PackedDate Clock;
};

// Reads table 27 (the archive's field), table 2 fields 0..7 (the clock) and
// table 6 fields 0..11 (the contract hour) into the engine's image, with the
// progress on `status` (may be null), and computes the bounds of archive 0
// (hourly), 1 (daily) or 3 (5-minute). False after telling the user why
// through `messages`, or after a failed table read (reported by the engine),
// or for any other archive number.
bool ReadArchiveBounds(TableEngine& engine, StatusBarPanel* status, int archive,
                       ArchiveMessages& messages, ArchiveBoundsReading& result);

// The message texts, for callers and tests.
QString NoArchiveDataText();          // "В архиве нет данных"
QString ArchiveNotStartedText();      // "В архиве еще нет ни одной записи"
// "Прочитанные параметры даты и времени (dd.mm.yy hh:mm:ss)" and its second line.
QString InvalidDateLine1(const PackedDate& date);
QString InvalidDateLine2();

}  // namespace zmk
