#pragma once

// A table report on A4 portrait pages: a title band on the first page, the
// page header (right-aligned) and the footer "Лист N из M" on every page,
// and on every page one table whose column headings stand in a frame with
// separating lines. The event lists and the moisture-meter archives print
// through it. One routine paints the pages, whatever the device: the
// preview, a printer or a PDF file.
//
// Geometry: the body of a page (between the header and the footer bands)
// holds exactly the heading and `laterPageRows` rows; the first page gives
// the room of its missing rows to the title band. So a row is
// body / (headingRows + laterPageRows) high, and the page capacities are
// those of the layout whatever the paper's printable area.

#include <QMarginsF>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QPagedPaintDevice;

namespace zmk {

// One line of the title band of the first page.
struct ReportTitleLine {
    QString text;
    double pointSize = 10;
    bool bold = false;
    bool centred = true;  // otherwise left-aligned
};

// One printed column: its heading lines (top to bottom), its width relative
// to the other columns, and how its cells stand.
struct ReportColumn {
    QStringList heading;
    int width = 1;
    bool leftAligned = false;  // otherwise centred
};

// A heading over neighbouring columns, above their own headings.
struct ReportColumnGroup {
    int first = 0;
    int count = 0;
    QString heading;
};

struct ReportLayout {
    QMarginsF margins{10, 10, 10, 10};  // millimetres from the paper's edges
    int firstPageRows = 1;              // table rows on the first page
    int laterPageRows = 1;              // table rows on every later page
    double headingRows = 2;             // height of the column headings, in rows
    double headingPointSize = 8;
    double bodyPointSize = 8;
    int columnGap = 0;                  // room between columns, in width units
    bool frameRows = false;             // the frame encloses the rows too, not only the headings
    bool headingFromTop = false;        // heading lines start at a common top line (else each column's are centred)
};

// The font of every report.
inline constexpr char ReportFontFamily[] = "DejaVu Sans";

// More pages than this ask before printing (see PreviewReport).
inline constexpr int ReportPageLimit = 200;

struct PagedReport {
    ReportLayout layout;
    std::vector<ReportTitleLine> title;
    QString pageHeader;
    std::vector<ReportColumn> columns;
    std::vector<ReportColumnGroup> groups;
    qsizetype rowCount = 0;
    // The text of a cell, row 0..rowCount-1, column 0..columns-1. It reads
    // the caller's rows, which must outlive the report.
    std::function<QString(qsizetype row, int column)> cell;

    // Pages of the report: one at least (an empty table keeps its heading);
    // a page is started only for a row that does not fit.
    int PageCount() const;
    // The rows of page `page` (0-based): first row and count.
    qsizetype FirstRowOfPage(int page) const;
    qsizetype RowsOnPage(int page) const;
};

// "Лист N из M"
QString ReportFooterText(int page, int pageCount);

// Paints pages firstPage..lastPage (0-based, -1 = to the end) of the report
// on the device: A4 portrait, a new device page for every report page.
// False when painting could not start or finish (no printer, an output that
// cannot be written); what was painted is then incomplete.
bool PaintReport(const PagedReport& report, QPagedPaintDevice& device, int firstPage = 0, int lastPage = -1);

// The whole report as a PDF file, written through CheckedFile: on failure
// (false, the system's text in *error) an existing file stays as it was.
bool WriteReportPdf(const PagedReport& report, const QString& path, QString* error = nullptr);

}  // namespace zmk
