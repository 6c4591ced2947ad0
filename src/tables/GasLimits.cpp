#include "tables/GasLimits.h"

#include <QLocale>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/NumberFormat.h"

namespace zmk {

namespace {

struct Cell {
    float Default, Lowest, Highest;
    uint8_t Decimals;
};

struct RuleRow {
    const char* Unit;
    std::array<Cell, GasLimitKindCount> Cells;  // ЗН, НПУ, ВПУ, НДП, ВДП
};

// Default [lowest .. highest] / decimals of every limit of parameters 0..17.
// Two defaults are our own choice: the lower bound of oxygen (15) takes the
// default and decimals of the other small fractions sharing its range
// (0.0001 / 4), and the lower warning point of the gas temperature (17) is
// the lowest value its range allows (-50); both must lie inside their ranges,
// or a new configuration would be refused by its own dialogs.
constexpr std::array<RuleRow, LimitedGasParameters> Rows = {{
    {"%", {{{0.01f, 0.0001f, 0.1f, 4}, {0.002f, 0, 0.6f, 3}, {0.6f, 0, 0.6f, 3}, {0.001f, 0, 0.6f, 3}, {0.6f, 0, 0.6f, 3}}}},
    {"%", {{{0.05f, 0.0001f, 0.5f, 4}, {0.05f, 0, 6, 3}, {6, 0, 6, 3}, {0.01f, 0, 6, 3}, {6, 0, 6, 3}}}},
    {"%", {{{0.01f, 0.0001f, 0.1f, 4}, {0.002f, 0, 1.2f, 3}, {1.2f, 0, 1.2f, 3}, {0.001f, 0, 1.2f, 3}, {1.2f, 0, 1.2f, 3}}}},
    {"%", {{{0.01f, 0.0001f, 0.1f, 4}, {0.002f, 0, 1.2f, 3}, {1.2f, 0, 1.2f, 3}, {0.001f, 0, 1.2f, 3}, {1.2f, 0, 1.2f, 3}}}},
    {"%", {{{0.01f, 0.0001f, 0.1f, 4}, {0.0002f, 0, 1.2f, 4}, {1.2f, 0, 1.2f, 3}, {0.0001f, 0, 1.2f, 4}, {1.2f, 0, 1.2f, 3}}}},
    {"%", {{{0.01f, 0.0001f, 0.1f, 4}, {0.0002f, 0, 1.2f, 4}, {1.2f, 0, 1.2f, 3}, {0.0001f, 0, 1.2f, 4}, {1.2f, 0, 1.2f, 3}}}},
    {"%", {{{0.01f, 0.0001f, 0.1f, 4}, {0.0002f, 0, 1.2f, 4}, {1.2f, 0, 1.2f, 3}, {0.0001f, 0, 1.2f, 4}, {1.2f, 0, 1.2f, 3}}}},
    {"%", {{{0.05f, 0.0001f, 10, 4}, {0.2f, 0, 18, 3}, {12, 0, 18, 3}, {0, 0, 18, 3}, {18, 0, 18, 3}}}},
    {"%", {{{5, 0.0001f, 50, 4}, {95, 40, 100, 3}, {100, 40, 100, 3}, {90, 40, 100, 3}, {100, 40, 100, 3}}}},
    {"%", {{{0.05f, 0.0001f, 10, 4}, {0.01f, 0, 12, 3}, {8, 0, 12, 3}, {0, 0, 12, 3}, {12, 0, 12, 3}}}},
    {"%", {{{0.05f, 0.0001f, 0.5f, 4}, {0.1f, 0, 12, 3}, {10, 0, 12, 3}, {0.01f, 0, 12, 3}, {12, 0, 12, 3}}}},
    {"МДж/м3", {{{5, 0.0001f, 50, 4}, {36, 35, 45, 0}, {45, 35, 45, 0}, {35, 35, 45, 0}, {45, 35, 45, 0}}}},
    {"кг/м3", {{{0.0001f, 0.0001f, 0.001f, 4}, {0.67f, 0.66f, 1.05f, 3}, {1, 0.66f, 1.05f, 3}, {0.66f, 0.66f, 1.05f, 3}, {1.05f, 0.66f, 1.05f, 3}}}},
    {"МДж/м3", {{{5, 0.0001f, 50, 4}, {45, 40, 55, 0}, {55, 40, 55, 0}, {40, 40, 55, 0}, {55, 40, 55, 0}}}},
    {"%", {{{0.01f, 0.0001f, 0.1f, 4}, {0.002f, 0, 0.6f, 3}, {0.6f, 0, 0.6f, 3}, {0.001f, 0, 0.6f, 3}, {0.6f, 0, 0.6f, 3}}}},
    {"%", {{{0.01f, 0.0001f, 0.1f, 4}, {0.0002f, 0, 1.2f, 4}, {1.2f, 0, 1.2f, 3}, {0.0001f, 0, 1.2f, 4}, {1.2f, 0, 1.2f, 3}}}},
    {"МДж/м3", {{{4, 0.0001f, 40, 4}, {32, 30, 40, 0}, {40, 30, 40, 0}, {30, 30, 40, 0}, {40, 30, 40, 0}}}},
    {"°С", {{{0.01f, 0.0001f, 0.1f, 4}, {-50, -50, 100, 2}, {60, 0, 70, 3}, {-50, -50, 0, 2}, {60, 0, 60, 2}}}},
}};

using RuleTable = std::array<std::array<LimitRule, GasParameterCount>, GasLimitKindCount>;

RuleTable BuildRules() {
    RuleTable rules{};  // parameters 18 and 19: zeros, no unit
    for (int p = 0; p < LimitedGasParameters; ++p)
        for (int k = 0; k < GasLimitKindCount; ++k) {
            const Cell& c = Rows[size_t(p)].Cells[size_t(k)];
            rules[size_t(k)][size_t(p)] = {c.Lowest, c.Highest, c.Default, Rows[size_t(p)].Unit, c.Decimals};
        }
    return rules;
}

const RuleTable& Rules() {
    static const RuleTable rules = BuildRules();
    return rules;
}

bool ValidParameter(int parameter) { return parameter >= 0 && parameter < GasParameterCount; }
bool ValidKind(GasLimitKind kind) { return int(kind) >= 0 && int(kind) < GasLimitKindCount; }

float FloatAt(const uint8_t* p) {
    uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return std::bit_cast<float>(bits);
}

void PutFloat(uint8_t* p, float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(bits >> (8 * i));
}

uint8_t* ImageBlocks(ConfigImage& image) { return image.Table(FirstGasLimitTable); }

}  // namespace

const LimitRule& GasLimitRule(GasLimitKind kind, int parameter) {
    static const LimitRule none{};
    if (!ValidKind(kind) || !ValidParameter(parameter)) return none;
    return Rules()[size_t(kind)][size_t(parameter)];
}

int GasLimitDecimals(GasLimitKind kind, int parameter) {
    if (!ValidKind(kind) || !ValidParameter(parameter)) return -1;
    return GasLimitRule(kind, parameter).Decimals;
}

QString GasLimitUnit(int parameter) {
    return QString::fromUtf8(GasLimitRule(GasLimitKind::DeadBand, parameter).Unit);
}

LimitSets LimitSetsFromBlocks(const uint8_t* first, int blockSize) {
    LimitSets sets{};
    for (int k = 0; k < GasLimitKindCount; ++k)
        for (int p = 0; p < LimitedGasParameters; ++p)
            sets[size_t(p)].Values[size_t(k)] = FloatAt(first + k * blockSize + p * GasLimitFieldSize);
    return sets;
}

void StoreLimitSets(const LimitSets& sets, uint8_t* first, int blockSize) {
    for (int k = 0; k < GasLimitKindCount; ++k)
        for (int p = 0; p < LimitedGasParameters; ++p)
            PutFloat(first + k * blockSize + p * GasLimitFieldSize, sets[size_t(p)].Values[size_t(k)]);
}

LimitSets LimitSetsFromImage(const ConfigImage& image) {
    return LimitSetsFromBlocks(image.Table(FirstGasLimitTable), ImageGasLimitBlockSize);
}

void StoreLimitSets(ConfigImage& image, const LimitSets& sets) {
    StoreLimitSets(sets, ImageBlocks(image), ImageGasLimitBlockSize);
}

void FillDefaultLimits(uint8_t* first, int blockSize) {
    for (int k = 0; k < GasLimitKindCount; ++k)
        for (int p = 0; p < GasParameterCount; ++p)
            PutFloat(first + k * blockSize + p * GasLimitFieldSize, GasLimitRule(GasLimitKind(k), p).Default);
}

QString FormatLimit(float value, int decimals) {
    if (IsBadFloat(value)) return QStringLiteral("NAN");
    return QString::number(double(value), 'f', std::max(decimals, 0));
}

QString FormatLimit(GasLimitKind kind, int parameter, float value) {
    return FormatLimit(value, GasLimitRule(kind, parameter).Decimals);
}

bool LimitInRange(GasLimitKind kind, int parameter, double value) {
    if (!std::isfinite(value)) return false;
    const LimitRule& rule = GasLimitRule(kind, parameter);
    return double(rule.Lowest) - LimitTolerance <= value && value <= double(rule.Highest) + LimitTolerance;
}

std::optional<double> TypedLimit(const QString& text) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    if (t.isEmpty()) return std::nullopt;
    // Only plain decimal notation: the C locale would also take "nan" and "inf".
    for (QChar c : t)
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-') &&
            c != QLatin1Char('+') && c != QLatin1Char('e') && c != QLatin1Char('E'))
            return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return value;
}

