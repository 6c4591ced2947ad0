#pragma once

// The label list: every fixed text the program shows for data read from the
// controller (table names, units, gas-parameter names, enumerated values,
// event texts). A field value v of some kind is shown as the entry at the
// first index of its group plus v; there is no lookup by text.
//
// Entries 0..37 are the table names of the catalogue (tables/Catalogue), the
// rest is a fixed table in this unit. The list is built on first use and is
// constant afterwards. Texts are held as QString; a consumer that needs
// Windows-1251 bytes converts with ToCp1251 (app/Cp1251) - every entry has
// a byte in that code page.

#include <QString>

namespace zmk {

constexpr int LabelListSize = 399;

// First entry of each group, and the number of entries in it. A value counted
// from 0 is entry start + value; for the few values counted from 1 the
// comment says how to shift them.

// Table names by table number (the catalogue's names; 31, 36 and 37 are empty).
constexpr int TableNameLabels = 0;
constexpr int TableNameCount = 38;
// Units by unit code; code 0 has no unit (empty text).
constexpr int UnitLabels = 38;
constexpr int UnitCount = 37;
// Month of a clock-change rule: 0 "Переход запрещен", 1..12 "Январь".."Декабрь".
// Also the month names by month number 1..12.
constexpr int MonthLabels = 75;
constexpr int MonthChoiceCount = 13;
// Month names in the genitive ("января".."декабря"): month m (1..12) is
// entry MonthGenitiveLabels + m - 1.
constexpr int MonthGenitiveLabels = 88;
constexpr int MonthCount = 12;
// Week-of-month ordinals of a clock-change rule: "Первый", "Второй", "Третий",
// "Предпоследний", "Последний".
constexpr int WeekOrdinalLabels = 100;
constexpr int WeekOrdinalCount = 5;
// Day names, Sunday first: d = 0..6. A weekday counted from 1 (1 = Sunday, as
// in table 2 and the intervention records) is entry WeekdayLabels + d - 1.
constexpr int WeekdayLabels = 105;
constexpr int WeekdayCount = 7;
// Short day names "Вс".."Сб", Sunday first; a weekday d counted from 1 is
// entry ShortWeekdayLabels + d - 1.
constexpr int ShortWeekdayLabels = 112;
// Time kind: 0 "Летнее" (summer), 1 "Зимнее" (winter).
constexpr int TimeKindLabels = 119;
constexpr int TimeKindCount = 2;
// Names of the controller's archives by archive number 0..9.
constexpr int ArchiveNameLabels = 121;
constexpr int ArchiveNameCount = 10;
// MODBUS mode: 0 " ASCII", 1 " RTU".
constexpr int ModbusModeLabels = 131;
constexpr int ModbusModeCount = 2;
// Parity: 0 "Отсутств.", 1 "Нечетный", 2 "Четный", 3 "Всегда 0", 4 "Всегда 1".
constexpr int ParityLabels = 133;
constexpr int ParityCount = 5;
// 0 "Не треб.", 1 "Треб.".
constexpr int RequirementLabels = 138;
constexpr int RequirementCount = 2;
// Gas-parameter write mode of a flow computer, 0..3.
constexpr int GasWriteModeLabels = 140;
constexpr int GasWriteModeCount = 4;
// 0 "Нет", 1 "Есть".
constexpr int PresenceLabels = 144;
constexpr int PresenceCount = 2;
// Byte order of multi-byte values in a flow computer, 0..1.
constexpr int ByteOrderLabels = 146;
constexpr int ByteOrderCount = 2;
// Zone of a gas parameter (table 32): 0 " Норма" .. 4 " Верхняя аварийная зона".
constexpr int GasZoneLabels = 148;
constexpr int GasZoneCount = 5;
// Chromatograph calibration: 0 "Абс. калибровка", 1 "Внутр. нормализ.".
constexpr int CalibrationModeLabels = 153;
constexpr int CalibrationModeCount = 2;
// "Предыдущий год", "Базовый год", "Тип времени": the names of the special
// table numbers 242..244 in diagnostic messages (entry SpecialTableLabels +
// table - 242).
constexpr int SpecialTableLabels = 155;
constexpr int SpecialTableCount = 3;
// Gas parameters 0..19 (the field index of every per-parameter table and of the
// archives; 18 and 19 are not used), four names each.
constexpr int GasParameterCount = 20;
constexpr int GasSymbolLabels = 158;         // "C6+47", "C3H8", ...; empty for 18, 19
constexpr int GasNameLabels = 178;           // " Молярная доля пропана", ...
constexpr int GasMolarFormulaLabels = 354;   // " Молярная доля пропана (C3H8)", ...
constexpr int GasVolumeFormulaLabels = 374;  // " Объемная доля пропана (C3H8)", ...
// Chromatograph alarm flags 0..2.
constexpr int ChromatographAlarmLabels = 198;
constexpr int ChromatographAlarmCount = 3;
// Names of the moisture-meter values 0..4 (dew points and pressures).
constexpr int MoistureValueLabels = 201;
constexpr int MoistureValueCount = 5;
// Texts of the 16 bits of a moisture meter's status word, one block per
// meter type (none for "ФОГ-3Г"); see StatusBitBlock.
constexpr int StatusBitCount = 16;
constexpr int ZegazStatusBitLabels = 206;
constexpr int TorosStatusBitLabels = 222;
constexpr int ZegazDuoStatusBitLabels = 238;
// Chromatograph type 0..6 ("HGC 303 (HMU)" .. "Emerson-700").
constexpr int ChromatographTypeLabels = 254;
constexpr int ChromatographTypeCount = 7;
// Moisture-meter type 0..3 ("ZEGAZ 5000", "ФОГ-3Г", "TOROS", "ZEGAZ Duo").
constexpr int MoistureMeterTypeLabels = 261;
constexpr int MoistureMeterTypeCount = 4;
// Flow-computer type 0..3 ("ФЛОУТЭК" .. "ДФ-1").
constexpr int FlowComputerTypeLabels = 265;
constexpr int FlowComputerTypeCount = 4;
// Distribution mode of gas parameters to the flow computers, 0..2.
constexpr int DistributionModeLabels = 269;
constexpr int DistributionModeCount = 3;
// Diagnostic event texts by event code 0..81 (0, 1 and 5..9 are empty).
constexpr int DiagnosticEventLabels = 272;
constexpr int DiagnosticEventCount = 82;
// User access level 0..4 ("Нет доступа" .. "Оператор").
constexpr int AccessLevelLabels = 394;
constexpr int AccessLevelCount = 5;

// Moisture-meter type codes, as stored in table 15 and event file headers.
constexpr int MoistureMeterZegaz5000 = 0;
constexpr int MoistureMeterFog3G = 1;
constexpr int MoistureMeterToros = 2;
constexpr int MoistureMeterZegazDuo = 3;

// Entry `index` of the label list; empty text for an index outside
// 0..LabelListSize-1.
QString Label(int index);
// Number of entries (LabelListSize).
int LabelCount();

// Value `value` of the group of `groupSize` entries that starts at
// `groupStart`. A value outside 0..groupSize-1 (or a group reaching past the
// list) gives `outside`: empty by default; the viewers pass the text they
// show for an unknown value, e.g. "?". A consumer that knows fewer values
// than the group holds passes its own smaller size.
QString GroupLabel(int groupStart, int groupSize, int value, const QString& outside = QString());

// First entry of the status-bit block of a moisture-meter type; -1 for
// "ФОГ-3Г" (no bit texts) and for unknown types.
int StatusBitBlock(int moistureMeterType);

}  // namespace zmk
