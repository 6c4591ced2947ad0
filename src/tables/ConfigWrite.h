#pragma once

// The state of the controller's configuration tables after connecting
// (table 7: which tables are destroyed; a controller with software version
// 14 has no configuration at all), the choice of tables to write, and the
// write of a configuration in its fixed order.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "tables/Catalogue.h"

namespace zmk {

class ConfigImage;
class ConfigProgress;
class StatusBarPanel;
class TableEngine;

// Software versions the identification reports.
constexpr int VersionWithConfiguration = 10;
constexpr int VersionWithoutConfiguration = 14;

// Whether the state of the tables is looked at after connecting: not for a
// version-10 controller whose identification names no destroyed table.
bool NeedsTableStateCheck(const uint8_t* table0);

// One pass of the table state dialog.
struct TableSelection {
    std::array<bool, TableCount> inConfig{};   // the table belongs to a configuration
    std::array<bool, TableCount> destroyed{};  // table 7 says so (or version 14)
    std::array<bool, TableCount> write{};      // to be written

    // From table 7 (38 state bytes, nonzero = destroyed); none marked.
    static TableSelection FromStates(const uint8_t* table7);
    // Every table destroyed: the version-14 controller.
    static TableSelection AllDestroyed();

    bool AnyMarkedBesides(std::initializer_list<int> tables) const;
};

// The configuration tables in ascending order, the dialog's rows.
int ConfigurationTables(std::array<int, TableCount>& tables);

// How the dialog's buttons and boxes start, for the software version and the
// channel (ChannelKindValue).
struct TableStateControls {
    bool writeAll = false;       // "Записать все таблицы"
    bool writeSelected = false;  // "Записать избранные таблицы"
    bool reset = false;          // "Сбросить энергонезависимые данные"
    bool boxesEnabled = true;    // no box can be checked over a telephone line
};
TableStateControls TableStateControlsFor(int softwareVersion, uint8_t channelKind);
// A row's box: destroyed tables start checked; an intact table 2 or 4 cannot
// be checked; over a telephone line nothing is checked or enabled.
bool RowStartsChecked(const TableSelection& s, int table, uint8_t channelKind);
bool RowBoxEnabled(const TableSelection& s, int table, uint8_t channelKind);

// "Записать все таблицы": every configuration table; then table 2 only when
// destroyed and table 4 exactly when destroyed.
void MarkAllTables(TableSelection& s);
// "Записать избранные таблицы": the checked rows, with the same rule for
// tables 2 and 4. False (and nothing marked) when no row is checked: the
// dialog says "Не заданы таблицы для записи".
bool MarkCheckedTables(TableSelection& s, const std::array<bool, TableCount>& checked);
QString NoTablesChosenText();  // "Не заданы таблицы для записи"

// What the write tells the rest of the program as it goes.
class ConfigWriteObserver {
public:
    virtual ~ConfigWriteObserver() = default;
    // Table 3 was written: the link follows the new address and rate.
    virtual void UpperLevelWritten(const uint8_t* table3) { (void)table3; }
    // Table 5 was written: the trimmed name for the status bar.
    virtual void NameWritten(const QString& name) { (void)name; }
    // Table 6 was written: whether a moisture meter is connected (field 8).
    virtual void SystemWritten(bool moistureMeterPresent) { (void)moistureMeterPresent; }
};

// Writes the marked tables from the image in the fixed order: table 9, then
// 17..20 (fields 0 .. n - 1, n = table 9 field 0, one empty request when n is
// 0), table 13 (the same, 14 fields a request), then every other marked
// table in ascending order, whole. The name goes out in the DOS code page
// when the controller keeps its texts there (identification field 12 = 0)
// and is back in Windows-1251 in the image afterwards. Written tables are
// unmarked. Stops at the first failed request (the engine has asked its
// retry question). Progress: one step per configuration table.
bool WriteConfiguration(TableEngine& engine, TableSelection& selection, StatusBarPanel* status,
                        ConfigProgress& progress, ConfigWriteObserver& observer);

// Writes the users table from the image into a controller whose users table
// is destroyed: fields 0..9, then 10..15, with blank credentials (the
// controller takes such a write from nobody in particular). The link's own
// password and user code are back in place afterwards whatever happened.
bool RestoreUsersTable(TableEngine& engine, StatusBarPanel* status);

}  // namespace zmk
