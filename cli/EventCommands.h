#pragma once

#include <QStringList>

#include "events/EventRecords.h"

namespace zmkctl {

class Connection;

// read-events diag|interv (--index FIRST --count N | --last N |
//             --from DATE --to DATE) -o FILE
// Reads one event archive by index or by period into a saved event file
// (.ala / .aud) as the viewers save it. Returns the exit code.
int ReadEventsCommand(Connection& conn, const QStringList& args);

// show-events FILE: the rows of a saved event file as tab-separated text.
int ShowEventsCommand(const QStringList& args);

// The archive a saved event file is meant for: by its extension (.ala,
// .aud), else by its signature; a foreign file counts as diagnostics (and is
// refused in their words when read).
zmk::EventKind EventFileKind(const QString& path);

extern const char* const ReadEventsUsage;
extern const char* const ShowEventsUsage;

}  // namespace zmkctl
