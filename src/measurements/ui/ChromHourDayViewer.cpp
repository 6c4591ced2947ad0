#include "measurements/ui/ChromHourDayViewer.h"

#include <QTableView>

namespace zmk {

namespace {
constexpr int ValueColumnWidth = 68;  // values carry a mark character
constexpr int FixedColumnWidth = 72;
}  // namespace

ChromHourDayViewer::ChromHourDayViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : MeasurementViewer(header, std::move(records), parent) {
    setObjectName(QStringLiteral("chromHourDayViewer"));
    BuildWindow({.status = true, .workbook = true});
    FitToScreen(ScreenWidthMargin, ScreenHeightMargin, 0);
}

void ChromHourDayViewer::SizeColumns(QTableView* recordView) {
    for (int c = 0; c < Model()->columnCount(); ++c)
        recordView->setColumnWidth(c, c < Table().FixedColumns() ? FixedColumnWidth : ValueColumnWidth);
}

}  // namespace zmk
