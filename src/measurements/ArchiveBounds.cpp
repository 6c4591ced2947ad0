#include "measurements/ArchiveBounds.h"

#include "common/MessageKind.h"
#include "common/StatusBarPanel.h"
#include "tables/TableEngine.h"
#include "common/PackedDate.h"

namespace zmk {

namespace {

// Tables read by ReadArchiveBounds.
constexpr uint8_t ClockTable = 2;
constexpr uint8_t ClockFieldCount = 8;
constexpr uint8_t SystemTable = 6;
constexpr uint8_t SystemFieldCount = 12;
constexpr int ContractHourField = 6;
constexpr uint8_t OldestRecordTable = 27;
constexpr uint8_t DayFlagBit = 0x80;

}  // namespace

ArchiveBounds ArchiveBounds::FromBytes(const uint8_t bytes[Size]) {
    return {PackedDate::FromBytes(bytes, 5), PackedDate::FromBytes(bytes + 5, 5)};
}

void ArchiveBounds::ToBytes(uint8_t bytes[Size]) const {
    Oldest.ToBytes(bytes, 5);
    Newest.ToBytes(bytes + 5, 5);
}

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
        messages.ShowMessage(MessageKind::Info, NoArchiveDataText(), QString());
        return false;
    }
    if (!IsValidPackedDate(raw)) {
        messages.ShowMessage(MessageKind::Info, InvalidDateLine1(raw), InvalidDateLine2());
        return false;
    }

    if (!engine.ReadTable({ClockTable, 0, ClockFieldCount}, status)) return false;
    const PackedDate clock = PackedDate::FromBytes(image.Table(ClockTable));
    result.Clock = clock;
    if (!IsValidPackedDate(clock)) {
        messages.ShowMessage(MessageKind::Info, InvalidDateLine1(clock), InvalidDateLine2());
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
        messages.ShowMessage(MessageKind::Info, ArchiveNotStartedText(), QString());
        return false;
    }
    return true;
}

}  // namespace zmk
