#include "measurements/ui/ChromFiveMinuteViewer.h"

#include <QPushButton>
#include <QTableView>

namespace zmk {

namespace {

constexpr int ChromColumnWidth = 64;
constexpr int ChromDateColumnWidth = 72;

}  // namespace

ChromFiveMinuteViewer::ChromFiveMinuteViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : MeasurementViewer(header, std::move(records), parent) {
    setObjectName(QStringLiteral("FormArhMom_Chr"));
    FormCreate(true, true, false);
    connect(BitBtnStatus, &QPushButton::clicked, this, &ChromFiveMinuteViewer::BitBtnStatusClick);
    connect(StringGrid1, &QTableView::doubleClicked, this, &ChromFiveMinuteViewer::StringGrid1DblClick);
    FitToScreen(ScreenWidthMargin, ScreenHeightMargin, 0);
}

void ChromFiveMinuteViewer::SizeColumns() {
    for (int c = 0; c < model_->columnCount(); ++c)
        StringGrid1->setColumnWidth(c, c < table_->FixedColumns() ? ChromDateColumnWidth : ChromColumnWidth);
}

void ChromFiveMinuteViewer::BitBtnStatusClick() { ShowChromRecordStatus(*table_, CurrentRecord(), this); }

void ChromFiveMinuteViewer::StringGrid1DblClick() { ShowChromRecordStatus(*table_, CurrentRecord(), this); }

}  // namespace zmk
