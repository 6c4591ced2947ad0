#include "tables/ui/ConfigWriteCommands.h"

#include <QDialog>
#include <algorithm>
#include <optional>

#include "common/MessageKind.h"
#include "common/StatusBarPanel.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "tables/ConfigRecord.h"
#include "tables/ControllerClock.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"
#include "tables/ui/BasicTableCommands.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/ConfigEditorDialog.h"
#include "tables/ui/ConfigFileCommands.h"
#include "tables/ui/ConfigWaitProgress.h"
#include "tables/ui/UsersListDialog.h"

namespace zmk {

namespace {

const QString& NotAllowedLine() {
    static const QString line = QStringLiteral("Запись в таблицы параметров конфигурации недопустима");
    return line;
}

}  // namespace

bool ReadSystemParams(const TableSelection& selection, CommandHost& host) {
    if (selection.destroyed[SystemTable] && !selection.write[SystemTable]) {
        ShowMessage(MessageKind::SeeControllerState, QStringLiteral("Запись даты и времени невозможна"),
                    QStringLiteral("при разрушенной таблице системных параметров"));
        return false;
    }
    return host.Tables().ReadTable({uint8_t(SystemTable), 0, 12}, host.MessagePanel(), true);
}

bool RestoreAccessTable(ConfigRecord& record, ConfigImage& image, QWidget* parent) {
    uint8_t* list = record.At(config_offset::Users);
    UsersListDialog form(list, UsersListDialog::WriteToController, parent);
    if (form.exec() != QDialog::Accepted) {
        ShowMessage(MessageKind::Info, QStringLiteral("Таблица доступа к записи в контроллер не восстановлена"),
                    NotAllowedLine());
        return false;
    }
    std::copy(form.List().begin(), form.List().end(), list);
    std::copy(form.List().begin(), form.List().end(), image.Table(UsersTable));
    return true;
}

bool PrepareConfigWrite(ConfigRecord& record, TableSelection& s, CommandHost& host) {
    if (!s.AnyMarkedBesides({ClockTable, UsersTable})) {
        if (s.write[UsersTable] && !RestoreAccessTable(record, host.Tables().Image(), host.Window())) return false;
        if (s.write[ClockTable]) return ReadSystemParams(s, host);
        return true;
    }
    for (;;) {
        {
            ConfigEditorDialog editor(record, ConfigEditorDialog::Mode::Write, host.Window());
            if (editor.exec() != QDialog::Accepted) return false;
            if (editor.Changed()) SaveConfigFile(record, host.Window());
        }
        std::optional<ConfigFault> fault;
        {
            BusyCursor busy;
            fault = CopyRecordToImage(record, host.Tables().Image(), s.write[UsersTable]);
        }
        if (!fault) return true;
        ShowMessage(MessageKind::InputError, fault->line1, fault->line2);
        if (!Ask(MessageKind::Question, QStringLiteral("Корректировать параметры конфигурации?"))) {
            ShowMessage(MessageKind::Info, QStringLiteral("Запись таблиц не выполнена"));
            return false;
        }
    }
}

bool WriteSelectedTables(TableSelection& s, CommandHost& host, ConfigWriteObserver& observer) {
    StatusBarPanel* panel = host.MessagePanel();
    if (panel) panel->setText(QString());
    TableEngine& engine = host.Tables();
    if (s.write[UsersTable]) {
        if (!RestoreUsersTable(engine, panel)) {
            ShowMessage(MessageKind::Info, QStringLiteral("Таблица зарегистрированных пользователей не восстановлена"),
                        NotAllowedLine());
            return false;
        }
        s.write[UsersTable] = false;
    }
    if (s.write[ClockTable]) {
        if (!WritePcTime(engine, panel)) return false;
        s.write[ClockTable] = false;
    }
    std::array<int, TableCount> tables;
    WaitSession wait(host.Window(), WaitWindow::ModeWriteConfig, ConfigurationTables(tables));
    ConfigWaitProgress progress(wait);
    return WriteConfiguration(engine, s, panel, progress, observer);
}

bool WriteChosenTables(TableSelection s, CommandHost& host, ConfigWriteObserver& observer) {
    if (!s.AnyMarkedBesides({ClockTable})) {
        if (!s.write[ClockTable]) return false;
        return ReadSystemParams(s, host) && WritePcTime(host.Tables(), host.MessagePanel());
    }
    ConfigRecord record;
    if (!LoadConfigFile(record, host.Window())) return false;
    if (!PrepareConfigWrite(record, s, host)) return false;
    return WriteSelectedTables(s, host, observer);
}

}  // namespace zmk
