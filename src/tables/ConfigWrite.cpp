#include "tables/ConfigWrite.h"

#include <algorithm>

#include "common/DosCodePage.h"
#include "link/ControllerLink.h"
#include "tables/ConfigRecord.h"
#include "tables/ControllerName.h"
#include "tables/Identification.h"
#include "tables/LinkParams.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"

namespace zmk {

namespace {

constexpr int ClockTable = 2;
constexpr int SystemTable = 6;
constexpr int FirstPerFlowComputer = 17;
constexpr int LastPerFlowComputer = 20;
constexpr int NameSize = 20;
constexpr int MoistureMeterPresentField = 8;

// Tables 2 and 4 are written only when they are destroyed.
void ApplyClockAndUsersRule(TableSelection& s) {
    if (!s.destroyed[ClockTable]) s.write[ClockTable] = false;
    s.write[UsersTable] = s.destroyed[UsersTable];
}

}  // namespace

bool NeedsTableStateCheck(const uint8_t* table0) {
    return !(table0[IdentDestroyedTable] == 0 && table0[IdentSoftwareVersion] == VersionWithConfiguration);
}

TableSelection TableSelection::FromStates(const uint8_t* table7) {
    TableSelection s;
    for (int t = 0; t < TableCount; ++t) {
        s.inConfig[size_t(t)] = Descriptor(t).inConfig != 0;
        s.destroyed[size_t(t)] = table7[t] != 0;
    }
    return s;
}

TableSelection TableSelection::AllDestroyed() {
    std::array<uint8_t, TableCount> states;
    states.fill(1);
    return FromStates(states.data());
}

bool TableSelection::AnyMarkedBesides(std::initializer_list<int> tables) const {
    for (int t = 0; t < TableCount; ++t)
        if (write[size_t(t)] && std::find(tables.begin(), tables.end(), t) == tables.end()) return true;
    return false;
}

int ConfigurationTables(std::array<int, TableCount>& tables) {
    int n = 0;
    for (int t = 0; t < TableCount; ++t)
        if (Descriptor(t).inConfig) tables[size_t(n++)] = t;
    return n;
}

TableStateControls TableStateControlsFor(int softwareVersion, uint8_t channelKind) {
    TableStateControls c;
    const bool direct = channelKind == ChannelDirect;
    const bool empty = softwareVersion == VersionWithoutConfiguration;
    c.writeAll = empty && direct;
    c.writeSelected = empty && direct;
    c.reset = softwareVersion == VersionWithConfiguration || (empty && direct);
    c.boxesEnabled = channelKind != ChannelPhone;
    return c;
}

bool RowStartsChecked(const TableSelection& s, int table, uint8_t channelKind) {
    return channelKind != ChannelPhone && s.destroyed[size_t(table)];
}

bool RowBoxEnabled(const TableSelection& s, int table, uint8_t channelKind) {
    if (channelKind == ChannelPhone) return false;
    return s.destroyed[size_t(table)] || (table != ClockTable && table != UsersTable);
}

void MarkAllTables(TableSelection& s) {
    s.write = s.inConfig;
    ApplyClockAndUsersRule(s);
}

bool MarkCheckedTables(TableSelection& s, const std::array<bool, TableCount>& checked) {
    if (std::none_of(checked.begin(), checked.end(), [](bool c) { return c; })) return false;
    for (int t = 0; t < TableCount; ++t) s.write[size_t(t)] = checked[size_t(t)] && s.inConfig[size_t(t)];
    ApplyClockAndUsersRule(s);
    return true;
}

QString NoTablesChosenText() { return QStringLiteral("Не заданы таблицы для записи"); }

bool WriteConfiguration(TableEngine& engine, TableSelection& s, StatusBarPanel* status, ConfigProgress& progress,
                        ConfigWriteObserver& observer) {
    std::array<int, TableCount> tables;
    const int maximum = ConfigurationTables(tables);
    progress.SetMaximum(maximum);
    int position = 0;
    progress.SetPosition(position);
    ConfigImage& image = engine.Image();

    const auto done = [&](int table) {
        s.write[size_t(table)] = false;
        progress.SetPosition(++position);
    };
    // Fields 0 .. n - 1 of a per-flow-computer table; an empty request for none.
    const auto writeConnected = [&](int table) {
        const int n = std::min<int>(image.Table(FlowComputerLinkTable)[0], MaxFlowComputers);
        return n == 0 ? engine.WriteEmptyRange(uint8_t(table), status)
                      : engine.WriteTable({uint8_t(table), 0, uint8_t(n)}, status);
    };

    if (s.write[FlowComputerLinkTable]) {
        if (!engine.WriteTable({uint8_t(FlowComputerLinkTable), 0, Descriptor(FlowComputerLinkTable).fieldCount},
                               status))
            return false;
        done(FlowComputerLinkTable);
    }
    for (int t = FirstPerFlowComputer; t <= LastPerFlowComputer; ++t) {
        if (!s.write[size_t(t)]) continue;
        if (!writeConnected(t)) return false;
        done(t);
    }
    if (s.write[FlowComputerPasswordTable]) {
        if (!writeConnected(FlowComputerPasswordTable)) return false;
        done(FlowComputerPasswordTable);
    }

    const bool dosTexts = KeepsDosTexts(image.Table(IdentificationTable));
    for (int t = 0; t < TableCount; ++t) {
        if (!s.write[size_t(t)]) continue;
        const TableRequest whole{uint8_t(t), 0, Descriptor(t).fieldCount};
        bool ok;
        if (t == NameTable && dosTexts) {
            EncodeDosText(image.Table(NameTable), NameSize);
            ok = engine.WriteTable(whole, status);
            DecodeDosText(image.Table(NameTable), NameSize);
        } else {
            ok = engine.WriteTable(whole, status);
        }
        if (!ok) return false;
        if (t == UpperLevelLinkTable) observer.UpperLevelWritten(image.Table(UpperLevelLinkTable));
        if (t == NameTable) observer.NameWritten(NameText(image.Table(NameTable)));
        if (t == SystemTable) observer.SystemWritten(image.Table(SystemTable)[MoistureMeterPresentField] != 0);
        done(t);
    }
    progress.SetPosition(maximum);
    progress.Linger();
    return true;
}

bool RestoreUsersTable(TableEngine& engine, StatusBarPanel* status) {
    ControllerLink& link = engine.Link();
    const auto password = link.WritePassword;
    const auto code = link.UserCode;
    link.WritePassword.fill(' ');
    link.UserCode.fill(' ');
    const bool ok = engine.WriteTable({uint8_t(UsersTable), 0, 10}, status) &&
                    engine.WriteTable({uint8_t(UsersTable), 10, 6}, status);
    link.WritePassword = password;
    link.UserCode = code;
    return ok;
}

}  // namespace zmk
