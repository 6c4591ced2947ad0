#include "tables/ControllerClock.h"

#include <cmath>

#include "tables/LabelList.h"

namespace zmk {

namespace {

constexpr int SecondsPerHour = 3600;
// A weekday counted from 1 (Sunday) is entry WeekdayLabels + weekday - 1.
constexpr int SummerLabel = TimeKindLabels;
constexpr int WinterLabel = TimeKindLabels + 1;

int SecondsIntoHour(const PackedDate& t) { return t.Minute * 60 + t.Second; }

}  // namespace

PackedDate ComputerClockTime(DateTimeValue value) {
    constexpr double SecondsPerDay = 86400.0;
    // A value that stands for a whole second may lie a hair below it.
    constexpr double Hair = 1e-4;
    return FromDateTime(std::floor(value * SecondsPerDay + Hair) / SecondsPerDay);
}

ClockReading ControllerClock(const uint8_t* table2) {
    ClockReading r;
    r.time = PackedDate::FromBytes(table2);
    r.weekday = table2[ClockWeekdayField];
    r.winter = IsWinterTime(table2[ClockKindField]);
    return r;
}

ClockReading ComputerClock(const PackedDate& now, const uint8_t* table6) {
    ClockReading r;
    r.time = now;
    r.weekday = WeekDay(now);
    r.winter = IsWinterTime(SummerTimeFlag(now, SummerTimeRule::FromBytes(table6 + SummerRuleField),
                                           SummerTimeRule::FromBytes(table6 + WinterRuleField)));
    return r;
}

ClockDifferences CompareClocks(const ClockReading& c, const ClockReading& pc) {
    ClockDifferences d;
    d.date = c.time.Day != pc.time.Day || c.time.Month != pc.time.Month || c.time.Year != pc.time.Year;
    d.time = c.time.Hour != pc.time.Hour || c.time.Minute != pc.time.Minute || c.time.Second != pc.time.Second;
    d.weekday = c.weekday != pc.weekday;
    d.kind = c.winter != pc.winter;
    d.sameToTheSecond = !d.date && !d.time;
    return d;
}

int ClockCorrection(const PackedDate& controller, const PackedDate& computer) {
    const int c = CompareDates(controller, computer, UnitHour);
    if (c == 0) return SecondsIntoHour(computer) - SecondsIntoHour(controller);
    if (c > 0) return -SecondsIntoHour(controller);
    return SecondsPerHour - SecondsIntoHour(controller);
}

PackedDate LaterBy(const PackedDate& time, int seconds) {
    constexpr double SecondsPerDay = 86400.0;
    return FromDateTime(ToDateTime(time) + seconds / SecondsPerDay);
}

bool ClockCorrectable(const PackedDate& controller) { return IsValidPackedDate(controller) && controller.Year <= 99; }

QString ClockDateText(const PackedDate& d) { return QString::asprintf("%02d.%02d.%02d", d.Day, d.Month, d.Year); }

QString ClockTimeText(const PackedDate& d) { return QString::asprintf("%02d:%02d:%02d", d.Hour, d.Minute, d.Second); }

QString ClockWeekdayText(int weekday) {
    return GroupLabel(WeekdayLabels, WeekdayCount, weekday - 1, QStringLiteral("?"));
}

QString TimeKindText(bool winter) { return Label(winter ? WinterLabel : SummerLabel); }

void FillClockFromComputer(uint8_t* table2, const PackedDate& now, const uint8_t* table6) {
    now.ToBytes(table2);
    table2[ClockWeekdayField] = uint8_t(WeekDay(now));
    table2[ClockKindField] = SummerTimeFlag(now, SummerTimeRule::FromBytes(table6 + SummerRuleField),
                                            SummerTimeRule::FromBytes(table6 + WinterRuleField));
}

void CorrectionBody(int seconds, uint8_t body[2]) {
    const auto value = uint16_t(int16_t(seconds));
    body[0] = uint8_t(value & 0xFF);
    body[1] = uint8_t(value >> 8);
}

}  // namespace zmk
