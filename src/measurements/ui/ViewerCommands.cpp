#include "measurements/ui/ViewerCommands.h"

#include <QFileDialog>
#include <memory>

#include "common/Folders.h"
#include "common/ui/MessageDialog.h"
#include "measurements/MeasurementFile.h"
#include "measurements/ui/MoistureHourDayViewer.h"
#include "measurements/ui/ChromHourDayViewer.h"
#include "measurements/ui/ChromFiveMinuteViewer.h"

namespace zmk {

void OpenMeasurementViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent) {
    std::unique_ptr<MeasurementViewer> viewer;
    // The records decide the layout; the header only describes them.
    switch (records.Kind()) {
    case ArchiveKind::ChromFiveMinute:
        viewer = std::make_unique<ChromFiveMinuteViewer>(header, std::move(records), parent);
        break;
    case ArchiveKind::ChromHour:
    case ArchiveKind::ChromDay:
        viewer = std::make_unique<ChromHourDayViewer>(header, std::move(records), parent);
        break;
    case ArchiveKind::MoistureFiveMinute:
        viewer = std::make_unique<MoistureFiveMinuteViewer>(header, std::move(records), parent);
        break;
    case ArchiveKind::MoistureHour:
    case ArchiveKind::MoistureDay:
        viewer = std::make_unique<MoistureHourDayViewer>(header, std::move(records), parent);
        break;
    }
    if (viewer) viewer->exec();
}

void ViewMeasurementFile(ArchiveKind kind, QWidget* parent) {
    const ArchiveKindInfo& info = KindInfo(kind);
    const QString ext = QString::fromLatin1(info.extension);
    QString path;
    {
        QFileDialog dialog(parent, QStringLiteral("Выберите файл с данными"), WorkFolderPath(info.folder),
                           QStringLiteral("*%1 (*%1)").arg(ext));
        dialog.setObjectName(QStringLiteral("openDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        path = dialog.selectedFiles().constFirst();
    }
    FileMessage message;
    std::optional<MeasurementFileContents> contents = ReadMeasurementFile(path, kind, &message);
    if (!contents) {
        ShowMessage(message.kind, message.first, message.second);
        return;
    }
    // A cut file shows the records it holds.
    OpenMeasurementViewer(contents->header, std::move(contents->records), parent);
}

}  // namespace zmk
