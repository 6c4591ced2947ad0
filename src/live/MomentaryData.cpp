#include "live/MomentaryData.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "tables/LabelList.h"

namespace zmk {

namespace {

// Table 16: the words whose bytes follow the controller's byte order.
constexpr int FlagWords[] = {12, 16};

// Table 30 and 37: the first value field after the two time fields.
constexpr int FirstValueField = 2;
constexpr int FieldSize = 4;

// Most significant digits a value is shown with.
constexpr int ValuePrecision = 10;
constexpr double ScientificFrom = 1e10;

constexpr int MoistureRows = 4;
constexpr int MoisturePressureRow = 2;  // PV23

}  // namespace

void OrderAbnormalFlagWords(uint8_t* table16, uint8_t identByteOrder) {
    if (identByteOrder != 0) return;
    for (int at : FlagWords) std::swap(table16[at], table16[at + 1]);
}

QString AbnormalFlagsTimeText(const uint8_t* t) {
    return QString::asprintf("%02d.%02d.%02d  %02d:%02d:%02d", t[2], t[1], t[0], t[3], t[4], t[5]);
}

ColouredText AbnormalFlagText(uint8_t flag) {
    if (flag == 0) return {QStringLiteral("Норма"), BlackText};
    return {QStringLiteral("Есть"), RedText};
}

ColouredText AnalyserLinkText(uint8_t link) {
    if (link != 0) return {QStringLiteral("Норма"), BlackText};
    return {QStringLiteral("Связи нет"), RedText};
}

QString FunctionText(uint8_t possible) {
    return possible != 0 ? QStringLiteral("Возможно") : QStringLiteral("Невозможно");
}

QString PollTimeText(const uint8_t* t) {
    return QString::asprintf("%02d.%02d.%02d %02d:%02d:%02d", t[2], t[1], t[0], t[4], t[5], t[6]);
}

float FloatField(const uint8_t* table, int field) {
    float value;
    std::memcpy(&value, table + field * FieldSize, sizeof value);
    return value;
}

QString FixedValueText(float value, int decimals, const QString& unformattable) {
    if (!std::isfinite(value)) return unformattable;
    // Rounded to the precision first, as a 10-digit fixed format does: the
    // places beyond it are zeros, not the float's binary tail.
    const double rounded = QString::number(double(value), 'g', ValuePrecision).toDouble();
    if (std::fabs(rounded) >= ScientificFrom) return QString::number(rounded, 'E', ValuePrecision - 1);
    return QString::number(rounded, 'f', decimals);
}

QString GasParameterUnit(int parameter) {
    static const char* const units[GasParameterCount] = {
        "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%",  // 0..10 molar fractions
        "МДж/м3",  // 11 higher calorific value
        "кг/м3",   // 12 density
        "МДж/м3",  // 13 Wobbe index
        "%", "%",  // 14 hexane and heavier, 15
        "МДж/м3",  // 16 lower calorific value
        "°С",      // 17 gas temperature
        " ", " ",  // 18, 19 not used
    };
    if (parameter < 0 || parameter >= GasParameterCount) return QStringLiteral(" ");
    return QString::fromUtf8(units[parameter]);
}

QString GasParameterRowName(int parameter) {
    return QStringLiteral("%1, %2").arg(Label(GasMolarFormulaLabels + parameter), GasParameterUnit(parameter));
}

uint32_t GasParameterNameColour(int parameter, bool hexaneInList) {
    return parameter == HexaneParameter && !hexaneInList ? GreyText : BlackText;
}

QString GasParameterValueText(const uint8_t* table30, int parameter, bool hexaneInList,
                              const ReportFormat& format) {
    if (parameter == HexaneParameter && !hexaneInList) return QStringLiteral("--");
    return FixedValueText(FloatField(table30, FirstValueField + parameter), ParameterDigitsOf(format, parameter),
                          QStringLiteral("?"));
}

ColouredText GasZoneText(int parameter, uint8_t zone, bool hexaneInList) {
    if (parameter == GasTemperatureParameter || (parameter == HexaneParameter && !hexaneInList)) return {};
    switch (zone) {
    case 0: return {GroupLabel(GasZoneLabels, GasZoneCount, zone), BlackText};
    case 1:
    case 2: return {GroupLabel(GasZoneLabels, GasZoneCount, zone), DarkRedText};
    case 3:
    case 4: return {GroupLabel(GasZoneLabels, GasZoneCount, zone), RedText};
    default: return {QStringLiteral("?"), GreenText};
    }
}

std::array<QString, 4> MoistureValueTexts(const uint8_t* table37, const ReportFormat& format) {
    std::array<QString, MoistureRows> texts;
    for (int row = 0; row < MoistureRows; ++row) {
        const int decimals = FormatDecimals(format, row == MoisturePressureRow ? FmtPressure : FmtTemperature);
        texts[size_t(row)] = FixedValueText(FloatField(table37, FirstValueField + row), decimals, QStringLiteral("  ?"));
    }
    return texts;
}

std::array<QString, 4> MoistureRowNames() {
    return {
        QStringLiteral(" PV21 – Температура точки росы газа по воде WDP при рабочем давлении,  °C"),
        QStringLiteral(" PV22 – Температура точки росы газа по углеводородам HDP при рабочем давлении,  °C"),
        QStringLiteral(" PV23 – Избыточное давление газа WDP,  bar"),
        QStringLiteral(" PV24 – Прив. температура точки росы газа по воде к абсолютному давлению 3,92 МПа,  °С"),
    };
}

}  // namespace zmk
