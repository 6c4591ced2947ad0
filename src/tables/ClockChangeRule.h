#pragma once

// The two clock-change rules of table 6 as the system parameters dialog
// edits them: month, day byte and hour of the switch to summer time (fields
// 0..2) and of the switch to winter time (fields 3..5).
//
// Day byte: bit 7 clear - a day of the month in bits 0..6. Bit 7 set - a
// weekday in the month: bits 3..5 the weekday (1 = Sunday .. 7 = Saturday),
// bit 6 counted from the end of the month, bits 0..2 the ordinal (1..3 from
// the start; from the end 1 = last, 2 = last but one). The dialog reads the
// ordinal from bits 0..2 and writes it as 1..3 with bit 2 clear, so every
// value it writes reads the same wherever the ordinal is read from bits 0..1.

#include <cstdint>

namespace zmk {

// One of the two rules: the months its list offers after "Переход запрещен"
// and the hours of its hour list.
struct ClockChangeKind {
    int firstMonth;  // months firstMonth .. firstMonth + 3
    int firstHour;   // hours firstHour .. lastHour
    int lastHour;
};
inline constexpr ClockChangeKind SummerChange{2, 0, 22};
inline constexpr ClockChangeKind WinterChange{9, 1, 23};
// "Переход запрещен" and four months.
inline constexpr int ChangeMonthChoices = 5;

// Month list: position 0 is month 0 (no switch), position p the month
// firstMonth + p - 1. -1 for a month the list does not offer.
int ChangeMonthPosition(const ClockChangeKind& kind, int month);
int ChangeMonthAt(const ClockChangeKind& kind, int position);
// Hour list: position p is the hour firstHour + p. -1 for an hour outside it.
int ChangeHourPosition(const ClockChangeKind& kind, int hour);
int ChangeHourAt(const ClockChangeKind& kind, int position);
int ChangeHourChoices(const ClockChangeKind& kind);

// Length of the day-of-month list for a switch month: 28 for February, 31
// for March, May, October and December, 30 for the others.
int ChangeMonthDays(int month);

inline constexpr uint8_t DayByWeekday = 0x80;   // bit 7
inline constexpr uint8_t DayFromMonthEnd = 0x40;  // bit 6

// Positions of the ordinal list: "Первый", "Второй", "Третий",
// "Предпоследний", "Последний" (label list 100..104).
enum OrdinalPosition : int { FirstOrdinal, SecondOrdinal, ThirdOrdinal, LastButOneOrdinal, LastOrdinal };
inline constexpr int OrdinalChoices = 5;

constexpr bool IsWeekdayRule(uint8_t day) { return (day & DayByWeekday) != 0; }
// Bit 7 set or cleared; the other bits kept.
uint8_t WithWeekdayRule(uint8_t day, bool byWeekday);

// Day of the month in bits 0..6; the choice is stored there with bit 7 kept.
int DayOfMonthOf(uint8_t day);
uint8_t WithDayOfMonth(uint8_t day, int dayOfMonth);

// The ordinal's list position from bit 6 and bits 0..2; -1 when they name
// none of the five (0, 4..7, or 3 counted from the end).
int OrdinalPositionOf(uint8_t day);
// Positions 0..2: bit 6 clear, bits 0..2 = position + 1; LastButOne: bit 6
// set and 2; Last: bit 6 set and 1. Bit 7 and the weekday are kept.
uint8_t WithOrdinalPosition(uint8_t day, int position);

// Weekday in bits 3..5 (1 = Sunday .. 7 = Saturday; 0 = none).
int WeekdayOf(uint8_t day);
// Stored as weekday in bits 3..5, the other bits kept.
uint8_t WithWeekday(uint8_t day, int weekday);

}  // namespace zmk
