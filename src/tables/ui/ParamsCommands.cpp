#include "tables/ui/ParamsCommands.h"

#include <memory>
#include <vector>

#include "common/Folders.h"
#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "link/ControllerLink.h"
#include "link/SubscriberList.h"
#include "settings/MainSettings.h"
#include "tables/Catalogue.h"
#include "tables/FlowComputers.h"
#include "tables/GasLimits.h"
#include "tables/LinkParams.h"
#include "tables/TableEngine.h"
#include "tables/UpperLevelAdoption.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/FlowComputerDialogs.h"
#include "tables/ui/GasLimitsDialogs.h"
#include "tables/ui/LinkParamsDialogs.h"

namespace zmk {

namespace {

constexpr int IdentTable = 0;

bool Read(CommandHost& host, TableRequest request) {
    BusyCursor busy;
    return host.Tables().ReadTable(request, host.MessagePanel(), true);
}

std::vector<uint8_t> CopyOf(CommandHost& host, TableRequest request) {
    const uint8_t* range = host.Tables().Image().Field(request.table, request.first);
    return {range, range + request.count * Descriptor(request.table).fieldSize};
}

bool WriteChanges(CommandHost& host, TableRequest request, const std::vector<uint8_t>& old) {
    BusyCursor busy;
    return host.Tables().WriteTableChanges(request, old.data(), host.MessagePanel());
}

// Reads the whole table, lets the dialog made by make edit it in the image
// and writes what changed. True when the dialog was confirmed and the write
// succeeded (also when nothing had to be written).
template <typename MakeDialog>
bool EditWholeTable(CommandHost& host, int table, MakeDialog make) {
    const TableRequest request{uint8_t(table), 0, Descriptor(table).fieldCount};
    if (!Read(host, request)) return false;
    const std::vector<uint8_t> old = CopyOf(host, request);
    std::unique_ptr<QDialog> form = make(host.Tables().Image().Table(table));
    if (form->exec() != QDialog::Accepted) return false;
    return WriteChanges(host, request, old);
}

}  // namespace

void EditUpperLevelLink(CommandHost& host, const std::function<void()>& showLinkParams) {
    ControllerLink& link = host.Tables().Link();
    // The rate list is offered only on the direct line to a controller that
    // can work at several rates.
    const bool rateChangeable =
        link.ChannelKind == ChannelDirect && host.Tables().Image().Table(IdentTable)[IdentSeveralRatesField] != 0;
    const bool written = EditWholeTable(host, UpperLevelLinkTable, [&](uint8_t* fields) {
        return std::make_unique<UpperLevelLinkDialog>(fields, ParamsMode::Device, rateChangeable, host.Window());
    });
    if (!written) return;

    KeepUpperLevelLink(host, true);
    if (showLinkParams) showLinkParams();
}

void KeepUpperLevelLink(CommandHost& host, bool followLink) {
    ControllerLink& link = host.Tables().Link();
    const uint8_t address = link.Address;
    const int32_t rate = link.BaudRate;
    SubscriberLists& lists = Subscribers();
    switch (AdoptUpperLevelLink(link, Settings(), lists, host.Tables().Image().Table(UpperLevelLinkTable))) {
    case AdoptedInto::MainSettings:
        WriteMainSettings(MainSettingsPath());
        break;
    case AdoptedInto::PhoneList:
        WritePhoneList(PhoneListPath(), lists.phone, lists.phoneStored);
        break;
    case AdoptedInto::EthernetList:
        WriteEthernetList(EthernetListPath(), lists.ethernet, lists.ethernetStored);
        break;
    case AdoptedInto::Nothing:
        break;
    }
    if (!followLink) {
        link.Address = address;
        link.BaudRate = rate;
    }
}

void EditChromatographLink(CommandHost& host, bool& hexaneInList) {
    const bool written = EditWholeTable(host, ChromatographLinkTable, [&](uint8_t* fields) {
        return std::make_unique<ChromatographLinkDialog>(fields, ParamsMode::Device, host.Window());
    });
    if (written)
        hexaneInList = (host.Tables().Image().Table(ChromatographLinkTable)[ChromatographField::Flags] & NoHexaneBit) == 0;
}

void EditMoistureMeterLink(CommandHost& host) {
    EditWholeTable(host, MoistureMeterLinkTable, [&](uint8_t* fields) {
        return std::make_unique<MoistureMeterLinkDialog>(fields, ParamsMode::Device, host.Window());
    });
}

void EditEthernetLink(CommandHost& host) {
    EditWholeTable(host, EthernetLinkTable, [&](uint8_t* fields) {
        return std::make_unique<EthernetLinkDialog>(fields, ParamsMode::Device, host.Window());
    });
}

void EditGasParameterWrite(CommandHost& host) {
    EditWholeTable(host, GasParameterWriteTable, [&](uint8_t* fields) {
        return std::make_unique<GasParameterWriteDialog>(fields, ParamsMode::Device, host.Window());
    });
}

void EditHourlyWritePeriod(CommandHost& host) {
    EditWholeTable(host, HourlyWritePeriodTable, [&](uint8_t* fields) {
        return std::make_unique<HourlyWritePeriodDialog>(fields, ParamsMode::Device, host.Window());
    });
}

void EditFlowComputerLink(CommandHost& host) {
    TableEngine& tables = host.Tables();
    const TableRequest request{uint8_t(FlowComputerLinkTable), 0, uint8_t(FlowLinkField::Count)};
    if (!Read(host, request)) return;
    const std::vector<uint8_t> old = CopyOf(host, request);
    uint8_t* fields = tables.Image().Table(FlowComputerLinkTable);
    FlowComputerLinkDialog form(fields, ParamsMode::Device, host.Window());
    if (form.exec() != QDialog::Accepted) return;

    const int count = fields[FlowLinkField::ComputerCount];
    if (count <= old[FlowLinkField::ComputerCount]) {
        WriteChanges(host, request, old);
        return;
    }
    if (!Ask(MessageKind::Question, QStringLiteral("Количество вычислителей не может быть увеличено"),
             QStringLiteral("без ввода их параметров. Выполнить ввод параметров сейчас?")))
        return;
    FlowComputerCopies copies;
    {
        BusyCursor busy;
        if (!ReadFlowComputerTables(tables, copies, host.MessagePanel())) return;
    }
    FlowComputerList list = FlowComputersFromImage(tables.Image(), count);
    FlowComputerListDialog listForm(list, ParamsMode::Device, host.Window());
    if (listForm.exec() != QDialog::Accepted) return;
    StoreFlowComputers(tables.Image(), list);
    if (!WriteChanges(host, request, old)) return;
    BusyCursor busy;
    WriteFlowComputerTables(tables, list, copies, host.MessagePanel());
}

void EditFlowComputers(CommandHost& host) {
    TableEngine& tables = host.Tables();
    const TableRequest countRequest{uint8_t(FlowComputerLinkTable), uint8_t(FlowLinkField::ComputerCount), 1};
    if (!Read(host, countRequest)) return;
    const int count = tables.Image().Table(FlowComputerLinkTable)[FlowLinkField::ComputerCount];
    FlowComputerCopies copies;
    {
        BusyCursor busy;
        if (!ReadFlowComputerTables(tables, copies, host.MessagePanel())) return;
    }
    FlowComputerList list = FlowComputersFromImage(tables.Image(), count);
    FlowComputerListDialog form(list, ParamsMode::Device, host.Window());
    if (form.exec() != QDialog::Accepted) return;
    StoreFlowComputers(tables.Image(), list);
    BusyCursor busy;
    if (list.Count != count && !tables.WriteTable(countRequest, host.MessagePanel())) return;
    WriteFlowComputerTables(tables, list, copies, host.MessagePanel());
}

void EditGasLimits(CommandHost& host, bool hexaneInList) {
    TableEngine& tables = host.Tables();
    GasLimitCopies copies;
    {
        BusyCursor busy;
        if (!ReadGasLimitTables(tables, copies, host.MessagePanel())) return;
    }
    LimitSets sets = LimitSetsFromImage(tables.Image());
    GasLimitsListDialog form(sets, hexaneInList, ParamsMode::Device, host.Window());
    if (form.exec() != QDialog::Accepted) return;
    StoreLimitSets(tables.Image(), sets);
    BusyCursor busy;
    WriteGasLimitTables(tables, copies, host.MessagePanel());
}

}  // namespace zmk
