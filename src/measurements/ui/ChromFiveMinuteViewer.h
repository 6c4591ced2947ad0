#pragma once

#include "measurements/ui/MeasurementViewer.h"

namespace zmk {

// The chromatograph 5-minute viewer.
class ChromFiveMinuteViewer : public MeasurementViewer {
    Q_OBJECT

public:
    static constexpr int ScreenWidthMargin = 10;
    static constexpr int ScreenHeightMargin = 40;

    ChromFiveMinuteViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent = nullptr);

protected:
    void SizeColumns(QTableView* recordView) override;
};

}  // namespace zmk
