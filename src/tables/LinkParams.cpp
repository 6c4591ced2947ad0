#include "tables/LinkParams.h"

#include "link/BaudRates.h"

namespace zmk {

namespace {

// More digits than this cannot be the value of any field (and would overflow).
constexpr int MaxTypedDigits = 9;

InputProblem Problem(const QString& line1, const QString& line2 = QString()) { return {line1, line2}; }

bool InRange(const std::optional<int>& value, int low, int high) {
    return value.has_value() && *value >= low && *value <= high;
}

InputProblem AddressProblem(int low, int high) {
    return Problem(QStringLiteral("Адрес должен быть"), QStringLiteral("в диапазоне %1...%2").arg(low).arg(high));
}

InputProblem PreamblesProblem() { return Problem(QStringLiteral("Количество преамбул не должно превышать 255")); }

}  // namespace

int32_t RateOfCode(int code) { return code >= 0 && code < RateCount ? RateAt(code) : 0; }

uint8_t CodeOfRate(int32_t rate) {
    const int index = RateIndex(rate);
    return index < 0 ? NoRateCode : uint8_t(index);
}

std::optional<int> TypedNumber(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > MaxTypedDigits) return std::nullopt;
    int value = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

InputProblem MissingInput() { return Problem(QStringLiteral("Введены не все параметры")); }

InputCheck CheckUpperLevelInput(const UpperLevelInput& in) {
    if (in.Address.trimmed().isEmpty() || (in.RateEnabled && in.RatePosition < 0) || in.Preambles.trimmed().isEmpty())
        return MissingInput();
    if (!InRange(TypedNumber(in.Preambles), 0, PreamblesMax)) return PreamblesProblem();
    if (!InRange(TypedNumber(in.Address), UpperAddressMin, UpperAddressMax))
        return AddressProblem(UpperAddressMin, UpperAddressMax);
    return std::nullopt;
}

InputCheck CheckChromatographInput(const ChromatographInput& in) {
    if (in.Address.trimmed().isEmpty() || in.RatePosition < 0 || in.ModePosition < 0 || in.ParityPosition < 0 ||
        in.TimeoutPosition < 0 || in.FailedPollsPosition < 0 || in.TypePosition < 0)
        return MissingInput();
    if (!InRange(TypedNumber(in.Address), ModbusAddressMin, ModbusAddressMax))
        return AddressProblem(ModbusAddressMin, ModbusAddressMax);
    return std::nullopt;
}

InputCheck CheckMoistureMeterInput(const MoistureMeterInput& in) {
    if (in.Address.trimmed().isEmpty() || in.Timeout.trimmed().isEmpty() || in.ModePosition < 0 ||
        in.FailedPollsPosition < 0 || in.TypePosition < 0)
        return MissingInput();
    if (!InRange(TypedNumber(in.Address), ModbusAddressMin, ModbusAddressMax))
        return AddressProblem(ModbusAddressMin, ModbusAddressMax);
    if (!InRange(TypedNumber(in.Timeout), AnalyserTimeoutMin, AnalyserTimeoutMax))
        return Problem(QStringLiteral("Таймаут должен быть"),
                       QStringLiteral("в диапазоне %1...%2").arg(AnalyserTimeoutMin).arg(AnalyserTimeoutMax));
    return std::nullopt;
}

InputCheck CheckFlowLinkInput(const FlowLinkInput& in) {
    if (in.CountPosition < 0 || in.RatePosition < 0 || in.FailedPosition < 0 || in.TimeoutPosition < 0 ||
        in.ComputerPosition < 0 || in.PipelinePosition < 0 || in.Preambles.trimmed().isEmpty() || in.WriteMode < 0)
        return MissingInput();
    if (!InRange(TypedNumber(in.Preambles), 0, PreamblesMax)) return PreamblesProblem();
    return std::nullopt;
}

QString EthernetAddressName(int address) {
    static const char16_t* const names[] = {u"IP-адрес контроллера", u"Маска подсети", u"Шлюз по умолчанию"};
    return address >= 0 && address < 3 ? QString::fromUtf16(names[address]) : QString();
}

QString EthernetPortName(int port) {
    static const char16_t* const names[] = {u"Порт соединения  ВРГ 1", u"Порт соединения  ВРГ 2",
                                            u"Порт соединения ЗМК 1", u"Порт соединения ЗМК 2"};
    return port >= 0 && port < 4 ? QString::fromUtf16(names[port]) : QString();
}

InputCheck CheckEthernetInput(const EthernetInput& in) {
    for (const QString& text : in.Dotted)
        if (text.trimmed().isEmpty()) return MissingInput();
    for (const QString& text : in.Ports)
        if (text.trimmed().isEmpty()) return MissingInput();
    // Each dotted number is kept in one byte, each port is a TCP port: a
    // larger number would be stored cut.
    const QString outOfRange = QStringLiteral("Параметр вне допустимого диапазона");
    for (int i = 0; i < 12; ++i)
        if (!InRange(TypedNumber(in.Dotted[i]), 0, 255)) return Problem(EthernetAddressName(i / 4), outOfRange);
    for (int i = 0; i < 4; ++i)
        if (!InRange(TypedNumber(in.Ports[i]), 0, EthernetPortMax)) return Problem(EthernetPortName(i), outOfRange);
    return std::nullopt;
}

void PutDottedAddress(uint8_t* field, const std::array<uint8_t, 4>& dotted) {
    for (int i = 0; i < 4; ++i) field[3 - i] = dotted[i];
}

std::array<uint8_t, 4> DottedAddress(const uint8_t* field) { return {field[3], field[2], field[1], field[0]}; }

void PutU32(uint8_t* field, uint32_t value) {
    for (int i = 0; i < 4; ++i) field[i] = uint8_t(value >> (8 * i));
}

uint32_t GetU32(const uint8_t* field) {
    return uint32_t(field[0]) | uint32_t(field[1]) << 8 | uint32_t(field[2]) << 16 | uint32_t(field[3]) << 24;
}

}  // namespace zmk
