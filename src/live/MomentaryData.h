#pragma once

// The controller's live tables as the state, functions and momentary-data
// windows show them: the abnormal-situation flags (table 16), the analyser
// links (table 33), the functions it can carry out (table 8), the
// chromatograph's momentary values and zones (tables 30 and 32) and the
// moisture meter's momentary values (table 37). The windows (ui/) only place
// what is built here.

#include <QString>
#include <array>
#include <cstdint>

#include "settings/ReportFormat.h"

namespace zmk {

// --- the tables --------------------------------------------------------

inline constexpr int FunctionsTable = 8;        // 2 one-byte fields
inline constexpr int AbnormalFlagsTable = 16;   // 18 one-byte fields
inline constexpr int AbnormalFlagsFields = 18;
inline constexpr int ChromMomentaryTable = 30;  // 22 four-byte fields: time (2), parameters 0..19
inline constexpr int ChromMomentaryFieldsRead = 20;  // time and parameters 0..17
inline constexpr int GasZoneTable = 32;         // 20 one-byte fields
inline constexpr int AnalyserLinkTable = 33;    // 2 one-byte fields
inline constexpr int ChromLinkField = 0;
inline constexpr int MoistureLinkField = 1;
inline constexpr int MoistureMomentaryTable = 37;  // 7 four-byte fields: time (2), values
inline constexpr int MoistureMomentaryFields = 7;

// Table 16 fields.
inline constexpr int FlowComputerFlagField = 6;    // exchange with the flow computers
inline constexpr int ChromatographFlagField = 7;   // polling the chromatograph
inline constexpr int SelfDiagnosticFlagField = 9;  // self-diagnostics
inline constexpr int ValueFlagField = 10;          // a monitored value out of its range

// Gas parameters the chromatograph window shows (0..17) and the two rules
// about them: 14 (hexane) may be left out of the list, 17 (gas temperature)
// has no zone.
inline constexpr int ShownGasParameters = 18;
inline constexpr int HexaneParameter = 14;
inline constexpr int GasTemperatureParameter = 17;

// Text colours, 0xRRGGBB.
inline constexpr uint32_t BlackText = 0x000000;
inline constexpr uint32_t RedText = 0xFF0000;
inline constexpr uint32_t DarkRedText = 0x723838;  // red 114, green 56, blue 56
inline constexpr uint32_t GreenText = 0x008000;
inline constexpr uint32_t GreyText = 0x808080;     // a parameter left out of the list

// A text with its colour.
struct ColouredText {
    QString Text;
    uint32_t Colour = BlackText;
    bool operator==(const ColouredText&) const = default;
};

// --- table 16 ----------------------------------------------------------

// After every read of table 16: when the controller keeps its words high
// byte first (identification field 10 is 0), the bytes of the words in
// fields 12-13 and 16-17 are exchanged in the image.
void OrderAbnormalFlagWords(uint8_t* table16, uint8_t identByteOrder);

// Fields 0..5 (year, month, day, hour, minute, second) as
// "dd.mm.yy  hh:mm:ss" (two blanks in the middle).
QString AbnormalFlagsTimeText(const uint8_t* table16);

// A flag of table 16: "Норма" in black for 0, "Есть" in red otherwise.
ColouredText AbnormalFlagText(uint8_t flag);

// A link of table 33: "Норма" in black when present, "Связи нет" in red when 0.
ColouredText AnalyserLinkText(uint8_t link);

// A field of table 8: "Возможно" when nonzero, "Невозможно" when 0.
QString FunctionText(uint8_t possible);

// --- tables 30, 32 and 37 ----------------------------------------------

// The 8-byte poll time of tables 30 and 37 (year, month, day, -, hour,
// minute, second, -) as "dd.mm.yy hh:mm:ss".
QString PollTimeText(const uint8_t* time);

// Float field `field` of a table of four-byte fields, in the PC's byte order.
float FloatField(const uint8_t* table, int field);

// A value in fixed-point notation with `decimals` places (rounded to 10
// significant digits first; scientific notation from 10 integer digits up).
// A value that is not a number or infinite gives `unformattable`.
QString FixedValueText(float value, int decimals, const QString& unformattable);

// Unit of a gas parameter (0..19); " " for 18, 19 and outside.
QString GasParameterUnit(int parameter);
// The row name of a gas parameter: "<name with formula>, <unit>".
QString GasParameterRowName(int parameter);
// The row name's colour: grey for the hexane row while hexane is not in the list.
uint32_t GasParameterNameColour(int parameter, bool hexaneInList);

// The value cell of row `parameter` from table 30: "--" for hexane out of
// the list, "?" for a value that cannot be shown, else the value with the
// parameter's decimals of the report format.
QString GasParameterValueText(const uint8_t* table30, int parameter, bool hexaneInList,
                              const ReportFormat& format);

// The zone cell of row `parameter` from its zone byte (table 32): nothing
// (an empty text) for the gas temperature and for hexane out of the list;
// zones 0..4 by their label texts, black (0), dark red (1, 2) or red (3, 4);
// any other value "?" in green.
ColouredText GasZoneText(int parameter, uint8_t zone, bool hexaneInList);

// The four moisture-meter rows PV21..PV24 from table 37 (fields 2..5): the
// pressure (PV23) with the pressure decimals, the dew points with the
// temperature decimals; a value that cannot be shown is "  ?".
std::array<QString, 4> MoistureValueTexts(const uint8_t* table37, const ReportFormat& format);

// The captions of the moisture-meter rows.
std::array<QString, 4> MoistureRowNames();

}  // namespace zmk
