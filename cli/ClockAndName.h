#pragma once

#include <QStringList>

namespace zmkctl {

class Connection;

// clock: the controller's clock beside the computer's, what differs, and
// the correction the program would send.
int ClockCommand(Connection& conn, const QStringList& args);
// set-clock [--correct [SECONDS]]: the computer's time written into table
// 2, or a correction by function code 12 (by the difference to the
// computer's clock within the controller's hour, or by SECONDS).
int SetClockCommand(Connection& conn, const QStringList& args);
// set-name TEXT: the controller's name (table 5) in its code page, written
// only when it changed.
int SetNameCommand(Connection& conn, const QStringList& args);

// Usage lines of the commands, for the program's help text.
extern const char* const ClockAndNameUsage;

}  // namespace zmkctl
