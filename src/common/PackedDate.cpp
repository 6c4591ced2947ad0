#include "common/PackedDate.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace zmk {

namespace {

constexpr int BaseYear = 2000;
constexpr int SecondsPerDay = 86400;
constexpr int MinutesPerDay = 1440;
constexpr int FiveMinuteSlotsPerDay = 288;

// Date-time value of 06.01.2002, the Sunday the weekdays count from.
constexpr int WeekOriginDay = 37262;

// Days from 30.12.1899 to 1 January of a full year (proleptic Gregorian).
long DaysBeforeYear(int year) {
    const long y = year - 1;
    // Days from 01.01.0001 to 01.01.year, minus those to 30.12.1899.
    const long fromEra = 365L * y + y / 4 - y / 100 + y / 400;
    constexpr long To18991230 = 693593;  // 01.01.0001 .. 30.12.1899
    return fromEra - To18991230;
}

// Day number (days since 30.12.1899) of a date; a day past its month's end
// counts on into the following months.
long DayNumber(const PackedDate& date) {
    const int year = date.FullYear();
    return DaysBeforeYear(year) + DayOfYear(year, date.Month, date.Day) - 1;
}

// February length inside the stepping helpers: 29 when year - 2000 is
// divisible by 4.
int StepDaysInMonth(const PackedDate& date) {
    if (date.Month == 2) return date.Year % 4 == 0 ? 29 : 28;
    return DaysInMonth(date.FullYear(), date.Month);
}

int CompareBytes(const PackedDate& a, const PackedDate& b, int count) {
    const uint8_t* pa = &a.Year;
    const uint8_t* pb = &b.Year;
    for (int i = 0; i < count; ++i)
        if (pa[i] != pb[i]) return pa[i] < pb[i] ? -1 : 1;
    return 0;
}

// Day of the year on which a clock-change rule falls in the given year.
int RuleDayOfYear(const PackedDate& date, const SummerTimeRule& rule) {
    const int year = date.FullYear();
    constexpr uint8_t WeekdayRule = 0x80;
    constexpr uint8_t FromEnd = 0x40;
    if ((rule.DaySelector & WeekdayRule) == 0) return DayOfYear(year, rule.Month, rule.DaySelector);

    const int wanted = (rule.DaySelector >> 3) & 0x07;
    const int n = rule.DaySelector & 0x03;
    PackedDate day{date.Year, rule.Month, 1, 0, 0, 0};
    if ((rule.DaySelector & FromEnd) == 0) {
        int k = WeekDay(day) - wanted;
        if (k <= 0) k += 7;
        return DayOfYear(year, rule.Month, 1) - k + 7 * n;
    }
    const int last = rule.Month == 2 ? (year % 4 == 0 ? 29 : 28) : DaysInMonth(year, rule.Month);
    day.Day = static_cast<uint8_t>(last);
    int k = wanted - WeekDay(day);
    if (k <= 0) k += 7;
    return DayOfYear(year, rule.Month, last) + k - 7 * n;
}

}  // namespace

// --- records ---------------------------------------------------------------

PackedDate PackedDate::FromBytes(const uint8_t* bytes, int count) {
    PackedDate date;
    uint8_t* out = &date.Year;
    count = std::clamp(count, 0, Size);
    for (int i = 0; i < count; ++i) out[i] = bytes[i];
    return date;
}

void PackedDate::ToBytes(uint8_t* bytes, int count) const {
    const uint8_t* in = &Year;
    count = std::clamp(count, 0, Size);
    for (int i = 0; i < count; ++i) bytes[i] = in[i];
}

PackedDate PackedDate::Prefix(int count) const {
    uint8_t bytes[Size];
    ToBytes(bytes);
    return FromBytes(bytes, count);
}


SummerTimeRule SummerTimeRule::FromBytes(const uint8_t bytes[3]) { return {bytes[0], bytes[1], bytes[2]}; }

// --- calendar --------------------------------------------------------------

bool IsLeapYear(int year) { return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0); }