InputCheck CheckLimitInput(int parameter, const std::array<QString, GasLimitKindCount>& texts, LimitSet& set) {
    for (const QString& t : texts)
        if (t.trimmed().isEmpty()) return MissingInput();
    LimitSet typed = set;
    for (int k = 0; k < GasLimitKindCount; ++k) {
        const std::optional<double> value = TypedLimit(texts[size_t(k)]);
        if (!value || !LimitInRange(GasLimitKind(k), parameter, *value))
            return InputProblem{QStringLiteral("Вводите значения"), QStringLiteral("согласно допустимому диапазону")};
        typed.Values[size_t(k)] = float(*value);
    }
    set = typed;
    return std::nullopt;
}

bool ReadGasLimitTables(TableEngine& tables, GasLimitCopies& copies, StatusBarPanel* status) {
    for (int k = 0; k < GasLimitKindCount; ++k) {
        const int table = FirstGasLimitTable + k;
        if (!tables.ReadTable({uint8_t(table), 0, uint8_t(LimitedGasParameters)}, status, true)) return false;
        const uint8_t* fields = tables.Image().Table(table);
        std::copy_n(fields, copies.Tables[size_t(k)].size(), copies.Tables[size_t(k)].begin());
    }
    return true;
}

bool WriteGasLimitTables(TableEngine& tables, const GasLimitCopies& copies, StatusBarPanel* status) {
    for (int k = 0; k < GasLimitKindCount; ++k) {
        const TableRequest request{uint8_t(FirstGasLimitTable + k), 0, uint8_t(LimitedGasParameters)};
        if (!tables.WriteTableChanges(request, copies.Tables[size_t(k)].data(), status)) return false;
    }
    return true;
}

}  // namespace zmk
