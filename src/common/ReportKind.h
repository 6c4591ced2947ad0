#pragma once

// The printed reports: their kinds, the three lines that describe a report
// before it is printed, and the message of a failed print.

#include <QString>
#include <QStringList>

#include "common/PackedDate.h"

namespace zmk {

// The five printed reports. The numbers are those of the viewers' modes.
enum class ReportKind : int {
    Diagnostics = 3,         // diagnostic messages
    Interventions = 4,       // operator interventions
    MoistureHourly = 6,      // moisture meter, hourly archive
    MoistureDaily = 7,       // moisture meter, daily archive
    MoistureFiveMinute = 8,  // moisture meter, 5-minute archive
};

// The three lines of the print-data dialog for a report of `kind` over the
// period from `start` to `end` (the period fields that the kind shows:
// date and time to the second for the event lists and the 5-minute data,
// date and hour for hourly, the date for daily data). The texts are the
// program's own, blanks and the Latin "a" of "контроллерa" included.
QStringList PrintDialogLines(ReportKind kind, const PackedDate& start, const PackedDate& end);

// "Ошибка печати данных": the one message of any failure to build, print or
// save a report (kind 1, second line empty).
QString PrintErrorText();

}  // namespace zmk
