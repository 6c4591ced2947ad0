#pragma once

// Column titles of the measurement workbooks and of the moisture-meter
// viewers: the three-line gas parameter titles of the chromatograph sheets,
// the four-line blocks of the moisture meter, and the fixed titles of the
// date and time columns.

#include <QString>
#include <QStringList>

namespace zmk {

struct ReportFormat;

// Decimals of the values shown by the measurement viewers and written to
// their workbooks, taken from the data presentation format.
struct ValueDecimals {
    int gas[20] = {};      // gas parameters 0..19
    int temperature = 0;   // the moisture meter's dew points
    int pressure = 0;      // the moisture meter's gauge pressure
};
ValueDecimals ArchiveValueDecimals(const ReportFormat& format);
// The same for the format of the run (CurrentReportFormat()).
ValueDecimals CurrentArchiveDecimals();
// The same for the format kept in a "rep_format.ini" file (the defaults
// when it cannot be read).
ValueDecimals ArchiveDecimalsFromFile(const QString& path);

// Gas parameters that have a workbook title (0..17).
inline constexpr int TitledGasParameters = 18;
inline constexpr int ChromTitleLines = 3;
inline constexpr int MoistureTitleLines = 4;

// Three lines of the workbook title of gas parameter `parameter` (0..17);
// three empty lines for any other index. Some lines are a single blank, one
// is empty: they stay as they are.
QStringList ChromWorkbookTitle(int parameter);

// The four-line title blocks of the moisture-meter columns, left to right:
// 8 columns (5-minute: date, time, controller status, moisture-meter status,
// four values; hourly/daily: date, time, end time, controller status, four
// values). Empty for a column outside 0..7.
QStringList MoistureColumnTitle(bool fiveMinute, int column);
// The four value titles alone (value 0..3).
QStringList MoistureValueTitle(int value);

}  // namespace zmk
