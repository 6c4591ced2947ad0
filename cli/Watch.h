#pragma once

#include <QStringList>

namespace zmkctl {

class Connection;

// watch [--count N]: the chromatograph's momentary values (tables 30 and 32)
// once a second, one line each, until Ctrl-C (or N lines).
int WatchCommand(Connection& conn, const QStringList& args);

// Usage lines of the command, for the program's help text.
extern const char* const WatchUsage;

}  // namespace zmkctl
