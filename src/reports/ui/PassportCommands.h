#pragma once

// The two "Отчеты" commands, "Паспорт ЗМК показателей за сутки" and "... за
// месяц": the template check, the daily archive's bounds, the parameters
// dialog, the reading of both analysers (wait window, Esc) and the workbook
// in the REPORT folder, with the question before an existing one is replaced.

#include "reports/PassportReader.h"

namespace zmk {

class CommandHost;

void MakePassport(CommandHost& host, PassportKind kind);

}  // namespace zmk
