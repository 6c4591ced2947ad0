#pragma once

#include <QStringList>

namespace zmkctl {

inline constexpr char ExportXlsxUsage[] =
    "  export-xlsx FILE -o BOOK.xlsx  a saved measurement file (.mch .hch .dch .mwm .hwm .dwm)\n"
    "                               as the viewer's workbook; decimals from INI/rep_format.ini\n"
    "                               (needs no connection)\n";

// Runs "export-xlsx" with the arguments after the command word; returns the
// exit code (0, 1 on a file or workbook failure, 2 on a usage error).
int ExportXlsxCommand(const QStringList& args);

}  // namespace zmkctl
