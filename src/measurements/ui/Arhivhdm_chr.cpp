#include "measurements/ui/Arhivhdm_chr.h"

#include <QPushButton>
#include <QTableView>

namespace zmk {

namespace {
constexpr int ValueColumnWidth = 68;  // values carry a mark character
constexpr int FixedColumnWidth = 72;
}  // namespace

TFormArhivHDM_Chr::TFormArhivHDM_Chr(const MeasurementFileHeader& header, RecordStore records, QWidget* parent)
    : TFormMeasurementView(header, std::move(records), parent) {
    setObjectName(QStringLiteral("FormArhivHDM_Chr"));
    FormCreate(true, true, false);
    connect(BitBtnStatus, &QPushButton::clicked, this, &TFormArhivHDM_Chr::BitBtnStatusClick);
    connect(StringGrid1, &QTableView::doubleClicked, this, &TFormArhivHDM_Chr::StringGrid1DblClick);
    FitToScreen(ScreenWidthMargin, ScreenHeightMargin, 0);
}

void TFormArhivHDM_Chr::SizeColumns() {
    for (int c = 0; c < model_->columnCount(); ++c)
        StringGrid1->setColumnWidth(c, c < table_->FixedColumns() ? FixedColumnWidth : ValueColumnWidth);
}

void TFormArhivHDM_Chr::BitBtnStatusClick() { ShowChromRecordStatus(*table_, CurrentRecord(), this); }

void TFormArhivHDM_Chr::StringGrid1DblClick() { ShowChromRecordStatus(*table_, CurrentRecord(), this); }

}  // namespace zmk
