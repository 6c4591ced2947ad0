#pragma once

// The data presentation format: the number of decimals with which gas
// composition, temperature, pressure, density, calorific value and Wobbe
// index are shown, printed and exported. Kept as a 32-byte binary record in
// "rep_format.ini" in the INI folder.

#include <QString>
#include <cstdint>

namespace zmk {

inline constexpr int ReportFormatSize = 32;
inline constexpr int ReportFormatDialogBytes = 12;  // bytes 0..11, set in the format dialog
inline constexpr int ReportGasParameters = 20;      // gas parameters 0..19 of the records
inline constexpr int MaxReportDecimals = 7;
inline constexpr uint8_t DefaultReportDecimals = 4;  // every byte when the file cannot be read

// Bytes 0..11 of the record.
enum ReportFormatByte : int {
    FmtComponents = 0,       // molar fractions of the gas components
    FmtCompressibility = 1,  // compressibility factor (not editable; kept as read)
    FmtTemperature = 2,
    FmtPressure = 3,
    FmtDensityAbsolute = 4,
    FmtDensityRelative = 5,  // not editable; kept as read
    FmtHeatKcal = 6,         // calorific value, kcal/m3
    FmtHeatMJ = 7,           // calorific value, MJ/m3
    FmtHeatKWh = 8,          // calorific value, third unit (kW·h/m3)
    FmtWobbeKcal = 9,
    FmtWobbeMJ = 10,
    FmtWobbeKWh = 11,
};

#pragma pack(push, 1)
struct ReportFormat {
    uint8_t Format[ReportFormatDialogBytes];      // ReportFormatByte order
    uint8_t ParameterDigits[ReportGasParameters];   // decimals of gas parameters 0..19
};
#pragma pack(pop)
static_assert(sizeof(ReportFormat) == ReportFormatSize);

bool operator==(const ReportFormat& a, const ReportFormat& b);

// Every byte DefaultReportDecimals.
ReportFormat DefaultReportFormat();

// The format of the run (read at start-up).
ReportFormat& CurrentReportFormat();

// Reads the first 32 bytes of the file. A missing, unreadable or shorter
// file gives DefaultReportFormat() and false. Bytes are taken as they are,
// even outside 0..7 (the functions below clamp them).
bool ReadReportFormat(const QString& path, ReportFormat& format);

// Writes all 32 bytes through a temporary file in the same folder and a
// rename, so a failure leaves the old file whole. False on failure.
bool WriteReportFormat(const QString& path, const ReportFormat& format);

// ParameterDigits from bytes 0..11: Hs and Hi take the MJ/m3 calorific value
// byte, density the absolute density byte, Wobbe the MJ/m3 Wobbe byte,
// temperature the temperature byte, 18 and 19 take 0, all others the
// components byte.
void DeriveParameterDigits(ReportFormat& format);

// A byte of the record as a number of decimals: clamped to 0..MaxReportDecimals.
int FormatDecimals(const ReportFormat& format, ReportFormatByte byte);

// ParameterDigits entry of a gas parameter (momentary data windows,
// passports), clamped to 0..MaxReportDecimals; 0 for an index outside 0..19.
int ParameterDigitsOf(const ReportFormat& format, int parameter);

// Decimals of a gas parameter in the measurement archive viewers, prints and
// workbook exports, taken from bytes 0..11: molar fractions (0..10, 14, 15)
// the components byte; Hs and Hi the calorific MJ/m3 byte; density the
// absolute density byte; Wobbe the Wobbe MJ/m3 byte; temperature the
// temperature byte. 0 for 18, 19 and any index outside 0..19.
int GasParameterDecimals(const ReportFormat& format, int parameter);
// Temperatures (gas temperature, the moisture meter's dew points).
int TemperatureDecimals(const ReportFormat& format);
// The moisture meter's gauge pressure.
int PressureDecimals(const ReportFormat& format);

}  // namespace zmk
