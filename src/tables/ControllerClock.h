#pragma once

// The controller's clock (table 2) against the computer's: what the date and
// time window shows, which controller values differ, the correction that
// the clock-correction request carries, and the clock the computer writes.

#include <QString>
#include <cstdint>

#include "common/PackedDate.h"

namespace zmk {

// Table 2: year - 2000, month, day, hour, minute, second, weekday
// (1 = Sunday .. 7 = Saturday), time kind (0 = summer time, any other value
// winter time; the program writes 0x80 for winter time).
constexpr int ClockTable = 2;
constexpr int ClockFieldCount = 8;
constexpr int ClockWeekdayField = 6;
constexpr int ClockKindField = 7;

// Table 6 (system parameters), as far as the clock needs it: fields 0..2 the
// switch to summer time, 3..5 the switch to winter time.
constexpr int SystemTable = 6;
constexpr int SystemFieldCount = 12;
constexpr int SummerRuleField = 0;
constexpr int WinterRuleField = 3;

// Function code of the clock correction; its body is the signed 16-bit
// correction in seconds, low byte first.
constexpr uint8_t ClockCorrectionCode = 12;

// A time kind byte of table 2: every nonzero value is winter time.
constexpr bool IsWinterTime(uint8_t kind) { return kind != 0; }

// One clock as the date and time window compares it.
struct ClockReading {
    PackedDate time;
    int weekday = 0;      // 1 = Sunday .. 7 = Saturday as held; anything else is shown as "?"
    bool winter = false;  // time kind
};

// The computer's clock at a date-time value as a clock shows it: the whole
// seconds, the fraction dropped (as the controller's clock counts them), so
// that two clocks in step read the same.
PackedDate ComputerClockTime(DateTimeValue value);

// The controller's clock from table 2 (8 bytes), as the controller gave it.
ClockReading ControllerClock(const uint8_t* table2);
// The computer's clock at `now`: its weekday by WeekDay, its time kind by
// SummerTimeFlag under the two rules of table 6 (12 bytes).
ClockReading ComputerClock(const PackedDate& now, const uint8_t* table6);

// Which controller values the window shows in red: each that differs from
// the computer's. Time kinds are compared, not their bytes.
struct ClockDifferences {
    bool date = false;     // day, month or year
    bool time = false;     // hour, minute or second
    bool weekday = false;
    bool kind = false;
    // Date and time equal to the second: there is nothing to correct.
    bool sameToTheSecond = false;
};
ClockDifferences CompareClocks(const ClockReading& controller, const ClockReading& computer);

// The correction in seconds that brings the controller's clock to the
// computer's without moving it out of its current hour: the difference when
// date and hour agree; otherwise back to the start of the controller's hour
// when the controller is ahead, forward to the start of its next hour when
// it is behind.
int ClockCorrection(const PackedDate& controller, const PackedDate& computer);

// The date and time `seconds` later (calendar carried).
PackedDate LaterBy(const PackedDate& time, int seconds);

// Whether a correction can be computed from the controller's clock: its
// date and time form a real date (a clock showing month 13 or hour 30 is
// set by writing the computer's time, not corrected).
bool ClockCorrectable(const PackedDate& controller);

// Texts of the window: "%02d.%02d.%02d" day, month, year; "%02d:%02d:%02d";
// the weekday's name (label list, Sunday = 1; "?" outside 1..7); "Летнее" or "Зимнее".
QString ClockDateText(const PackedDate& date);
QString ClockTimeText(const PackedDate& date);
QString ClockWeekdayText(int weekday);
QString TimeKindText(bool winter);

// Fills table 2 (8 bytes) with the computer's time `now`: its date and time,
// its weekday, and its time kind (0 or 0x80) under the rules of table 6.
void FillClockFromComputer(uint8_t* table2, const PackedDate& now, const uint8_t* table6);

// The body of the clock-correction request: the correction as a signed
// 16-bit value, low byte first.
void CorrectionBody(int seconds, uint8_t body[2]);

}  // namespace zmk
