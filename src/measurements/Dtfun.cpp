#include "measurements/Dtfun.h"

#include <algorithm>
#include <cmath>

#include "app/Suplfunc.h"
#include "tables/Conffun.h"

namespace zmk {

namespace {

constexpr int BaseYear = 2000;
constexpr int SecondsPerDay = 86400;
constexpr int MinutesPerDay = 1440;
constexpr int FiveMinuteSlotsPerDay = 288;

// Tables read by ReadArchiveBounds.
constexpr uint8_t ClockTable = 2;
constexpr uint8_t ClockFieldCount = 8;
constexpr uint8_t SystemTable = 6;
constexpr uint8_t SystemFieldCount = 12;
constexpr int ContractHourField = 6;
constexpr uint8_t OldestRecordTable = 27;
constexpr uint8_t DayFlagBit = 0x80;

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

// A day beyond its month's length becomes the 1st of the next month.
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

ArchiveBounds ArchiveBounds::FromBytes(const uint8_t bytes[Size]) {
    return {PackedDate::FromBytes(bytes, 5), PackedDate::FromBytes(bytes + 5, 5)};
}

void ArchiveBounds::ToBytes(uint8_t bytes[Size]) const {
    Oldest.ToBytes(bytes, 5);
    Newest.ToBytes(bytes + 5, 5);
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

// --- archive bounds -----------------------------------------------------------

bool ComputeFiveMinuteBounds(const PackedDate& rawOldest, const PackedDate& now, ArchiveBounds& bounds) {
    PackedDate newest = now.Prefix(5);
    newest.Minute = static_cast<uint8_t>(newest.Minute / 5 * 5);
    StepBackFiveMinutes(newest);

    // The archive holds two months of 5-minute records.
    PackedDate oldest = newest;
    StepFiveMinutes(oldest);
    if (oldest.Month > 2) {
        oldest.Month = static_cast<uint8_t>(oldest.Month - 2);
    } else {
        oldest.Month = static_cast<uint8_t>(oldest.Month + 10);
        --oldest.Year;
    }
    MoveOverlongDay(oldest);

    const PackedDate raw = rawOldest.Prefix(5);
    if (CompareMinutes(raw, oldest) > 0) oldest = raw;
    oldest.Minute = static_cast<uint8_t>(oldest.Minute / 5 * 5);

    bounds.Oldest = oldest;
    bounds.Newest = newest;
    return CompareMinutes(oldest, newest) <= 0;
}

bool ComputeBounds(const PackedDate& rawOldest, const PackedDate& now, ArchiveBounds& bounds, int unit,
                   bool dayFlag, int contractHour) {
    if (unit != UnitHour && unit != UnitDay && unit != UnitMonth) return false;

    // The last complete unit; before the contract hour the current gas day
    // (or, on the 1st, the gas month) has not begun yet.
    PackedDate newest = now.Prefix(4);
    StepBack(newest, unit);
    if (now.Hour < contractHour && (unit == UnitDay || (unit == UnitMonth && now.Day == 1)))
        StepBack(newest, unit);

    // Depth of the archive in years.
    const int depth = unit == UnitHour ? 1 : (unit == UnitDay ? 4 : 2);
    const PackedDate raw = rawOldest.Prefix(4);
    PackedDate oldest;
    if (newest.Year > depth) {
        oldest = newest;
        StepForward(oldest, unit);
        oldest.Year = static_cast<uint8_t>(oldest.Year - depth);
    } else {
        oldest = raw;
    }
    MoveOverlongDay(oldest);

    if (CompareDates(raw, oldest, unit) > 0) {
        oldest = raw;
        if (dayFlag && (unit == UnitDay || (unit == UnitMonth && raw.Day == 1))) StepBack(oldest, unit);
    }

    bounds.Oldest = oldest;
    bounds.Newest = newest;
    return CompareDates(oldest, newest, unit) <= 0;
}

QString NoArchiveDataText() { return QStringLiteral("В архиве нет данных"); }

QString ArchiveNotStartedText() { return QStringLiteral("В архиве еще нет ни одной записи"); }

QString InvalidDateLine1(const PackedDate& date) {
    return QStringLiteral("Прочитанные параметры даты и времени (%1)")
        .arg(QString::asprintf("%02d.%02d.%02d %02d:%02d:%02d", date.Day, date.Month, date.Year, date.Hour,
                               date.Minute, date.Second));
}

QString InvalidDateLine2() { return QStringLiteral("не соответствуют допустимым значениям"); }

bool ReadArchiveBounds(TableEngine& engine, StatusBarPanel* status, int archive, ArchiveMessages& messages,
                       ArchiveBoundsReading& result) {
    int field = 0;
    switch (archive) {
    case UnitFiveMinutes:
        field = 0;
        break;
    case UnitHour:
        field = 1;
        break;
    case UnitDay:
        field = 2;
        break;
    default:
        return false;
    }

    ConfigImage& image = engine.Image();
    if (!engine.ReadTable({OldestRecordTable, static_cast<uint8_t>(field), 1}, status)) return false;
    PackedDate raw = PackedDate::FromBytes(image.Field(OldestRecordTable, field));
    bool dayFlag = false;
    if (archive == UnitDay) {
        dayFlag = (raw.Second & DayFlagBit) != 0;
        raw.Second = static_cast<uint8_t>(raw.Second & ~DayFlagBit);
    }
    result.RawOldest = raw;
    result.DayFlag = dayFlag;

    // The controller marks an empty archive with 01.01.01 00:00:00.
    if (raw == PackedDate{1, 1, 1, 0, 0, 0}) {
        messages.ShowMessage(MsgInfo, NoArchiveDataText(), QString());
        return false;
    }
    if (!IsValidPackedDate(raw)) {
        messages.ShowMessage(MsgInfo, InvalidDateLine1(raw), InvalidDateLine2());
        return false;
    }

    if (!engine.ReadTable({ClockTable, 0, ClockFieldCount}, status)) return false;
    const PackedDate clock = PackedDate::FromBytes(image.Table(ClockTable));
    result.Clock = clock;
    if (!IsValidPackedDate(clock)) {
        messages.ShowMessage(MsgInfo, InvalidDateLine1(clock), InvalidDateLine2());
        return false;
    }

    if (!engine.ReadTable({SystemTable, 0, SystemFieldCount}, status)) return false;
    uint8_t* system = image.Table(SystemTable);
    // Fields 9..11 always hold 1, 0, 0 in the image, so that a later write
    // of the table sends these values.
    system[9] = 1;
    system[10] = 0;
    system[11] = 0;
    const int contractHour = system[ContractHourField];

    const bool ok = archive == UnitFiveMinutes
                        ? ComputeFiveMinuteBounds(raw, clock, result.Bounds)
                        : ComputeBounds(raw, clock, result.Bounds, archive, dayFlag, contractHour);
    if (!ok) {
        messages.ShowMessage(MsgInfo, ArchiveNotStartedText(), QString());
        return false;
    }
    return true;
}

}  // namespace zmk
