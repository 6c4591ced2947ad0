#include "measurements/ui/Arhivhd_wmt.h"

#include <QTableView>

namespace zmk {

TFormArhivHD_Wmt::TFormArhivHD_Wmt(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : TFormMeasurementView(header, std::move(records), parent) {
    setObjectName(QStringLiteral("FormArhivHD_Wmt"));
    FormCreate(false, true, true);
    FitToScreen(0, MoistureScreenHeightMargin, MoistureViewerWidth);
    setFixedWidth(MoistureViewerWidth);
}

void TFormArhivHD_Wmt::SizeColumns() { SizeMoistureColumns(StringGrid1, model_->columnCount()); }

}  // namespace zmk
