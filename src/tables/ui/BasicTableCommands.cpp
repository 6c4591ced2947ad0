#include "tables/ui/BasicTableCommands.h"

#include <QDialog>
#include <algorithm>
#include <array>

#include "common/DosCodePage.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "common/StatusBarPanel.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "link/ControllerLink.h"
#include "tables/ControllerClock.h"
#include "tables/ControllerName.h"
#include "tables/Identification.h"
#include "tables/TableEngine.h"
#include "tables/ui/ClockDialog.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/ControllerNameDialog.h"
#include "tables/ui/IdentificationDialog.h"
#include "tables/ui/SystemParamsDialog.h"

namespace zmk {

namespace {

// Table 7: one state byte per table, nonzero = destroyed. The date and time
// command looks at its fields 0..6.
constexpr uint8_t TableStates = 7;
constexpr uint8_t StatesRead = 7;
// Fields 9..11 of table 6, which the program always writes as 1, 0, 0.
constexpr int SystemFixedFields = 9;
constexpr uint8_t SystemFixedValues[] = {1, 0, 0};

void SetSystemFixedFields(uint8_t* table6) {
    std::copy(std::begin(SystemFixedValues), std::end(SystemFixedValues), table6 + SystemFixedFields);
}

}  // namespace

void ShowIdentification(CommandHost& host) {
    TableEngine& tables = host.Tables();
    bool read;
    {
        BusyCursor busy;
        read = tables.ReadTable({IdentificationTable, 0, IdentificationFieldCount}, host.MessagePanel());
    }
    if (!read) return;
    IdentificationDialog form(tables.Image().Table(IdentificationTable), true, host.Window());
    form.exec();
}

void EditControllerName(CommandHost& host) {
    TableEngine& tables = host.Tables();
    StatusBarPanel* panel = host.MessagePanel();
    if (!tables.ReadTable({NameTable, 0, 1}, panel)) return;
    uint8_t* name = tables.Image().Table(NameTable);
    // The old copy in the controller's own code page, as the write compares it.
    std::array<uint8_t, NameLength> old;
    std::copy_n(name, NameLength, old.begin());
    const bool dos = KeepsDosTexts(tables.Image().Table(IdentificationTable));
    if (dos) DecodeDosText(name, NameLength);

    ControllerNameDialog form(name, dos, host.Window());
    if (form.exec() != QDialog::Accepted) return;
    if (dos) EncodeDosText(name, NameLength);
    tables.WriteTableChanges({NameTable, 0, 1}, old.data(), panel);
    if (dos) DecodeDosText(name, NameLength);
}

bool EditSystemParams(CommandHost& host) {
    TableEngine& tables = host.Tables();
    StatusBarPanel* panel = host.MessagePanel();
    if (!tables.ReadTable({SystemTable, 0, SystemFieldCount}, panel)) return false;
    uint8_t* system = tables.Image().Table(SystemTable);
    std::array<uint8_t, SystemFieldCount> old;
    std::copy_n(system, SystemFieldCount, old.begin());
    SetSystemFixedFields(system);

    SystemParamsDialog form(system, SystemParamsDialog::Mode::WriteToController, host.Window());
    if (form.exec() != QDialog::Accepted) return false;
    return tables.WriteTableChanges({SystemTable, 0, SystemFieldCount}, old.data(), panel);
}

void ShowControllerClock(CommandHost& host) {
    TableEngine& tables = host.Tables();
    ConfigImage& image = tables.Image();
    StatusBarPanel* panel = host.MessagePanel();

    if (!tables.ReadTable({TableStates, 0, StatesRead}, panel)) return;
    const uint8_t* states = image.Table(TableStates);
    if (states[SystemTable] != 0) {
        ShowMessage(MessageKind::SeeControllerState, QStringLiteral("Разрушена таблица системных параметров."),
                    QStringLiteral("Информация о текущих дате и времени не может быть представлена"));
        return;
    }
    if (!tables.ReadTable({SystemTable, 0, SystemFieldCount}, panel)) return;
    SetSystemFixedFields(image.Table(SystemTable));
    if (states[ClockTable] != 0) {
        // "Воcстановить" with a Latin c, as the program has always shown it.
        if (Ask(MessageKind::Question, QStringLiteral("Таблица даты и времени разрушена."),
                QStringLiteral("Воcстановить сейчас?")))
            WritePcTime(tables, panel);
        return;
    }
    if (!tables.ReadTable({ClockTable, 0, ClockFieldCount}, panel)) return;
    // The computer's clock as it was when the controller's answer came.
    const PackedDate computerTime = ComputerClockTime(tables.Link().LastExchangeTime);

    ClockDialog form(ControllerClock(image.Table(ClockTable)), ComputerClock(computerTime, image.Table(SystemTable)),
                     host.Window());
    form.exec();
    if (!form.Correction()) return;

    panel->setText(QString());
    panel->repaint();
    uint8_t body[2];
    CorrectionBody(*form.Correction(), body);
    ControllerLink& link = tables.Link();
    if (link.SendRequest(ClockCorrectionCode, body, sizeof body)) {
        panel->setText(QStringLiteral("Корректировка времени выполнена"));
    } else {
        panel->setText(link.StatusText());
        ShowMessage(MessageKind::Info, QStringLiteral("Корректировка времени не выполнена"), QString());
    }
    host.StartMessageTimer();
}

bool WritePcTime(TableEngine& tables, StatusBarPanel* status) {
    if (!Ask(MessageKind::Question, QStringLiteral("В контроллер будет записано время ЭВМ."),
             QStringLiteral("Вы уверены, что часы ЭВМ показывают правильное время?")))
        return false;
    BusyCursor busy;
    ConfigImage& image = tables.Image();
    FillClockFromComputer(image.Table(ClockTable), ComputerClockTime(CurrentDateTimeValue()),
                          image.Table(SystemTable));
    return tables.WriteTable({ClockTable, 0, ClockFieldCount}, status);
}

}  // namespace zmk
