#pragma once

// Entry points of the measurement viewers for the main window. Kept free of
// the record headers so that any window can include it.

#include <cstdint>

class QWidget;

namespace zmk {

enum class ArchiveKind : uint8_t;
struct MeasurementFileHeader;
class RecordStore;

// "Просмотр/Печать из файла" of one archive kind: the open-file dialog
// ("Выберите файл с данными", the kind's folder and filter), the checks of
// the file with their messages, then the kind's viewer, modally.
void ViewMeasurementFile(ArchiveKind kind, QWidget* parent);

// Shows the viewer of the records' kind modally and returns when it closes:
// chromatograph 5-minute or hourly/daily, moisture meter 5-minute or
// hourly/daily. The records are the viewer's until then.
void OpenMeasurementViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent);

}  // namespace zmk
