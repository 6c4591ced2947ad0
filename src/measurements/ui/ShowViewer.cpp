// The viewer entry of the archive readings, alone in its unit.
#include "measurements/ui/ArchiveRead.h"
#include "measurements/ui/Viewers.h"

namespace zmk {

void ShowMeasurementViewer(const MeasurementFileHeader& header, RecordStore&& records, QWidget* parent) {
    OpenMeasurementViewer(header, std::move(records), parent);
}

}  // namespace zmk
