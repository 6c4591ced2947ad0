#pragma once

// Configuration files: the open and save dialogs of a ".cnf" file and the
// three commands of the "Файлы  конфигурации" menu.

#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

namespace zmk {

class CommandHost;
struct ConfigRecord;

// The dialogs of the configuration files, non-native so that they look the
// same everywhere; object names "openConfigDialog" and "saveConfigDialog".
QFileDialog* NewConfigOpenDialog(QWidget* parent);
QFileDialog* NewConfigSaveDialog(QWidget* parent, const QString& proposed);

// A chosen name without an extension gets ".cnf".
QString WithConfigExtension(const QString& path);

// Asks for a configuration file and reads it into record. False when the
// dialog is cancelled or the file is refused (its message shown).
bool LoadConfigFile(ConfigRecord& record, QWidget* parent);
// Asks for the file name (the proposed one filled in, the replace question
// for another existing file) and writes the record; the result is shown.
// False when cancelled or the file could not be written.
bool SaveConfigFile(const ConfigRecord& record, QWidget* parent);

// "Создание нового файла конфигурации": the defaults in the editor, offered
// for saving whenever the editor is accepted.
void CreateConfigFile(QWidget* parent);
// "Просмотр/Корректировка файла конфигурации": a file in the editor, saved
// again only when it was changed.
void EditConfigFile(QWidget* parent);
// "Сохранение параметров конфигурации в файле": reads the whole
// configuration of the controller and saves it. After a successful reading
// moistureMeterRead gets table 6 field 8 (the caller shows or hides its
// moisture-meter items).
void SaveControllerConfig(CommandHost& host, const std::function<void(bool present)>& moistureMeterRead);

}  // namespace zmk
