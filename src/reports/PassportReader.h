#pragma once

// Reading the records of a gas-quality passport: one gas day of hourly
// records (from the contract hour) or one calendar month of daily records,
// first of the chromatograph, then of the moisture meter, each record checked
// against the span and every moisture-meter record against the date of its
// chromatograph partner. The reading tells the user through the archive
// reading's dialogue (messages, status text, progress, Esc).

#include <QString>
#include <optional>

#include "common/PackedDate.h"
#include "measurements/ArchiveBounds.h"
#include "measurements/ArchiveReader.h"
#include "measurements/Records.h"

namespace zmk {

class ControllerLink;

enum class PassportKind : uint8_t {
    Daily = 0,    // one gas day of hourly records
    Monthly = 1,  // one month of daily records
};

inline constexpr int MaxDailyPassportRecords = 24;
inline constexpr int MaxMonthlyPassportRecords = 31;
// The progress of a passport reading runs over 0..48 for both kinds.
inline constexpr int PassportProgressMaximum = 48;

int MaxPassportRecords(PassportKind kind);
ArchiveKind PassportChromKind(PassportKind kind);
ArchiveKind PassportMoistureKind(PassportKind kind);

// The requested span of a passport (4-byte hourly or 3-byte daily dates).
struct PassportSpan {
    PackedDate Start;
    PackedDate End;
};

// The gas day of `day` (year, month, day): from the contract hour of that day,
// or from the oldest record when that is later (compared to the hour), to one
// hour before the same hour of the next day.
PassportSpan GasDaySpan(const PackedDate& day, int contractHour, const ArchiveBounds& bounds);
// The month of `month` (year, month): day 1 to its last day, limited to the
// archive's oldest and newest records (compared to the day).
PassportSpan MonthSpan(const PackedDate& month, const ArchiveBounds& bounds);

// What a passport is made of: the chosen date (year, month, day, contract
// hour), and as many chromatograph as moisture-meter records, in time order,
// record k of both of the same date.
struct PassportData {
    PassportKind Kind = PassportKind::Daily;
    PackedDate Chosen;
    RecordStore Chrom;
    RecordStore Moisture;
};

// Reads the passport records of `chosen` (for a daily passport its hour is
// the contract hour). nullopt after telling the user why (an exchange that
// failed, nothing read, a record outside the span, dates or counts of the
// two analysers that differ), and without a message after Esc
// (ArchiveReading().AbortRequested, polled after each answer).
std::optional<PassportData> ReadPassport(ControllerLink& link, PassportKind kind, const PackedDate& chosen,
                                         const ArchiveBounds& bounds, ArchiveReadDialogue& dialogue);

// The messages of the reading.
QString PassportSpanLine2();        // "запрошенному периоду"
QString PassportDatesLine1();       // "Несоответствие дат в записях"
QString PassportDatesLine2();       // "архивов данных хроматографа и влагомера"
QString PassportCountLine1();       // "Несоответствие количества прочитанных данных"
QString PassportCountLine2(int chrom, int moisture);  // "хроматографа (%d) и влагомера (%d)"

}  // namespace zmk
