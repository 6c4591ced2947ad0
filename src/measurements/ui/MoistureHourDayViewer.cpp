#include "measurements/ui/MoistureHourDayViewer.h"

#include <QTableView>

namespace zmk {

MoistureHourDayViewer::MoistureHourDayViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : MeasurementViewer(header, std::move(records), parent) {
    setObjectName(QStringLiteral("FormArhivHD_Wmt"));
    FormCreate(false, true, true);
    FitToScreen(0, MoistureScreenHeightMargin, MoistureViewerWidth);
    setFixedWidth(MoistureViewerWidth);
}

void MoistureHourDayViewer::SizeColumns() { SizeMoistureColumns(StringGrid1, model_->columnCount()); }

}  // namespace zmk
