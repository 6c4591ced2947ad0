#pragma once

#include <QStringList>

namespace zmkctl {

class Connection;

// users: the registered users of the controller (table 4), one line each:
// record number, name, access level text (the number for a level without
// a text), password and code; the
// password and code as **** unless --show-secrets. Returns the exit code.
int UsersCommand(Connection& conn, const QStringList& args);

// Usage line of the command, for the program's help text.
extern const char* const UsersUsage;

}  // namespace zmkctl
