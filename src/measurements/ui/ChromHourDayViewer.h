#pragma once

#include "measurements/ui/MeasurementViewer.h"

namespace zmk {

// The chromatograph hourly/daily viewer: the records of an hourly or a
// daily reading (the header's signature tells which), with the interval's
// end time and the substitute-value marks.
class ChromHourDayViewer : public MeasurementViewer {
    Q_OBJECT

public:
    static constexpr int ModeHourly = 0;
    static constexpr int ModeDaily = 1;
    static constexpr int ScreenWidthMargin = 10;
    static constexpr int ScreenHeightMargin = 40;

    ChromHourDayViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent = nullptr);

    // 0 hourly, 1 daily.
    int Mode() const { return Table().Daily() ? ModeDaily : ModeHourly; }

protected:
    void SizeColumns(QTableView* recordView) override;
};

}  // namespace zmk
