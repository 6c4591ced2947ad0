#pragma once

// The oldest and newest record of each measurement archive: computed from
// the raw oldest date and the controller clock, and read from the controller.

#include <QString>
#include <cstdint>

#include "common/MessageKind.h"
#include "common/PackedDate.h"

namespace zmk {

class StatusBarPanel;
class TableEngine;

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
// the shared message dialog of that kind;
// command-line use prints the lines. Exchange failures are not reported
// here: the table engine asks its own RetryQuestion.
class ArchiveMessages {
public:
    virtual ~ArchiveMessages() = default;
    // kind is always MessageKind::Info here.
    virtual void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) = 0;
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
