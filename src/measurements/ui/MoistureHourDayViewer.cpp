#include "measurements/ui/MoistureHourDayViewer.h"

#include <QTableView>

namespace zmk {

MoistureHourDayViewer::MoistureHourDayViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : MeasurementViewer(header, std::move(records), parent) {
    setObjectName(QStringLiteral("moistureHourDayViewer"));
    BuildWindow({.workbook = true, .print = true});
    FitToScreen(0, MoistureScreenHeightMargin, MoistureViewerWidth);
    setFixedWidth(MoistureViewerWidth);
}

void MoistureHourDayViewer::SizeColumns(QTableView* recordView) {
    SizeMoistureColumns(recordView, Model()->columnCount());
}

}  // namespace zmk
