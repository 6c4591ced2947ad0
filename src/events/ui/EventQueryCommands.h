#pragma once

// "Запрос по индексу" and "Запрос за период" of the two event submenus:
// the selection dialog, the reading with the wait window, Esc and the
// messages, then the kind's viewer on what was read.

#include "events/EventRecords.h"

namespace zmk {

class CommandHost;

// The archive's bounds (table 10 or 11), "В архиве нет ни одной записи" for
// an empty archive, the index dialog, the reading by index, the viewer.
void QueryEventsByIndex(CommandHost& host, EventKind kind);

// The controller's clock (table 2; only its success matters), the period
// dialog, the reading by period, the viewer.
void QueryEventsByPeriod(CommandHost& host, EventKind kind);

}  // namespace zmk
