#include "tables/ui/ConfigFileCommands.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <memory>

#include "common/FileMessage.h"
#include "common/Folders.h"
#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "tables/ConfigRecord.h"
#include "tables/TableEngine.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/ConfigEditorDialog.h"
#include "tables/ui/ConfigWaitProgress.h"

namespace zmk {

namespace {

constexpr int SystemTable = 6;
constexpr int SystemMoistureField = 8;  // a moisture meter is connected

const QString& ConfigFilter() {
    static const QString filter = QStringLiteral("Data Files (*.cnf);;All Files (*)");
    return filter;
}

void ShowFileMessage(const FileMessage& message) { ShowMessage(message.kind, message.first, message.second); }

}  // namespace

QFileDialog* NewConfigOpenDialog(QWidget* parent) {
    auto* dialog = new QFileDialog(parent, QStringLiteral("Выбор файла с параметрами конфигурации"),
                                   WorkFolderPath(WorkFolder::Config), ConfigFilter());
    dialog->setObjectName(QStringLiteral("openConfigDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    return dialog;
}

QFileDialog* NewConfigSaveDialog(QWidget* parent, const QString& proposed) {
    auto* dialog = new QFileDialog(parent, QStringLiteral("Выбор файла для записи параметров конфигурации"),
                                   WorkFolderPath(WorkFolder::Config), ConfigFilter());
    dialog->setObjectName(QStringLiteral("saveConfigDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The replace question is our own.
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog->selectFile(proposed);
    return dialog;
}

QString WithConfigExtension(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".cnf") : path;
}

bool LoadConfigFile(ConfigRecord& record, QWidget* parent) {
    QString path;
    {
        std::unique_ptr<QFileDialog> dialog(NewConfigOpenDialog(parent));
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return false;
        path = dialog->selectedFiles().constFirst();
    }
    FileMessage message;
    std::optional<ConfigRecord> read = ReadConfigFile(path, &message);
    if (!read) {
        ShowFileMessage(message);
        return false;
    }
    record = *read;
    return true;
}

bool SaveConfigFile(const ConfigRecord& record, QWidget* parent) {
    const QString proposedFirst =
        ProposedConfigFileName(WorkFolderPath(WorkFolder::Config), record, QDateTime::currentDateTime());
    QString proposed = proposedFirst;
    for (;;) {
        std::unique_ptr<QFileDialog> dialog(NewConfigSaveDialog(parent, proposed));
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return false;
        QString path = dialog->selectedFiles().constFirst();
        dialog.reset();
        if (QFileInfo(path) != QFileInfo(proposedFirst)) {
            if (QFileInfo::exists(path)) {
                if (!Ask(MessageKind::Question, QStringLiteral("Файл %1 уже есть.").arg(QFileInfo(path).fileName()),
                         QStringLiteral("Вы хотите заменить существующий файл?"))) {
                    proposed = path;
                    continue;
                }
            } else {
                path = WithConfigExtension(path);
            }
        }
        FileMessage message;
        if (!WriteConfigFile(path, record, &message)) {
            ShowFileMessage(message);
            return false;
        }
        ShowFileMessage(ConfigSavedMessage(path));
        return true;
    }
}

void CreateConfigFile(QWidget* parent) {
    ConfigRecord record = NewConfigRecord();
    ConfigEditorDialog editor(record, ConfigEditorDialog::Mode::Edit, parent);
    if (editor.exec() != QDialog::Accepted) return;
    SaveConfigFile(record, parent);
}

void EditConfigFile(QWidget* parent) {
    ConfigRecord record;
    if (!LoadConfigFile(record, parent)) return;
    ConfigEditorDialog editor(record, ConfigEditorDialog::Mode::Edit, parent);
    if (editor.exec() != QDialog::Accepted || !editor.Changed()) return;
    SaveConfigFile(record, parent);
}

void SaveControllerConfig(CommandHost& host, const std::function<void(bool present)>& moistureMeterRead) {
    ConfigRecord record;
    bool read = false;
    {
        WaitSession wait(host.Window(), WaitWindow::ModeReadConfig, 22);
        ConfigWaitProgress progress(wait);
        read = ReadConfiguration(host.Tables(), host.MessagePanel(), progress);
        if (read) {
            const ConfigImage& image = host.Tables().Image();
            if (moistureMeterRead) moistureMeterRead(image.Table(SystemTable)[SystemMoistureField] != 0);
            record = ImageToRecord(image);
        }
    }
    if (!read) {
        ShowMessage(MessageKind::ExchangeResult, QStringLiteral("Параметры конфигурации не прочитаны"));
        return;
    }
    SaveConfigFile(record, host.Window());
}

}  // namespace zmk
