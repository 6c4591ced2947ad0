#pragma once

#include <QStringList>

namespace zmkctl {

inline constexpr char ExportXlsxUsage[] =
    "  export-xlsx FILE -o BOOK.xlsx  a saved measurement file (.mch .hch .dch .mwm .hwm .dwm)\n"
    "                               as the viewer's workbook; decimals from INI/rep_format.ini\n"
    "                               (needs no connection); records whose checksum failed\n"
    "                               are shown as not valid (exit 3)\n";

// Runs "export-xlsx" with the arguments after the command word; returns the
// exit code (0, 1 on a file or workbook failure, 2 on a usage error, 3 when
// the workbook was written but some records failed their checksum).
int ExportXlsxCommand(const QStringList& args);

}  // namespace zmkctl
