#pragma once

#include <QStringList>

namespace zmkctl {

class Connection;

// read-events diag|interv (--index FIRST --count N | --last N |
//             --from DATE --to DATE) -o FILE
// Reads one event archive by index or by period into a saved event file
// (.ala / .aud) as the viewers save it. Returns the exit code.
int ReadEventsCommand(Connection& conn, const QStringList& args);

// show-events FILE: the rows of a saved event file as tab-separated text.
int ShowEventsCommand(const QStringList& args);

extern const char* const ReadEventsUsage;
extern const char* const ShowEventsUsage;

}  // namespace zmkctl
