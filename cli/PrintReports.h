#pragma once

#include <QStringList>

namespace zmkctl {

inline constexpr char PrintReportsUsage[] =
    "  print-events FILE -o REPORT.pdf [--title TEXT]\n"
    "                               a saved event file (.ala .aud) as the printed list\n"
    "  print-moisture FILE -o REPORT.pdf [--title TEXT]\n"
    "                               a saved moisture-meter file (.mwm .hwm .dwm) as the\n"
    "                               printed report (decimals from INI/rep_format.ini;\n"
    "                               records whose checksum failed print as not valid, exit 3)\n"
    "      the pages the program prints, as PDF; the organisation at the head of the\n"
    "      report is --title or the one remembered in INI/title.ini (at most 40\n"
    "      characters); a report of any length is written whole\n";

// Run "print-events" and "print-moisture" with the arguments after the
// command word; they return the exit code (0, 1 on a file or PDF failure,
// 2 on a usage error, 3 when the report was written but some records
// failed their checksum). They need a QGuiApplication (fonts).
int PrintEventsCommand(const QStringList& args);
int PrintMoistureCommand(const QStringList& args);

// True for the commands above, which main() runs in a QGuiApplication.
bool IsPrintCommand(const char* word);

}  // namespace zmkctl
