#include "measurements/ui/ChromHourDayViewer.h"

#include <QPushButton>
#include <QTableView>

namespace zmk {

namespace {
constexpr int ValueColumnWidth = 68;  // values carry a mark character
constexpr int FixedColumnWidth = 72;
}  // namespace

ChromHourDayViewer::ChromHourDayViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : MeasurementViewer(header, std::move(records), parent) {
    setObjectName(QStringLiteral("FormArhivHDM_Chr"));
    FormCreate(true, true, false);
    connect(BitBtnStatus, &QPushButton::clicked, this, &ChromHourDayViewer::BitBtnStatusClick);
    connect(StringGrid1, &QTableView::doubleClicked, this, &ChromHourDayViewer::StringGrid1DblClick);
    FitToScreen(ScreenWidthMargin, ScreenHeightMargin, 0);
}

void ChromHourDayViewer::SizeColumns() {
    for (int c = 0; c < model_->columnCount(); ++c)
        StringGrid1->setColumnWidth(c, c < table_->FixedColumns() ? FixedColumnWidth : ValueColumnWidth);
}

void ChromHourDayViewer::BitBtnStatusClick() { ShowChromRecordStatus(*table_, CurrentRecord(), this); }

void ChromHourDayViewer::StringGrid1DblClick() { ShowChromRecordStatus(*table_, CurrentRecord(), this); }

}  // namespace zmk
