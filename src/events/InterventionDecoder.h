#pragma once

// Operator interventions turned into the rows of the intervention viewer:
// date, time, the name of the changed field, its old and new value in the
// field's own terms, the unit and the operator.

#include <QString>
#include <vector>

#include "events/EventFile.h"
#include "events/EventRecords.h"

namespace zmk {

// How the controller keeps its name (table 5): in the DOS code page when
// table 0 field 12 of the local image is 0, in Windows-1251 otherwise.
enum class ControllerTextCodePage { Dos, Windows1251 };

// One record as a viewer row. A damaged record gives the damaged mark
// (DamagedRecordMark) in the date cell and nothing else. Tables, fields,
// list values and units the decoder does not know degrade to the generic
// name, "?" or an empty cell.
InterventionRow DecodeIntervention(const InterventionRecord& record, ControllerTextCodePage names);

struct DecodedInterventions {
    std::vector<InterventionRow> rows;
    int damaged = 0;
};
DecodedInterventions DecodeInterventions(const std::vector<InterventionRecord>& records,
                                         ControllerTextCodePage names);

// The day of a clock change (table 6 fields 1 and 4): a day of the month,
// or a weekday rule such as "1Вс", "пСб", "ппСб"; "?" for a rule that names
// no weekday or no week.
QString ClockChangeDayText(uint8_t day);

// A float of a limit table in fixed notation with `decimals` places and at
// most 10 significant digits; "?" for infinity and not-a-number.
QString LimitValueText(float value, int decimals);

// The viewer's title, as for the diagnostic messages:
// "Сообщения о вмешательствах оператора с индексами от %u до %u" and
// "Сообщения о вмешательствах оператора за период с %s по %s".
QString InterventionTitleByIndex(uint32_t firstIndex, uint32_t count);
QString InterventionTitleByPeriod(const EventFileHeader& header);

}  // namespace zmk
