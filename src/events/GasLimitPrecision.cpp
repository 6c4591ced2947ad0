#include "events/GasLimitPrecision.h"

#include <array>

namespace zmk {

namespace {

constexpr int ParameterCount = 20;

// Decimals per parameter 0..19, one row per kind; 18 and 19 are unused (0).
// Parameter 15's lower bound keeps the single decimal of its default (97).
constexpr std::array<std::array<int, ParameterCount>, 5> Decimals = {{
    // 0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18 19
    {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 0, 0},  // ЗН
    {3, 3, 3, 3, 4, 4, 4, 3, 3, 3, 3, 0, 3, 0, 3, 4, 0, 2, 0, 0},  // НПУ
    {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0, 3, 0, 3, 3, 0, 3, 0, 0},  // ВПУ
    {3, 3, 3, 3, 4, 4, 4, 3, 3, 3, 3, 0, 3, 0, 3, 1, 0, 2, 0, 0},  // НДП
    {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0, 3, 0, 3, 3, 0, 2, 0, 0},  // ВДП
}};

}  // namespace

int GasLimitDecimals(GasLimitKind kind, int parameter) {
    const int k = int(kind);
    if (k < 0 || k >= int(Decimals.size()) || parameter < 0 || parameter >= ParameterCount)
        return -1;
    return Decimals[size_t(k)][size_t(parameter)];
}

QString GasLimitUnit(int parameter) {
    switch (parameter) {
    case 11: case 13: case 16: return QStringLiteral("МДж/м3");
    case 12: return QStringLiteral("кг/м3");
    case 17: return QStringLiteral("°С");
    case 18: case 19: return {};
    }
    return parameter >= 0 && parameter < ParameterCount ? QStringLiteral("%") : QString();
}

}  // namespace zmk
