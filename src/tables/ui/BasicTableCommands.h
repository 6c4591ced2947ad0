#pragma once

// The main window's commands on the controller's basic tables:
// identification, name, system parameters, date and time; and the write of
// the computer's time into the controller's clock, which the whole
// configuration write also uses. Each reads its tables afresh, lets the user
// look or edit, and writes only what changed; the table engine asks its
// retry question after a failed exchange, and a read given up ends the
// command without a further word.

#include <cstdint>

namespace zmk {

class CommandHost;
class StatusBarPanel;
class TableEngine;

// "Параметры идентификации": table 0 read, then shown in full.
void ShowIdentification(CommandHost& host);

// "Наименование контроллера": table 5 read and edited; when confirmed, the
// changed name written in the controller's code page.
void EditControllerName(CommandHost& host);

// "Системные параметры": table 6 read and edited; when confirmed, the
// changed fields written. True when the write succeeded: the caller then
// takes the moisture meter's presence from field 8 and updates its menus.
bool EditSystemParams(CommandHost& host);

// "Дата и время": the table states, the system parameters and the clock
// read; a destroyed clock is offered to be set from the computer's time;
// otherwise the controller's clock is shown beside the computer's, and a
// correction asked for is sent (function code 12) with its outcome on the
// message panel.
void ShowControllerClock(CommandHost& host);

// After the user's confirmation, the computer's time into table 2 (fields
// 0..7: date and time, weekday, time kind under the clock-change rules held
// in the image's table 6, which the caller has read). False after "Нет" or
// a failed write.
bool WritePcTime(TableEngine& tables, StatusBarPanel* status);

}  // namespace zmk
