#include "tables/ClockChangeRule.h"

namespace zmk {

namespace {

constexpr uint8_t DayOfMonthBits = 0x7F;
constexpr uint8_t OrdinalBits = 0x07;
constexpr int WeekdayShift = 3;
constexpr uint8_t WeekdayBits = 0x07 << WeekdayShift;
constexpr int OrdinalLastButOne = 2;
constexpr int OrdinalLast = 1;

}  // namespace

int ChangeMonthPosition(const ClockChangeKind& kind, int month) {
    if (month == 0) return 0;
    const int p = month - kind.firstMonth + 1;
    return p >= 1 && p < ChangeMonthChoices ? p : -1;
}

int ChangeMonthAt(const ClockChangeKind& kind, int position) {
    return position <= 0 ? 0 : kind.firstMonth + position - 1;
}

int ChangeHourPosition(const ClockChangeKind& kind, int hour) {
    return hour >= kind.firstHour && hour <= kind.lastHour ? hour - kind.firstHour : -1;
}

int ChangeHourAt(const ClockChangeKind& kind, int position) { return kind.firstHour + position; }

int ChangeHourChoices(const ClockChangeKind& kind) { return kind.lastHour - kind.firstHour + 1; }

int ChangeMonthDays(int month) {
    switch (month) {
    case 2:
        return 28;
    case 3:
    case 5:
    case 10:
    case 12:
        return 31;
    default:
        return 30;
    }
}

uint8_t WithWeekdayRule(uint8_t day, bool byWeekday) {
    return byWeekday ? uint8_t(day | DayByWeekday) : uint8_t(day & ~DayByWeekday);
}

int DayOfMonthOf(uint8_t day) { return day & DayOfMonthBits; }

uint8_t WithDayOfMonth(uint8_t day, int dayOfMonth) {
    return uint8_t((day & DayByWeekday) | (dayOfMonth & DayOfMonthBits));
}

int OrdinalPositionOf(uint8_t day) {
    const int n = day & OrdinalBits;
    if ((day & DayFromMonthEnd) == 0) return n >= 1 && n <= 3 ? n - 1 : -1;
    if (n == OrdinalLast) return LastOrdinal;
    if (n == OrdinalLastButOne) return LastButOneOrdinal;
    return -1;
}

uint8_t WithOrdinalPosition(uint8_t day, int position) {
    const auto kept = uint8_t(day & ~(DayFromMonthEnd | OrdinalBits));
    switch (position) {
    case FirstOrdinal:
    case SecondOrdinal:
    case ThirdOrdinal:
        return uint8_t(kept | (position + 1));
    case LastButOneOrdinal:
        return uint8_t(kept | DayFromMonthEnd | OrdinalLastButOne);
    case LastOrdinal:
        return uint8_t(kept | DayFromMonthEnd | OrdinalLast);
    default:
        return day;
    }
}

int WeekdayOf(uint8_t day) { return (day & WeekdayBits) >> WeekdayShift; }

uint8_t WithWeekday(uint8_t day, int weekday) {
    return uint8_t((day & ~WeekdayBits) | ((weekday << WeekdayShift) & WeekdayBits));
}

}  // namespace zmk
