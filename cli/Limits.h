#pragma once

#include <QStringList>

namespace zmkctl {

class Connection;

// limits: the five limits of gas parameters 0..17 (tables 22..26), one line
// a parameter: number, symbol, ЗН, НПУ, ВПУ, НДП, ВДП with their decimals,
// unit (tab-separated); a value outside its allowed range is named on stderr.
int LimitsCommand(Connection& conn, const QStringList& args);
// set-limit PARAM KIND VALUE: one limit, checked as the program's dialog
// checks it, written only when it differs; prints the parameter's line.
int SetLimitCommand(Connection& conn, const QStringList& args);

// Usage lines of the commands, for the program's help text.
extern const char* const LimitsUsage;

}  // namespace zmkctl
