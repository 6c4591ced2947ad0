#pragma once

// The controller's identification (table 0, 18 one-byte fields) as the
// identification window shows it, and the fields other commands look at.

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace zmk {

constexpr int IdentificationTable = 0;
constexpr int IdentificationFieldCount = 18;
constexpr int IdentDestroyedTable = 0;  // number of a destroyed table, 0 = none
constexpr int IdentTypeCode = 1;
constexpr int IdentHardwareVersion = 2;
constexpr int IdentSoftwareVersion = 3;
constexpr int IdentSoftwareDate = 4;    // 4..9: year (two digits), month, day, hour, minute, second
constexpr int IdentByteOrder = 10;      // 0 or 1
constexpr int IdentSeveralRates = 11;   // 0 = one rate only
constexpr int IdentCodePage = 12;       // 0 = texts in the DOS code page (CP866)
constexpr int IdentFixedAddress = 13;   // 0 = the address can be changed, else the address
constexpr int IdentProtocolVersion = 14;  // 14..16: three numbers

// Whether the controller keeps its texts (the name) in the DOS code page.
constexpr bool KeepsDosTexts(const uint8_t* table0) { return table0[IdentCodePage] == 0; }

// One row of the identification window.
struct IdentificationRow {
    QStringList label;  // one caption line or several
    QString value;      // empty for a row not shown in the mode
    bool alarm = false; // shown in red (a destroyed table)
    bool shown = true;  // false: the row's label is disabled, its value empty
};

// The rows for table 0. full: the connected controller, or a configuration
// read from one; otherwise (a new configuration) only the type code and
// the software version are shown.
QList<IdentificationRow> IdentificationRows(const uint8_t* table0, bool full);

// "%02d" of a value within 0..max (from min), "**" outside.
QString TwoDigitsOrStars(int value, int min, int max);

}  // namespace zmk
