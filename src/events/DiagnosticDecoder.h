#pragma once

// Diagnostic messages turned into the rows of the diagnostic viewer: date,
// time, the event text of the code, the object or cause it concerns and,
// for limit events, the current value, the setpoint and the unit.

#include <QString>
#include <vector>

#include "events/EventFile.h"
#include "events/EventRecords.h"

namespace zmk {

// The date cell of a record whose checksum fails; its other cells stay empty.
QString DamagedRecordMark();  // "   ***"
// The viewer's status line when any record failed its checksum.
QString DamagedRecordsNotice();  // "  ***  Данные в записи недостоверны (не совпадает КС)"

// Event text of a diagnostic code; "Код диагностики = %d" above 81.
QString DiagnosticEventText(int code);

// One record as a viewer row. `moistureMeterType` is byte 48 of the event
// file header: it picks the texts of moisture-meter status bits. A damaged
// record gives the damaged mark in the date cell and nothing else.
DiagnosticRow DecodeDiagnostic(const DiagnosticRecord& record, int moistureMeterType);

struct DecodedDiagnostics {
    std::vector<DiagnosticRow> rows;
    int damaged = 0;  // records that failed their checksum
};
// All records in order, with the moisture-meter type of the header.
DecodedDiagnostics DecodeDiagnostics(const std::vector<DiagnosticRecord>& records,
                                     const EventFileHeader& header);

// The viewer's title. Read by index: "Диагностические сообщения с индексами
// от %u до %u" (first index, first index + count - 1). Read by period or
// opened from a file: "Диагностические сообщения за период с %s по %s" with
// the header's two range dates as "%02d.%02d.%02d %02d:%02d:%02d" (day,
// month, year, hour, minute, second).
QString DiagnosticTitleByIndex(uint32_t firstIndex, uint32_t count);
QString DiagnosticTitleByPeriod(const EventFileHeader& header);

// "%02d.%02d.%02d %02d:%02d:%02d" of a packed date (day first).
QString PeriodDateText(const PackedDate& date);

}  // namespace zmk
