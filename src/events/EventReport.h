#pragma once

// The printed lists of diagnostic messages and operator interventions: the
// viewer's rows (columns 1..7 of its grid, as shown) under the title band of
// the first page, with the controller's name at the head of every page.

#include <QString>
#include <vector>

#include "common/PagedReport.h"
#include "common/ReportKind.h"
#include "events/EventFile.h"

namespace zmk {

// Rows per page: diagnostics 58 on the first page and 65 on every later
// one; interventions 57 and 69.
inline constexpr int DiagnosticFirstPageRows = 58;
inline constexpr int DiagnosticPageRows = 65;
inline constexpr int InterventionFirstPageRows = 57;
inline constexpr int InterventionPageRows = 69;

// The reports over the viewer's rows, which must outlive the report.
// `organisation` heads the title band (up to 40 characters).
PagedReport BuildDiagnosticReport(const EventFileHeader& header, const std::vector<DiagnosticRow>& rows,
                                  const QString& organisation);
PagedReport BuildInterventionReport(const EventFileHeader& header, const std::vector<InterventionRow>& rows,
                                    const QString& organisation);

// The report kind of an event list.
ReportKind EventReportKind(EventKind kind);

}  // namespace zmk
