#pragma once

// Writing a configuration into the controller, chosen in the table state
// dialog: the configuration file corrected in the editor and checked, the
// users table and the clock written their own way, then the other tables
// in their fixed order under the wait window.

#include "tables/ConfigWrite.h"

class QWidget;

namespace zmk {

class CommandHost;
class ConfigImage;
struct ConfigRecord;

// Reads the system parameters (table 6, fields 0..11) so that a clock write
// follows the controller's own clock-change rules. A destroyed table 6 is no
// source of rules: then nothing is read and the message "Запись даты и
// времени невозможна" / "при разрушенной таблице системных параметров" is
// shown. False when refused or the read failed.
bool ReadSystemParams(const TableSelection& selection, CommandHost& host);

// The users list of the record in the users dialog, to be restored into a
// destroyed users table; on acceptance the list goes into the record and
// the image's table 4. Left without acceptance: the message, and false.
bool RestoreAccessTable(ConfigRecord& record, ConfigImage& image, QWidget* parent);

// What must be confirmed or corrected before the marked tables are written:
// only the users table and the clock — the users restored and the system
// parameters read; anything else — the editor in its write mode until the
// record passes the configuration check (a changed record is offered for
// saving first). True when the write may go on.
bool PrepareConfigWrite(ConfigRecord& record, TableSelection& selection, CommandHost& host);

// The write itself: the users table with blank credentials, the computer's
// time into the clock after the user's confirmation, then the other marked
// tables under the wait window with the main window disabled.
bool WriteSelectedTables(TableSelection& selection, CommandHost& host, ConfigWriteObserver& observer);

// The write chosen in the table state dialog ("Записать избранные таблицы" or
// "Записать все таблицы"): with only the clock marked, the system parameters
// read and the computer's time written; otherwise a configuration file
// chosen, prepared and written. True when something was written as asked.
bool WriteChosenTables(TableSelection selection, CommandHost& host, ConfigWriteObserver& observer);

}  // namespace zmk
