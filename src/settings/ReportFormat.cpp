#include "settings/ReportFormat.h"

#include <QFile>
#include <algorithm>
#include <cstring>

#include "common/CheckedFile.h"

namespace zmk {

namespace {

// Gas parameters with decimals of their own; every other index 0..15 is a
// molar fraction of a component.
enum GasParameterIndex : int {
    GasHs = 11,  // higher calorific value, MJ/m3
    GasDensity = 12,
    GasWobbe = 13,  // MJ/m3
    GasOxygen = 15,  // the last molar fraction
    GasHi = 16,  // lower calorific value, MJ/m3
    GasTemperature = 17,
    GasUnused18 = 18,
    GasUnused19 = 19,
};

}  // namespace

bool operator==(const ReportFormat& a, const ReportFormat& b) {
    return std::memcmp(&a, &b, sizeof(ReportFormat)) == 0;
}

ReportFormat DefaultReportFormat() {
    ReportFormat format;
    std::memset(&format, DefaultReportDecimals, sizeof format);
    return format;
}

ReportFormat& CurrentReportFormat() {
    static ReportFormat format = DefaultReportFormat();
    return format;
}

bool ReadReportFormat(const QString& path, ReportFormat& format) {
    format = DefaultReportFormat();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.read(ReportFormatSize);
    if (data.size() != ReportFormatSize)
        return false;
    std::memcpy(&format, data.constData(), sizeof format);
    return true;
}

bool WriteReportFormat(const QString& path, const ReportFormat& format) {
    return WriteFileChecked(path, QByteArray(reinterpret_cast<const char*>(&format), sizeof format));
}

void DeriveParameterDigits(ReportFormat& format) {
    for (int i = 0; i < ReportGasParameters; ++i) {
        uint8_t digits = format.Format[FmtComponents];
        switch (i) {
        case GasHs:
        case GasHi:
            digits = format.Format[FmtHeatMJ];
            break;
        case GasDensity:
            digits = format.Format[FmtDensityAbsolute];
            break;
        case GasWobbe:
            digits = format.Format[FmtWobbeMJ];
            break;
        case GasTemperature:
            digits = format.Format[FmtTemperature];
            break;
        case GasUnused18:
        case GasUnused19:
            digits = 0;
            break;
        default:
            break;
        }
        format.ParameterDigits[i] = digits;
    }
}

int FormatDecimals(const ReportFormat& format, ReportFormatByte byte) {
    if (byte < 0 || byte >= ReportFormatDialogBytes)
        return 0;
    return std::min<int>(format.Format[byte], MaxReportDecimals);
}

int ParameterDigitsOf(const ReportFormat& format, int parameter) {
    if (parameter < 0 || parameter >= ReportGasParameters)
        return 0;
    return std::min<int>(format.ParameterDigits[parameter], MaxReportDecimals);
}

int GasParameterDecimals(const ReportFormat& format, int parameter) {
    switch (parameter) {
    case GasHs:
    case GasHi:
        return FormatDecimals(format, FmtHeatMJ);
    case GasDensity:
        return FormatDecimals(format, FmtDensityAbsolute);
    case GasWobbe:
        return FormatDecimals(format, FmtWobbeMJ);
    case GasTemperature:
        return FormatDecimals(format, FmtTemperature);
    default:
        break;
    }
    if (parameter >= 0 && parameter <= GasOxygen)
        return FormatDecimals(format, FmtComponents);
    return 0;
}

int TemperatureDecimals(const ReportFormat& format) {
    return FormatDecimals(format, FmtTemperature);
}

int PressureDecimals(const ReportFormat& format) {
    return FormatDecimals(format, FmtPressure);
}

}  // namespace zmk
