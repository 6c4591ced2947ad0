#pragma once

#include <QStringList>

namespace zmkctl {

class Connection;

// passport day --date YYYY-MM-DD --object N -o FILE.xlsx
// passport month --month YYYY-MM --object N -o FILE.xlsx
// Reads a gas day or a month of both analysers and writes the passport
// workbook from its template, as the program does. Returns the exit code.
int PassportCommand(Connection& conn, const QStringList& args);

extern const char* const PassportUsage;

}  // namespace zmkctl
