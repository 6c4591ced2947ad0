#pragma once

#include <QStringList>

namespace zmkctl {

class Connection;

// save-config -o FILE: the controller's whole configuration read as the
// program reads it and saved as the program saves it; a failed reading
// leaves FILE as it was.
int SaveConfigCommand(Connection& conn, const QStringList& args);
// write-config FILE [--tables LIST] [--any-channel]: a configuration file
// written into a controller without configuration (software version 14)
// by the rules of the program's table state dialog.
int WriteConfigCommand(Connection& conn, const QStringList& args);
// check-config FILE: the file's refusal or the first fault of the check the
// program makes before a write; needs no connection.
int CheckConfigCommand(const QStringList& args);

// Usage lines of the commands, for the program's help text.
extern const char* const ConfigurationUsage;
extern const char* const CheckConfigUsage;

}  // namespace zmkctl
