#include "events/ui/EventFileCommand.h"

#include <QFileDialog>
#include <optional>

#include "common/Folders.h"
#include "common/ui/MessageDialog.h"
#include "events/EventFile.h"
#include "events/ui/EventViewer.h"

namespace zmk {

void ViewEventFile(EventKind kind, QWidget* parent) {
    const bool diagnostics = kind == EventKind::Diagnostics;
    QString path;
    {
        QFileDialog dialog(parent, QStringLiteral("Выберите файл с данными"),
                           WorkFolderPath(diagnostics ? WorkFolder::AlaFiles : WorkFolder::AudFiles),
                           diagnostics ? QStringLiteral("Data Files (*.ala);;DataFiles(*.*)")
                                       : QStringLiteral("Data Files (*.aud);;DataFiles(*.*)"));
        dialog.setObjectName(QStringLiteral("openDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        path = dialog.selectedFiles().constFirst();
    }
    FileMessage message;
    std::optional<EventFileContents> contents = ReadEventFile(path, kind, &message);
    if (!contents) {
        ShowMessage(message.kind, message.first, message.second);
        return;
    }
    std::unique_ptr<EventViewer> viewer = EventViewer::ForFile(kind, std::move(*contents), parent);
    viewer->exec();
}

}  // namespace zmk
