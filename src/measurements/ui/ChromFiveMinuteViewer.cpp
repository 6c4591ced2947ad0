#include "measurements/ui/ChromFiveMinuteViewer.h"

#include <QTableView>

namespace zmk {

namespace {

constexpr int ChromColumnWidth = 64;
constexpr int ChromDateColumnWidth = 72;

}  // namespace

ChromFiveMinuteViewer::ChromFiveMinuteViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : MeasurementViewer(header, std::move(records), parent) {
    setObjectName(QStringLiteral("chromFiveMinuteViewer"));
    BuildWindow({.status = true, .workbook = true});
    FitToScreen(ScreenWidthMargin, ScreenHeightMargin, 0);
}

void ChromFiveMinuteViewer::SizeColumns(QTableView* recordView) {
    for (int c = 0; c < Model()->columnCount(); ++c)
        recordView->setColumnWidth(c, c < Table().FixedColumns() ? ChromDateColumnWidth : ChromColumnWidth);
}

}  // namespace zmk
