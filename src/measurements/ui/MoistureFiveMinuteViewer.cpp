#include "measurements/ui/MoistureFiveMinuteViewer.h"

#include <QHeaderView>
#include <QTableView>

namespace zmk {

void SizeMoistureColumns(QTableView* grid, int columns) {
    for (int c = 0; c < columns; ++c)
        grid->setColumnWidth(c, c == columns - 1 ? MoistureGridLastColumnWidth : MoistureGridColumnWidth);
    // The four-line title blocks above the columns.
    const int lines = 4;
    grid->horizontalHeader()->setMinimumHeight(grid->fontMetrics().lineSpacing() * lines + 8);
}

MoistureFiveMinuteViewer::MoistureFiveMinuteViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : MeasurementViewer(header, std::move(records), parent) {
    setObjectName(QStringLiteral("moistureFiveMinuteViewer"));
    BuildWindow({.print = true});
    FitToScreen(0, MoistureScreenHeightMargin, MoistureViewerWidth);
    setFixedWidth(MoistureViewerWidth);
}

void MoistureFiveMinuteViewer::SizeColumns(QTableView* recordView) {
    SizeMoistureColumns(recordView, Model()->columnCount());
}

}  // namespace zmk
