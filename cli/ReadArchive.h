#pragma once

#include <QStringList>

namespace zmkctl {

class Connection;

// read-archive chrom|moist 5min|hour|day --from "YYYY-MM-DD HH:MM"
//              --to "YYYY-MM-DD HH:MM" -o FILE
// Reads one measurement archive for the period into a measurement file as
// the viewers save it (header + records). Returns the exit code.
int ReadArchiveCommand(Connection& conn, const QStringList& args);

// Usage lines of the command, for the program's help text.
extern const char* const ReadArchiveUsage;

}  // namespace zmkctl