int DaysInMonth(int year, int month) {
    switch (month) {
    case 2:
        return IsLeapYear(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return month >= 1 && month <= 12 ? 31 : 0;
    }
}

int DayOfYear(int year, int month, int day) {
    int result = day;
    for (int m = 1; m < month && m <= 12; ++m) result += DaysInMonth(year, m);
    return result;
}

int DaysBetween(const PackedDate& from, const PackedDate& to) {
    return static_cast<int>(DayNumber(to) - DayNumber(from));
}

int WeekDay(const PackedDate& date) {
    return static_cast<int>((DayNumber(date) - WeekOriginDay) % 7) + 1;
}

DateTimeValue ToDateTime(const PackedDate& date) {
    const int seconds = date.Hour * 3600 + date.Minute * 60 + date.Second;
    return static_cast<double>(DayNumber(date)) + static_cast<double>(seconds) / SecondsPerDay;
}

PackedDate FromDateTime(DateTimeValue value) {
    // The year byte holds 2000..2099 (as stored by the controller).
    const double first = static_cast<double>(DaysBeforeYear(BaseYear));
    const double last = static_cast<double>(DaysBeforeYear(BaseYear + 100)) - 1.0 / SecondsPerDay;
    if (!std::isfinite(value) || value < first) value = first;
    if (value > last) value = last;

    long long total = std::llround(value * SecondsPerDay);
    long day = static_cast<long>(total / SecondsPerDay);
    int seconds = static_cast<int>(total % SecondsPerDay);

    int year = BaseYear;
    while (year < BaseYear + 99 && DaysBeforeYear(year + 1) <= day) ++year;
    int rest = static_cast<int>(day - DaysBeforeYear(year));
    int month = 1;
    while (month < 12 && rest >= DaysInMonth(year, month)) rest -= DaysInMonth(year, month++);

    PackedDate date;
    date.Year = static_cast<uint8_t>(year - BaseYear);
    date.Month = static_cast<uint8_t>(month);
    date.Day = static_cast<uint8_t>(rest + 1);
    date.Hour = static_cast<uint8_t>(seconds / 3600);
    date.Minute = static_cast<uint8_t>(seconds / 60 % 60);
    date.Second = static_cast<uint8_t>(seconds % 60);
    return date;
}

void MoveOverlongDay(PackedDate& date) {
    const int days = DaysInMonth(date.FullYear(), date.Month);
    if (days > 0 && date.Day > days) {
        date.Day = 1;
        if (++date.Month > 12) {
            date.Month = 1;
            ++date.Year;
        }
    }
}


bool IsValidPackedDate(const PackedDate& date) {
    if (date.Month < 1 || date.Month > 12) return false;
    if (date.Day < 1 || date.Day > 31) return false;
    if (date.Month == 2 && date.Day > (IsLeapYear(date.FullYear()) ? 29 : 28)) return false;
    return date.Hour <= 23 && date.Minute <= 59 && date.Second <= 59;
}

int CompareDates(const PackedDate& a, const PackedDate& b, int unit) {
    int count = 2;
    if (unit == UnitDay) count = 3;
    if (unit == UnitHour) count = 4;
    return CompareBytes(a, b, count);
}

int CompareMinutes(const PackedDate& a, const PackedDate& b) { return CompareBytes(a, b, 5); }

int CompareSeconds(const PackedDate& a, const PackedDate& b) { return CompareBytes(a, b, 6); }

void StepForward(PackedDate& date, int unit) {
    switch (unit) {
    case UnitHour:
        if (++date.Hour <= 23) return;
        date.Hour = 0;
        [[fallthrough]];
    case UnitDay:
        if (++date.Day <= StepDaysInMonth(date)) return;
        date.Day = 1;
        [[fallthrough]];
    case UnitMonth:
        if (++date.Month <= 12) return;
        date.Month = 1;
        ++date.Year;
        return;
    case UnitFiveMinutes:
        StepFiveMinutes(date);
        return;
    default:
        return;
    }
}

void StepBack(PackedDate& date, int unit) {
    switch (unit) {
    case UnitHour:
        if (date.Hour > 0) {
            --date.Hour;
            return;
        }
        date.Hour = 23;
        [[fallthrough]];
    case UnitDay:
        if (date.Day > 1) {
            --date.Day;
            return;
        }
        StepBack(date, UnitMonth);
        date.Day = static_cast<uint8_t>(StepDaysInMonth(date));
        return;
    case UnitMonth:
        if (date.Month > 1) {
            --date.Month;
            return;
        }
        date.Month = 12;
        --date.Year;
        return;
    case UnitFiveMinutes:
        StepBackFiveMinutes(date);
        return;
    default:
        return;
    }
}

void StepFiveMinutes(PackedDate& date) {
    const int minute = date.Minute + 5;
    if (minute >= 56) {
        date.Minute = 0;
        StepForward(date, UnitHour);
    } else {
        date.Minute = static_cast<uint8_t>(minute);
    }
}

void StepBackFiveMinutes(PackedDate& date) {
    if (date.Minute >= 5) {
        date.Minute = static_cast<uint8_t>(date.Minute - 5);
    } else {
        date.Minute = static_cast<uint8_t>(date.Minute + 55);
        StepBack(date, UnitHour);
    }
}

bool InFiveMinuteSlot(const PackedDate& recordDate, const PackedDate& expected) {
    PackedDate slotEnd = expected;
    StepFiveMinutes(slotEnd);
    return CompareMinutes(expected, recordDate) <= 0 && CompareMinutes(recordDate, slotEnd) <= 0;
}

int FiveMinuteIntervals(const PackedDate& from, const PackedDate& to) {
    // Both minutes rounded down to a multiple of 5, so the minutes within the
    // day differ by whole intervals and the count is exact.
    const int fromMinutes = from.Hour * 60 + from.Minute / 5 * 5;
    const int toMinutes = to.Hour * 60 + to.Minute / 5 * 5;
    const long long days = DaysBetween(from, to);
    const long long minutes = days * MinutesPerDay + (toMinutes - fromMinutes);
    static_assert(MinutesPerDay / 5 == FiveMinuteSlotsPerDay);
    return static_cast<int>(minutes / 5);
}

uint8_t SummerTimeFlag(const PackedDate& date, const SummerTimeRule& summerRule,
                       const SummerTimeRule& winterRule) {
    const int d = DayOfYear(date.FullYear(), date.Month, date.Day);
    const int s = RuleDayOfYear(date, summerRule);
    const int t = RuleDayOfYear(date, winterRule);
    if (d < s || d > t) return WinterTime;
    if (s < d && d < t) return SummerTime;
    if (d == s) return summerRule.Hour > date.Hour ? WinterTime : SummerTime;
    return winterRule.Hour <= date.Hour ? WinterTime : SummerTime;
}

DateTimeValue CurrentDateTimeValue() {
    static const QDateTime origin(QDate(1899, 12, 30), QTime(0, 0));
    const QDateTime now = QDateTime::currentDateTime();
    // Local wall-clock time, as the controller's clock is compared with it.
    const qint64 days = origin.date().daysTo(now.date());
    return double(days) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

namespace {

// Hours since 1 January 2000, 0:00, or -1 when the stamp is not a real time.
int64_t StampHours(const uint8_t s[4]) {
    const QDate date(2000 + s[0], s[1], s[2]);
    if (!date.isValid() || s[3] > 23)
        return -1;
    constexpr int64_t kHoursPerDay = 24;
    return (date.toJulianDay() - QDate(2000, 1, 1).toJulianDay()) * kHoursPerDay + s[3];
}

}  // namespace

int32_t HoursBetween(const uint8_t a[4], const uint8_t b[4]) {
    if (a == nullptr || b == nullptr)
        return 0;
    const int64_t from = StampHours(a);
    const int64_t to = StampHours(b);
    if (from < 0 || to < 0)
        return 0;
    return int32_t(to - from);
}

int32_t PeriodLength(const uint8_t a[4], const uint8_t b[4], int32_t kind) {
    const int32_t hours = HoursBetween(a, b);
    constexpr int32_t kHoursPerDay = 24;
    constexpr int32_t kDaysPerMonth = 30;
    switch (kind) {
    case PeriodHours:
        return hours;
    case PeriodDays:
        return std::max(hours / kHoursPerDay, 1);
    case PeriodMonths:
        return std::max(hours / kHoursPerDay / kDaysPerMonth, 1);
    default:
        return 1;
    }
}

}  // namespace zmk
