#pragma once

#include "measurements/ui/MoistureFiveMinuteViewer.h"

namespace zmk {

// The moisture-meter hourly/daily viewer: workbook export and printing.
class MoistureHourDayViewer : public MeasurementViewer {
    Q_OBJECT

public:
    // The viewer's mode as the print report numbers it.
    static constexpr int ModeHourly = 6;
    static constexpr int ModeDaily = 7;

    MoistureHourDayViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent = nullptr);

    int Mode() const { return Table().Daily() ? ModeDaily : ModeHourly; }

protected:
    void SizeColumns(QTableView* recordView) override;
};

}  // namespace zmk
