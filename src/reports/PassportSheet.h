#pragma once

// The cells of a passport workbook: the object name, the period line, one row
// per record with the rounded composition (methane as the balance to 100 %),
// the heating values and the Wobbe index in three units, density, dew points,
// pressure and temperature, "--" for records that are not valid, and the
// averages row. Everything a passport writes into its template, and nothing
// of the workbook file itself.

#include <QString>
#include <variant>
#include <vector>

#include "reports/PassportReader.h"
#include "settings/ReportFormat.h"

namespace zmk {

// Rows and columns of the templates (1-based).
namespace PassportLayout {
inline constexpr int ObjectRow = 2;          // the object name in "G2:AB2"
inline constexpr int ObjectColumn = 7;       // G
inline constexpr int ObjectLastColumn = 28;  // AB
inline constexpr int PeriodRow = 4;          // the period line
inline constexpr int PeriodColumn = 22;      // V
inline constexpr int DailyFirstRow = 10;     // the first hour of the gas day
inline constexpr int DailyAveragesRow = 34;
inline constexpr int MonthlyDayZeroRow = 9;  // day d of the month in row 9 + d
inline constexpr int MonthlyAveragesRow = 41;
inline constexpr int DateColumn = 1;         // daily: the record's date and hour
inline constexpr int FirstGasColumn = 2;     // CH4 .. CO2 in 2..13
inline constexpr int DensityColumn = 14;
inline constexpr int HiColumn = 15;          // kcal/m3, MJ/m3, third unit
inline constexpr int HsColumn = 18;
inline constexpr int WobbeColumn = 21;
inline constexpr int MoistureColumn = 24;    // water dew point, reduced dew point, hydrocarbon dew point, pressure
inline constexpr int TemperatureColumn = 28;
inline constexpr int ColumnCount = 28;
}  // namespace PassportLayout

// kcal/m3 per MJ/m3, and the third unit (kW·h/m3) per MJ/m3.
inline constexpr double KcalPerMJ = 238.84589662749596;
inline constexpr double KWhPerMJ = 0.2777777777777778;
// kgf/cm2 per bar: the pressure written is the gauge pressure times this.
inline constexpr double KgfPerBar = 1.019716213;

// Status bits that make a moisture-meter record not valid (those of a
// chromatograph record are ChromInvalidMask).
inline constexpr uint8_t MoistureInvalidMask = MoistControllerOff | MoistNoLink;
// A chromatograph record whose methane is below this is not valid.
inline constexpr double MinValidMethane = 0.001;

// The value rounded to `decimals` as the reports round: taken as a single,
// written in fixed notation with that many decimals and read back.
double RoundForReport(double value, int decimals);

bool ChromRecordValid(const RecordView& record);
bool MoistureRecordValid(const RecordView& record);

// The twelve components in the order of columns 2..13.
inline constexpr int PassportComponents[12] = {GasCH4,      GasC2H6,  GasC3H8,  GasIC4H10, GasNC4H10, GasNeoC5H12,
                                               GasIC5H12,   GasNC5H12, GasC6Plus47, GasO2,   GasN2,     GasCO2};

// Gas parameters 0..17 already rounded: methane recomputed as the balance to
// 100 % of the other eleven components (any of the twelve that is not a
// finite number counts as 0), rounded to its decimals, unless all twelve are
// 0. Other values unchanged.
void ApplyMethaneBalance(double values[], int methaneDecimals);

// One cell: a number or a text.
struct PassportCell {
    int Row = 0;
    int Column = 0;
    std::variant<double, QString> Value;
};

struct PassportSheet {
    QString ObjectName;
    QString PeriodLine;
    std::vector<PassportCell> Cells;  // rows in order, columns in order within a row
};

// "За період з dd.mm.yy hh:00  по  dd.mm.yy hh:00" (daily) or
// "За період з dd.mm.yy по  dd.mm.yy" (monthly).
QString PassportPeriodLine(PassportKind kind, const PackedDate& first, const PackedDate& last);
// Column 1 of a daily row: "dd.mm.yy  hh:00".
QString PassportHourText(const PackedDate& date);

// The cells of the passport of `data` (at least one record of each analyser,
// as many of one as of the other). A daily passport takes at most 24 rows;
// in a monthly one each record goes to the row of its own day.
PassportSheet BuildPassportSheet(const PassportData& data, const ReportFormat& format, const QString& objectName);

}  // namespace zmk
