#pragma once

// The six "Чтение архива контроллера" commands of the main window (the
// chromatograph's and the moisture meter's 5-minute, hourly and daily
// archives) around the reading engine: the archive bounds, the period
// dialog, the wait window with its progress, the messages, and then the
// viewer of what was read.

#include "measurements/ArchiveReader.h"

class QWidget;

namespace zmk {

class CommandHost;

// One read command from the bounds to the viewer.
void ReadMeasurementArchive(CommandHost& host, ArchiveKind kind);

// The messages and questions of a reading shown with the shared message dialog.
class MessageBoxReadDialogue : public ArchiveReadDialogue {
public:
    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override;
    bool AskQuestion(MessageKind kind, const QString& line1, const QString& line2) override;
};

}  // namespace zmk
