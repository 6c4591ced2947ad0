#pragma once

#include "measurements/ui/MeasurementViewer.h"

namespace zmk {

// Column widths of the moisture-meter grids: seven of 83 and the last of 102.
inline constexpr int MoistureGridColumnWidth = 83;
inline constexpr int MoistureGridLastColumnWidth = 102;
inline constexpr int MoistureViewerWidth = 720;
inline constexpr int MoistureScreenHeightMargin = 60;

// Sizes the 8 columns of a moisture-meter grid.
void SizeMoistureColumns(QTableView* grid, int columns);

// The moisture-meter 5-minute viewer: no averages, no workbook; prints.
class MoistureFiveMinuteViewer : public MeasurementViewer {
    Q_OBJECT

public:
    MoistureFiveMinuteViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent = nullptr);

protected:
    void SizeColumns(QTableView* recordView) override;
};

}  // namespace zmk
