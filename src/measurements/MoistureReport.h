#pragma once

// The printed moisture-meter archives (5-minute, hourly, daily): the cells
// of the viewer's grid, blanks trimmed, in eight framed columns under four-
// line title blocks; the title band on the first page.
//
// Page budget: 65 lines a page; the title band takes 7 lines of the first
// page and every table's title blocks 6, so the first page holds 52 records
// and every later page 59.

#include <QString>

#include "common/PagedReport.h"
#include "common/ReportKind.h"
#include "measurements/MeasurementTable.h"

namespace zmk {

inline constexpr int MoisturePageLines = 65;
inline constexpr int MoistureTitleBandLines = 7;
inline constexpr int MoistureHeadingLines = 6;
inline constexpr int MoistureFirstPageRows = MoisturePageLines - MoistureTitleBandLines - MoistureHeadingLines;
inline constexpr int MoisturePageRows = MoisturePageLines - MoistureHeadingLines;

// The report kind of a moisture-meter table: 8 5-minute, 6 hourly, 7 daily.
ReportKind MoistureReportKind(const MeasurementTable& table);

// The report over a moisture-meter table, which must outlive the report.
PagedReport BuildMoistureReport(const MeasurementTable& table, const QString& organisation);

}  // namespace zmk
